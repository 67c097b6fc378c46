// The app-message result receipt of one message to 10,000 and to 100,000 members: the message is made
// at the simulated center (batches of 100) and kept in the history with masked numbers as the send
// leaves it (one in ten numbers fails delivery; one member in twenty had a failure counted before),
// aged two days, and CSmmsResultReceiver::Run fetches the results, writes them to smslist and smssend
// and moves the members' counters. Only the Run is timed; its progress texts split it into the fetch,
// the history updates and the members' counters.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "bench/benchcenter.h"
#include "center/text/codec.h"
#include "results/smmsresultreceiver.h"
#include "tests/results/appsend.h"

using zmsg::K;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

struct Figures {
    double run = 0;
    double fetch = 0;   // start .. results applied begin (journal, query, SMMSRESULT)
    double history = 0; // smslist updates
    double members = 0; // counters, smssend row, commit
    long long results = 0;
    long long failed = 0;
    long long counters = 0; // members whose counter changed
    bool ok = false;
};
std::map<int, Figures> g_figures;

long long Count(CSQLDirect& db, const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    return db.DoQuery(sql, rows) && !rows.empty() ? std::atoll(rows[0][0].c_str()) : -1;
}

std::map<std::string, std::string> Counters(CSQLDirect& db) {
    std::vector<std::vector<std::string>> rows;
    db.DoQuery("SELECT mem_code, ISNULL(mem_smmsfail, 0) FROM member", rows);
    std::map<std::string, std::string> out;
    for (auto& r : rows)
        out[r[0]] = r[1];
    return out;
}

void BM_SmmsReceipt(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    // A quadratic receipt would take hours at 100,000: measured only when 10,000 stayed in bounds.
    if (n > 10000 && g_figures.count(10000) && g_figures[10000].run * (n / 10000.0) * (n / 10000.0) > 600) {
        state.SkipWithError("not run: 10,000 results took too long (quadratic estimate over 10 minutes)");
        return;
    }
    BenchCenter bench;
    if (!bench.ok()) {
        state.SkipWithError("simulator or settings");
        return;
    }
    const std::string applyText = K("수신받은 SMMS결과를 전송내역 DB에 적용중...");
    const std::string membersText = K("회원정보에 SMMS전송결과를 반영하는 중입니다.");
    Figures f;
    for (auto _ : state) {
        if (!bench.NewStore(n, 10.0 * n)) {
            state.SkipWithError("store");
            return;
        }
        std::vector<std::pair<int, std::string>> members;
        members.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            members.emplace_back(i + 1, BenchCenter::PhoneOf(i));
        const auto sent = MakeAppSend(bench.db(), members, 2 * 24 * 3600);
        if (!sent || sent->sent != n ||
            bench.db().ExecuteSQL("UPDATE member SET mem_smmsfail=1 WHERE mem_code % 20 = 2") != 0) {
            state.SkipWithError("send");
            return;
        }
        const auto before = Counters(bench.db());
        const int shownBefore = bench.shown();

        Clock::time_point atApply{}, atMembers{};
        ProgressHooks hooks;
        hooks.show = [&](bool show, const std::string& text) {
            if (show && text == applyText)
                atApply = Clock::now();
            else if (show && text == membersText)
                atMembers = Clock::now();
        };
        CSmmsResultReceiver receiver(&bench.db(), 0);
        const auto start = Clock::now();
        const int rc = receiver.Run(hooks);
        const auto stop = Clock::now();
        state.SetIterationTime(Seconds(start, stop));

        const std::string code = std::to_string(sent->localCode);
        f.run = Seconds(start, stop);
        f.fetch = Seconds(start, atApply);
        f.history = Seconds(atApply, atMembers);
        f.members = Seconds(atMembers, stop);
        f.results =
            Count(bench.db(), "SELECT COUNT(*) FROM smslist WHERE sl_sscode=" + code + " AND sl_result<>0");
        f.failed =
            Count(bench.db(), "SELECT COUNT(*) FROM smslist WHERE sl_sscode=" + code + " AND sl_result=2");
        const auto after = Counters(bench.db());
        f.counters = 0;
        for (const auto& [member, value] : after)
            f.counters += before.at(member) != value ? 1 : 0;
        f.ok = rc == 1 && bench.shown() == shownBefore && f.results == n && f.failed == n / 10 &&
               Count(bench.db(), "SELECT COUNT(*) FROM smssend WHERE ss_code=" + code +
                                     " AND ss_smms_result=1 AND ss_smms_fail=" + std::to_string(n / 10)) == 1;
        if (!f.ok) {
            state.SkipWithError("the receipt did not apply every result");
            return;
        }
    }
    g_figures[n] = f;
    state.counters["results"] = static_cast<double>(f.results);
    state.counters["failed"] = static_cast<double>(f.failed);
    state.counters["counters_changed"] = static_cast<double>(f.counters);
    state.counters["history_s"] = f.history;
    state.counters["members_s"] = f.members;
}

BENCHMARK(BM_SmmsReceipt)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nApp-message result receipt (CSmmsResultReceiver::Run), seconds:\n");
    std::printf("  %8s %9s %9s %9s %9s %8s %8s %8s\n", "results", "run", "fetch", "history", "members",
                "failed", "counters", "applied");
    for (const auto& [n, f] : g_figures)
        std::printf("  %8d %9.3f %9.3f %9.3f %9.3f %8lld %8lld %8s\n", n, f.run, f.fetch, f.history,
                    f.members, f.failed, f.counters, f.ok ? "all" : "NO");
    if (g_figures.count(10000) && g_figures.count(100000)) {
        const double ratio = g_figures[100000].run / g_figures[10000].run;
        std::printf("  100,000 / 10,000 = %.2f (linear: 10)   target: 100,000 in at most 2 s\n", ratio);
    }
    return 0;
}
