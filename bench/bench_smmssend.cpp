// One app message to 100,000 recipients (1,000 batches of 100) through the simulated center on real
// HTTP, against the bare libcurl loop posting the very same bodies (begin, batches, end) on a new
// connection each. The module's send also writes its history (100,000 smslist rows) into a real
// SQLite file; its progress texts split its time into the center part and the record part.
//
// Reported per run (seconds, averaged over the iterations):
//   module      SmmsSendTransaction::Run from start to the report
//   center      start .. the history write begins (checks, begin, batches, journal, end)
//   record      the history write
//   raw         the bare loop
// The target compares the center traffic: center <= 1.3 x raw. Two messages: one with the name and
// the points merged, one plain.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <curl/curl.h>

#include "bench/benchcenter.h"
#include "bench/rawloop.h"
#include "center/send/cellforpost.h"
#include "center/vexglobal.h"
#include "compose/composition.h"
#include "sim/smmsstate.h"
#include "smms/smmssend.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr int kRecipients = 100000;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

SmmsSendInput InputFor(bool merge) {
    // The SMS benchmark's members, as the app-message dialog would list them.
    const SmsSendInput sms = BenchCenter::Input(kRecipients, 100);
    SmmsSendInput in;
    in.storeCode = BenchCenter::kStore;
    in.empCode = 1;
    in.empName = K("김점장");
    in.title = K("(광고)행복마트 봄맞이 할인");
    in.body = merge ? K("{회원명}님, 적립 포인트 {포인트}점으로 봄맞이 할인을 누리세요")
                    : K("행복마트 봄맞이 할인행사 안내: 전 품목 10% 할인");
    in.callbackField = "0212345678";
    in.header1 = K("회원명");
    in.header3 = K("포인트");
    for (const Recipient& r : sms.rows)
        in.rows.push_back({true, r.code, r.phone, r.name, r.text3});
    return in;
}

std::string Escaped(std::string text) {
    std::string out;
    for (char c : text)
        out += c == '<' ? std::string("_lt;_") : c == '>' ? std::string("_gt;_") : std::string(1, c);
    return CvexGlobal::EncodeANSIToUTF8URL(out);
}

struct Bodies {
    std::string begin;
    std::vector<std::string> lists;
};

// The bodies the module posts for the input: the same fields, encodings and element layout.
Bodies BodiesFor(const SmmsSendInput& in, bool merge) {
    Bodies b;
    b.begin = "work=SMMSBEGIN&mart=" + std::to_string(in.storeCode) + "&emp=" + std::to_string(in.empCode) +
              "&ename=" + CvexGlobal::EncodeANSIToUTF8URL(in.empName) + "&tt=" + Escaped(in.title) +
              "&msg=" + Escaped(NormalizeMessage(in.body)) + "&mt=1&cb=" + in.callbackField +
              "&url=&pop=&call=" + std::to_string(in.rows.size()) + "&ss=0";
    std::string list;
    int inBatch = 0;
    for (const SmmsRow& r : in.rows) {
        list += "}{" + r.phone;
        if (merge)
            list += "|" + GetCellForPost(r.name) + "|" + GetCellForPost(r.points);
        if (++inBatch == SmmsSendTransaction::kBatchSize) {
            b.lists.push_back(std::move(list));
            list.clear();
            inBatch = 0;
        }
    }
    if (inBatch > 0)
        b.lists.push_back(std::move(list));
    return b;
}

// Returns the message's ML, 0 on any failure.
long long RawSend(const std::string& url, const Bodies& b, int store) {
    RawPoster poster(url);
    long long ml = 0;
    if (poster.Post(b.begin)) {
        const size_t at = poster.reply().find("<ML>");
        ml = at == std::string::npos ? 0 : std::atoll(poster.reply().c_str() + at + 4);
    }
    const std::string prefix = "work=SMMSTRAN&mart=" + std::to_string(store) + "&ml=" + std::to_string(ml);
    for (size_t i = 0; i < b.lists.size() && ml > 0; ++i)
        if (!poster.Post(prefix + "&seq=" + std::to_string(i + 1) + "&tran=" + b.lists[i]))
            ml = 0;
    if (ml > 0 && !poster.Post("work=SMMSEND&mart=" + std::to_string(store) + "&ml=" + std::to_string(ml) +
                               "&alluser=0&m2date=-1"))
        ml = 0;
    return ml;
}

struct Totals {
    double module = 0, center = 0, record = 0, raw = 0;
    int runs = 0;
    bool same = true;
};
std::map<int, Totals> g_totals; // 1 merged, 0 plain

void BM_Smms100k(benchmark::State& state) {
    const bool merge = state.range(0) != 0;
    Totals& t = g_totals[merge ? 1 : 0];
    BenchCenter bench;
    if (!bench.ok()) {
        state.SkipWithError("simulator or settings");
        return;
    }
    const SmmsSendInput input = InputFor(merge);
    const Bodies bodies = BodiesFor(input, merge);
    const std::string url = bench.sim().BaseUrl() + "/SMMS/AppRequest.ashx";
    const std::string recordText = K("AlderS 문자 전송내역을 보관하기 위해 DB에 기록하는 중입니다.");
    if (!bench.NewStore(0, 1e7) || RawSend(url, bodies, BenchCenter::kStore) == 0) {
        state.SkipWithError("warm-up");
        return;
    }
    for (auto _ : state) {
        if (!bench.NewStore(0, 1e7)) {
            state.SkipWithError("store");
            return;
        }
        const auto rawStart = Clock::now();
        const long long rawMl = RawSend(url, bodies, BenchCenter::kStore);
        const double raw = Seconds(rawStart, Clock::now());

        Clock::time_point atRecord{};
        ProgressHooks hooks;
        hooks.show = [&](bool show, const std::string& text) {
            if (show && text == recordText)
                atRecord = Clock::now();
        };
        SmmsSendTransaction send(bench.db(), input, hooks);
        const auto start = Clock::now();
        const SmmsSendResult result = send.Run();
        const auto stop = Clock::now();
        state.SetIterationTime(Seconds(start, stop));
        if (result.outcome != SmmsSendOutcome::Sent || result.callSent != kRecipients || rawMl == 0 ||
            result.localCode == 0 || atRecord == Clock::time_point{}) {
            state.SkipWithError("a send failed");
            return;
        }
        const auto moduleMessage = bench.sim().Center().Smms().Message(result.ml);
        const auto rawMessage = bench.sim().Center().Smms().Message(rawMl);
        t.same = t.same && moduleMessage && rawMessage && moduleMessage->batches == rawMessage->batches;
        t.module += Seconds(start, stop);
        t.center += Seconds(start, atRecord);
        t.record += Seconds(atRecord, stop);
        t.raw += raw;
        ++t.runs;
    }
    state.counters["module_s"] = t.module / t.runs;
    state.counters["center_s"] = t.center / t.runs;
    state.counters["raw_s"] = t.raw / t.runs;
    state.counters["center/raw"] = t.center / t.raw;
}

BENCHMARK(BM_Smms100k)
    ->ArgNames({"merge"})
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nApp message to %d recipients, batches of %d, mean seconds over the runs:\n", kRecipients,
                SmmsSendTransaction::kBatchSize);
    std::printf("  %-38s %9s %9s\n", "", "merged", "plain");
    auto row = [](const char* label, double (*figure)(const Totals&)) {
        std::printf("  %-38s", label);
        for (int key : {1, 0}) {
            const auto it = g_totals.find(key);
            if (it == g_totals.end() || it->second.runs == 0)
                std::printf(" %9s", "-");
            else
                std::printf(" %9.3f", figure(it->second));
        }
        std::printf("\n");
    };
    row("module send (whole Run)", [](const Totals& t) { return t.module / t.runs; });
    row("  center part (until history write)", [](const Totals& t) { return t.center / t.runs; });
    row("  history write (smslist rows)", [](const Totals& t) { return t.record / t.runs; });
    row("raw libcurl loop, same bodies", [](const Totals& t) { return t.raw / t.runs; });
    row("center part / raw (target <= 1.3)", [](const Totals& t) { return t.center / t.raw; });
    row("whole send / raw", [](const Totals& t) { return t.module / t.raw; });
    row("same batches at the center (1 = yes)", [](const Totals& t) { return t.same ? 1.0 : 0.0; });
    curl_global_cleanup();
    return 0;
}
