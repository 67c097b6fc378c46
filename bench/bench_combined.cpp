// The SMS dialog's combined send of 100,000 checked members, half of them app users: 50,000 by SMS
// (begin, 500 batches, end) and 50,000 as an app message (begin, 500 batches, end) through the
// simulated center on real HTTP, against the bare libcurl loop posting the very same bodies on a new
// connection each. The module also writes both parts' history (one smssend row, 100,000 smslist rows)
// into a real SQLite file; its progress texts split its time into the center part and the history.
//
// Reported (seconds, averaged over the iterations):
//   module      SmsSendTransaction::Run with its combined part, start to the report
//   center      module minus the two history writes
//   raw         the bare loop for both parts
// The target compares the center traffic: center <= 1.3 x raw.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <curl/curl.h>

#include "bench/benchcenter.h"
#include "bench/rawloop.h"
#include "center/vexglobal.h"
#include "combined/combinedsend.h"
#include "compose/composition.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr int kMembers = 100000;
constexpr int kBatch = 100;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

SmsSendInput InputFor() {
    SmsSendInput in = BenchCenter::Input(kMembers, kBatch);
    in.message = K("행복마트 봄맞이 할인행사 안내: 전 품목 10% 할인");
    in.draft.message = in.message;
    for (size_t i = 0; i < in.rows.size(); ++i) {
        Recipient& r = in.rows[i];
        r.appUser = i % 2 == 1;
        r.byApp = r.appUser;
        r.bySms = !r.byApp;
    }
    return in;
}

CombinedAppInput AppInputFor(const SmsSendInput& in) {
    CombinedAppInput a;
    a.storeCode = in.account.storeCode;
    a.storeName = K("행복마트");
    a.empCode = in.empCode;
    a.empName = K("김점장");
    a.message = in.message;
    a.callbackField = in.callbackField;
    a.header1 = in.header1;
    a.header3 = in.header3;
    a.rows = in.rows;
    return a;
}

struct Bodies {
    std::string smsBegin, appBegin;
    std::vector<std::string> smsLists, appLists;
};

void Split(const std::vector<std::string>& phones, std::vector<std::string>& lists) {
    std::string list;
    int inBatch = 0;
    for (const std::string& p : phones) {
        list += "}{" + p;
        if (++inBatch == kBatch) {
            lists.push_back(std::move(list));
            list.clear();
            inBatch = 0;
        }
    }
    if (inBatch > 0)
        lists.push_back(std::move(list));
}

// The bodies the module posts: the same fields, encodings and element layout (no merge fields).
Bodies BodiesFor(const SmsSendInput& in, const CombinedAppInput& app) {
    Bodies b;
    const std::string message = CvexGlobal::EncodeANSIToUTF8URL(NormalizeMessage(in.message));
    const std::string cb = CvexGlobal::GetNumberOnlyString(in.callbackField);
    std::vector<std::string> sms, apps;
    for (const Recipient& r : in.rows)
        (r.byApp ? apps : sms).push_back(r.phone);
    b.smsBegin = "work=SMSBEGIN&mart=" + std::to_string(in.account.storeCode) +
                 "&emp=" + std::to_string(in.empCode) + "&tg=0&mg=0&rsv=&tp=S&sub=&msg=" + message +
                 "&cb=" + cb + "&call=" + std::to_string(sms.size());
    b.appBegin =
        "work=SMMSBEGIN&mart=" + std::to_string(app.storeCode) + "&emp=" + std::to_string(app.empCode) +
        "&ename=" + CvexGlobal::EncodeANSIToUTF8URL(app.empName) +
        "&tt=" + CvexGlobal::EncodeANSIToUTF8URL(CombinedTitle(app.lmsTitle, app.storeName)) +
        "&msg=" + message + "&mt=1&cb=" + cb + "&url=&pop=&call=" + std::to_string(apps.size()) + "&ss=";
    Split(sms, b.smsLists);
    Split(apps, b.appLists);
    return b;
}

long long CodeOf(const std::string& reply, const char* tag) {
    const size_t at = reply.find(tag);
    return at == std::string::npos ? 0 : std::atoll(reply.c_str() + at + std::char_traits<char>::length(tag));
}

// Both parts as bare loops; false on any failure.
bool RawSend(const std::string& base, const Bodies& b, int store) {
    const std::string mart = std::to_string(store);
    long long ss = 0;
    {
        RawPoster poster(base + "/ZMSG/AppRequest.ashx");
        if (poster.Post(b.smsBegin))
            ss = CodeOf(poster.reply(), "<SS>");
        const std::string prefix = "work=SMSLIST&mart=" + mart + "&ss=" + std::to_string(ss);
        for (size_t i = 0; i < b.smsLists.size() && ss > 0; ++i)
            if (!poster.Post(prefix + "&seq=" + std::to_string(i + 1) + "&list=" + b.smsLists[i]))
                ss = 0;
        if (ss <= 0 || !poster.Post("work=SMSEND&mart=" + mart + "&ss=" + std::to_string(ss)))
            return false;
    }
    RawPoster poster(base + "/SMMS/AppRequest.ashx");
    long long ml = 0;
    if (poster.Post(b.appBegin + std::to_string(ss)))
        ml = CodeOf(poster.reply(), "<ML>");
    const std::string prefix = "work=SMMSTRAN&mart=" + mart + "&ml=" + std::to_string(ml);
    for (size_t i = 0; i < b.appLists.size() && ml > 0; ++i)
        if (!poster.Post(prefix + "&seq=" + std::to_string(i + 1) + "&tran=" + b.appLists[i]))
            ml = 0;
    return ml > 0 && poster.Post("work=SMMSEND&mart=" + mart + "&ml=" + std::to_string(ml));
}

struct Totals {
    double module = 0, center = 0, record = 0, raw = 0;
    int runs = 0;
} g_totals;

void BM_Combined100k(benchmark::State& state) {
    BenchCenter bench;
    if (!bench.ok()) {
        state.SkipWithError("simulator or settings");
        return;
    }
    SmsSendInput input = InputFor();
    const CombinedAppInput appInput = AppInputFor(input);
    const Bodies bodies = BodiesFor(input, appInput);
    const std::string base = bench.sim().BaseUrl();
    const std::string smsRecord = K("전송내역을 보관하기 위해 DB에 기록하는 중입니다.");
    const std::string appRecord = K("AlderS 문자 전송내역을 보관하기 위해 DB에 기록하는 중입니다.");
    const std::string smsRemove = K("SMS 로 전송한 대상을 리스트에서 삭제중입니다.");
    if (!bench.NewStore(0, 1e7) || !RawSend(base, bodies, BenchCenter::kStore)) {
        state.SkipWithError("warm-up");
        return;
    }
    for (auto _ : state) {
        if (!bench.NewStore(0, 1e7)) {
            state.SkipWithError("store");
            return;
        }
        const auto rawStart = Clock::now();
        const bool rawOk = RawSend(base, bodies, BenchCenter::kStore);
        const double raw = Seconds(rawStart, Clock::now());

        // The history phases: from a recording text to the next step's text (or the app part's end).
        Clock::time_point smsFrom{}, smsTo{}, appFrom{}, appTo{};
        ProgressHooks hooks;
        hooks.show = [&](bool show, const std::string& text) {
            if (!show)
                return;
            if (text == smsRecord)
                smsFrom = Clock::now();
            else if (text == smsRemove)
                smsTo = Clock::now();
            else if (text == appRecord)
                appFrom = Clock::now();
        };
        SmsSendInput in = input;
        int appSent = 0;
        in.combinedSend = [&](const SmsPartDone& done) {
            const CombinedAppResult r = SendCombined(bench.db(), appInput, done, hooks);
            appTo = Clock::now();
            appSent = r.part.sent;
            return r.part;
        };
        SmsSendTransaction send(bench.db(), in, hooks);
        const auto start = Clock::now();
        const SmsSendResult result = send.Run();
        const auto stop = Clock::now();
        state.SetIterationTime(Seconds(start, stop));
        if (result.outcome != SmsSendOutcome::Sent || result.callSent != kMembers / 2 ||
            appSent != kMembers / 2 || !rawOk || smsFrom == Clock::time_point{} ||
            appFrom == Clock::time_point{}) {
            state.SkipWithError("a send failed");
            return;
        }
        const double record = Seconds(smsFrom, smsTo) + Seconds(appFrom, appTo);
        g_totals.module += Seconds(start, stop);
        g_totals.record += record;
        g_totals.center += Seconds(start, stop) - record;
        g_totals.raw += raw;
        ++g_totals.runs;
    }
    if (g_totals.runs > 0) {
        state.counters["module_s"] = g_totals.module / g_totals.runs;
        state.counters["center_s"] = g_totals.center / g_totals.runs;
        state.counters["raw_s"] = g_totals.raw / g_totals.runs;
        state.counters["center/raw"] = g_totals.center / g_totals.raw;
    }
}

BENCHMARK(BM_Combined100k)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_totals.runs > 0) {
        const Totals& t = g_totals;
        std::printf("\nCombined send of %d members (half by app), batches of %d, mean seconds:\n", kMembers,
                    kBatch);
        std::printf("  module send (whole Run)               %9.3f\n", t.module / t.runs);
        std::printf("    center part (both parts' traffic)   %9.3f\n", t.center / t.runs);
        std::printf("    history writes (both parts)         %9.3f\n", t.record / t.runs);
        std::printf("  raw libcurl loop, same bodies         %9.3f\n", t.raw / t.runs);
        std::printf("  center part / raw (target <= 1.3)     %9.3f\n", t.center / t.raw);
        std::printf("  whole send / raw                      %9.3f\n", t.module / t.raw);
    }
    curl_global_cleanup();
    return 0;
}
