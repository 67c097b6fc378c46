// One SMS send of 100,000 recipients in batches of 1,000 through the simulated center on real HTTP,
// against a bare libcurl loop that posts the very same bodies (begin, batches, end) to the same
// simulator. The module's send also writes its history (100,000 smslist rows) into a real SQLite
// file; the progress texts it shows split its time into the center part and that record part.
//
// Reported per run (seconds, averaged over ten iterations: a single run of tens of milliseconds on a
// shared machine varies by a tenth):
//   module      SmsSendTransaction::Run from start to the report
//   center      start .. the history write begins (checks, begin, batches, state file, end)
//   record      the history write (smssend row, smslist rows, state file cleared)
//   raw         the bare loop, a new connection per request as the module posts a send's requests
// The target compares the center traffic: center <= 1.2 x raw. Two messages: one with the name and
// the points merged (every element carries two converted cells), one plain (elements are numbers).
// Each runs on a quiet machine and on a busy one: two other processes, started and stopped by the
// benchmark, keep two processors spinning (a till running other programs); the ratio compares the
// module with the raw loop under the same load.
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <curl/curl.h>

#include "bench/benchcenter.h"
#include "bench/rawloop.h"
#include "center/vexglobal.h"
#include "compose/composition.h"
#include "members/recipientlist.h"
#include "sms/smssend.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr int kRecipients = 100000;
constexpr int kBatch = 1000;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The bodies the module posts for the input: the same fields, encodings and element layout.
struct Bodies {
    std::string begin;
    std::vector<std::string> lists; // without the ss and seq, filled in once the begin answered
    std::string endPrefix;
};

Bodies BodiesFor(const SmsSendInput& in, bool merge) {
    Bodies b;
    const std::string message = NormalizeMessage(in.message);
    b.begin = "work=SMSBEGIN&mart=" + std::to_string(in.account.storeCode) +
              "&emp=" + std::to_string(in.empCode) + "&tg=" + std::to_string(in.targetType) +
              "&mg=" + (merge ? "1" : "0") +
              "&rsv=&tp=S&sub=&msg=" + CvexGlobal::EncodeANSIToUTF8URL(message) +
              "&cb=" + CvexGlobal::GetNumberOnlyString(in.callbackField) +
              "&call=" + std::to_string(in.rows.size());
    // A merged message uses the name and the points: the fourth field travels empty.
    std::string list;
    int inBatch = 0;
    for (const Recipient& r : in.rows) {
        list += "}{" + r.phone;
        if (merge)
            list += "|" + GetCellForPost(r.name) + "|" + GetCellForPost(r.text3) + "|";
        if (++inBatch == in.batchSize) {
            b.lists.push_back(std::move(list));
            list.clear();
            inBatch = 0;
        }
    }
    if (inBatch > 0)
        b.lists.push_back(std::move(list));
    b.endPrefix = "work=SMSEND&mart=" + std::to_string(in.account.storeCode) + "&ss=";
    return b;
}

// The bare loop: begin, every batch, end, each reply checked for success, each on a new connection.
// Returns the send's code, 0 on any failure.
int RawSend(const std::string& url, const Bodies& b, int store) {
    RawPoster poster(url);
    int ss = 0;
    if (poster.Post(b.begin)) {
        const size_t at = poster.reply().find("<SS>");
        ss = at == std::string::npos ? 0 : std::atoi(poster.reply().c_str() + at + 4);
    }
    const std::string prefix = "work=SMSLIST&mart=" + std::to_string(store) + "&ss=" + std::to_string(ss);
    for (size_t i = 0; i < b.lists.size() && ss > 0; ++i)
        if (!poster.Post(prefix + "&seq=" + std::to_string(i + 1) + "&list=" + b.lists[i]))
            ss = 0;
    if (ss > 0 && !poster.Post(b.endPrefix + std::to_string(ss)))
        ss = 0;
    return ss;
}

// Where the module's send spent its time, from the moments its progress texts changed.
struct Phases {
    double center = 0;  // start .. history write
    double batches = 0; // batches text .. end text (includes the state file written before the end)
    double record = 0;  // history write .. list cleared
    double total = 0;
};

// Other programs keeping the processors busy for as long as the object lives: plain spinning
// processes, each alone in its own address space.
class BusyProcessors {
public:
    explicit BusyProcessors(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                volatile unsigned long spin = 0;
                for (;;)
                    spin = spin + 1;
            }
            if (pid > 0)
                m_children.push_back(pid);
        }
    }
    ~BusyProcessors() {
        for (pid_t pid : m_children)
            ::kill(pid, SIGKILL);
        for (pid_t pid : m_children)
            ::waitpid(pid, nullptr, 0);
    }
    BusyProcessors(const BusyProcessors&) = delete;
    BusyProcessors& operator=(const BusyProcessors&) = delete;
    bool ok(int count) const { return static_cast<int>(m_children.size()) == count; }

private:
    std::vector<pid_t> m_children;
};

constexpr int kBusyProcesses = 2;

struct Totals {
    double module = 0, center = 0, batches = 0, record = 0, raw = 0;
    int runs = 0;
    bool same = true;
};
std::map<int, Totals> g_totals; // merged + 2 x busy: 1 merged, 0 plain, 3 and 2 the same on a busy machine

void BM_Send100k(benchmark::State& state) {
    const bool merge = state.range(0) != 0;
    const bool busy = state.range(1) != 0;
    Totals& t = g_totals[(merge ? 1 : 0) + (busy ? 2 : 0)];
    BenchCenter bench;
    if (!bench.ok()) {
        state.SkipWithError("simulator or settings");
        return;
    }
    SmsSendInput input = BenchCenter::Input(kRecipients, kBatch);
    if (!merge)
        input.message = input.draft.message = K("행복마트 봄맞이 할인행사 안내: 전 품목 10% 할인");
    const Bodies bodies = BodiesFor(input, merge);
    const std::string url = bench.sim().BaseUrl() + "/ZMSG/AppRequest.ashx";
    const std::string batchesText = K("SMS 데이터를 센터로 보내는 중입니다.");
    const std::string endText =
        K("센터에 전송완료를 요청중입니다.(앞 단계보다 다소 시간이 소요될 수 있습니다.)");
    const std::string recordText = K("전송내역을 보관하기 위해 DB에 기록하는 중입니다.");
    const std::string finishText = K("SMS 로 전송한 대상을 리스트에서 삭제중입니다.");

    // One small send first: libcurl, the simulator's threads and the files warm up.
    if (!bench.NewStore(0, 1e7) ||
        RawSend(url, BodiesFor(BenchCenter::Input(2000, kBatch), true), BenchCenter::kStore) == 0) {
        state.SkipWithError("warm-up");
        return;
    }
    std::optional<BusyProcessors> load;
    if (busy && !load.emplace(kBusyProcesses).ok(kBusyProcesses)) {
        state.SkipWithError("busy processes");
        return;
    }
    for (auto _ : state) {
        if (!bench.NewStore(0, 1e7)) {
            state.SkipWithError("store");
            return;
        }
        const auto rawStart = Clock::now();
        const int rawSs = RawSend(url, bodies, BenchCenter::kStore);
        const double raw = Seconds(rawStart, Clock::now());

        Clock::time_point atBatches{}, atEnd{}, atRecord{}, atFinish{};
        ProgressHooks hooks;
        hooks.show = [&](bool show, const std::string& text) {
            const auto now = Clock::now();
            if (!show)
                return;
            if (text == batchesText)
                atBatches = now;
            else if (text == endText)
                atEnd = now;
            else if (text == recordText)
                atRecord = now;
            else if (text == finishText)
                atFinish = now;
        };
        SmsSendTransaction send(bench.db(), input, hooks);
        const auto start = Clock::now();
        const SmsSendResult result = send.Run();
        const auto stop = Clock::now();
        state.SetIterationTime(Seconds(start, stop));

        if (result.outcome != SmsSendOutcome::Sent || result.callSent != kRecipients || rawSs == 0 ||
            atRecord == Clock::time_point{} || atFinish == Clock::time_point{}) {
            state.SkipWithError("a send failed");
            return;
        }
        // The bare loop must have carried exactly what the module carried.
        const auto moduleSend = bench.sim().Center().SmsSend(result.centerCode);
        const auto rawSend = bench.sim().Center().SmsSend(rawSs);
        t.same = t.same && moduleSend && rawSend && moduleSend->batches == rawSend->batches &&
                 moduleSend->sent == kRecipients;

        t.module += Seconds(start, stop);
        t.center += Seconds(start, atRecord);
        t.batches += Seconds(atBatches, atEnd);
        t.record += Seconds(atRecord, atFinish);
        t.raw += raw;
        ++t.runs;
    }
    const double n = t.runs;
    state.counters["module_s"] = t.module / n;
    state.counters["center_s"] = t.center / n;
    state.counters["record_s"] = t.record / n;
    state.counters["raw_s"] = t.raw / n;
    state.counters["center/raw"] = t.center / t.raw;
}

BENCHMARK(BM_Send100k)
    ->ArgNames({"merge", "busy"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nSMS send of %d recipients, batches of %d, mean seconds over the runs:\n", kRecipients,
                kBatch);
    std::printf("  %-38s %9s %9s %12s %12s\n", "", "merged", "plain", "merged busy", "plain busy");
    auto row = [](const char* label, double (*figure)(const Totals&)) {
        std::printf("  %-38s", label);
        for (int key : {1, 0, 3, 2}) {
            const int width = key >= 2 ? 12 : 9;
            const auto it = g_totals.find(key);
            if (it == g_totals.end() || it->second.runs == 0)
                std::printf(" %*s", width, "-");
            else
                std::printf(" %*.3f", width, figure(it->second));
        }
        std::printf("\n");
    };
    row("module send (whole Run)", [](const Totals& t) { return t.module / t.runs; });
    row("  center part (until history write)", [](const Totals& t) { return t.center / t.runs; });
    row("    of which batches + state file", [](const Totals& t) { return t.batches / t.runs; });
    row("  history write (smslist rows)", [](const Totals& t) { return t.record / t.runs; });
    row("raw libcurl loop, same bodies", [](const Totals& t) { return t.raw / t.runs; });
    row("center part / raw (target <= 1.2)", [](const Totals& t) { return t.center / t.raw; });
    row("whole send / raw", [](const Totals& t) { return t.module / t.raw; });
    row("same batches at the center (1 = yes)", [](const Totals& t) { return t.same ? 1.0 : 0.0; });
    curl_global_cleanup();
    return 0;
}
