// The result receipt of one send of 10,000 and of 100,000 recipients: the send goes through the module
// and the simulated center (one in ten numbers fails delivery), its history is aged two days, and
// CResultReceiver::Run fetches the results, writes them to smslist and smssend and moves the members'
// failure stars. Only the Run is timed; the progress texts it shows split it into the fetch, the
// history updates and the members' stars.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDateTime>

#include "bench/benchcenter.h"
#include "center/text/codec.h"
#include "results/resultreceiver.h"
#include "sms/smssend.h"

using zmsg::K;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

struct Figures {
    double run = 0;
    double fetch = 0;   // start .. results applied begin (purge, query, SMSRESULT)
    double history = 0; // smslist updates
    double members = 0; // stars, smssend row, commit, SMSRESULTOK
    long long results = 0;
    long long failed = 0;
    long long starsChanged = 0;
    bool ok = false;
};
std::map<int, Figures> g_figures;

long long Count(CSQLDirect& db, const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    return db.DoQuery(sql, rows) && !rows.empty() ? std::atoll(rows[0][0].c_str()) : -1;
}

std::map<std::string, std::string> Cels(CSQLDirect& db) {
    std::vector<std::vector<std::string>> rows;
    db.DoQuery("SELECT mem_code, mem_cel FROM member", rows);
    std::map<std::string, std::string> out;
    for (auto& r : rows)
        out[r[0]] = r[1];
    return out;
}

void BM_Receipt(benchmark::State& state) {
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
    const std::string applyText = K("수신받은 문자전송결과를 전송내역 DB에 적용중...");
    const std::string membersText = K("회원정보에 문자전송결과를 반영하는 중입니다.");
    Figures f;
    for (auto _ : state) {
        if (!bench.NewStore(n, 10.0 * n)) {
            state.SkipWithError("store");
            return;
        }
        const SmsSendResult sent = SmsSendTransaction(bench.db(), BenchCenter::Input(n, 1000)).Run();
        if (sent.outcome != SmsSendOutcome::Sent || sent.callSent != n) {
            state.SkipWithError("send");
            return;
        }
        // Sent two days ago: between the 24 hours and the two months the receipt looks at.
        const std::string when = QDateTime::currentDateTime()
                                     .addSecs(-2 * 24 * 3600)
                                     .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                                     .toStdString();
        if (bench.db().ExecuteSQL(
                ("UPDATE smssend SET ss_idate='" + when + "' WHERE ss_code=" + std::to_string(sent.localCode))
                    .c_str()) != 0) {
            state.SkipWithError("age");
            return;
        }
        const auto before = Cels(bench.db());
        const int shownBefore = bench.shown();

        Clock::time_point atApply{}, atMembers{};
        ProgressHooks hooks;
        hooks.show = [&](bool show, const std::string& text) {
            if (show && text == applyText)
                atApply = Clock::now();
            else if (show && text == membersText)
                atMembers = Clock::now();
        };
        CResultReceiver receiver(&bench.db(), 0);
        const auto start = Clock::now();
        const int rc = receiver.Run(hooks);
        const auto stop = Clock::now();
        state.SetIterationTime(Seconds(start, stop));

        const std::string code = std::to_string(sent.localCode);
        f.run = Seconds(start, stop);
        f.fetch = Seconds(start, atApply);
        f.history = Seconds(atApply, atMembers);
        f.members = Seconds(atMembers, stop);
        f.results =
            Count(bench.db(), "SELECT COUNT(*) FROM smslist WHERE sl_sscode=" + code + " AND sl_result<>0");
        f.failed =
            Count(bench.db(), "SELECT COUNT(*) FROM smslist WHERE sl_sscode=" + code + " AND sl_result=2");
        const auto after = Cels(bench.db());
        f.starsChanged = 0;
        for (const auto& [member, cel] : after)
            f.starsChanged += before.at(member) != cel ? 1 : 0;
        f.ok = rc == 1 && bench.shown() == shownBefore && f.results == n && f.failed == n / 10 &&
               Count(bench.db(), "SELECT COUNT(*) FROM smssend WHERE ss_code=" + code +
                                     " AND ss_result=1 AND ss_trfail=" + std::to_string(n / 10)) == 1;
        if (!f.ok) {
            state.SkipWithError("the receipt did not apply every result");
            return;
        }
    }
    g_figures[n] = f;
    state.counters["results"] = static_cast<double>(f.results);
    state.counters["failed"] = static_cast<double>(f.failed);
    state.counters["stars_changed"] = static_cast<double>(f.starsChanged);
    state.counters["history_s"] = f.history;
    state.counters["members_s"] = f.members;
}

BENCHMARK(BM_Receipt)->Arg(10000)->Arg(100000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nResult receipt (CResultReceiver::Run), seconds:\n");
    std::printf("  %8s %9s %9s %9s %9s %8s %8s %8s\n", "results", "run", "fetch", "history", "members",
                "failed", "stars", "applied");
    for (const auto& [n, f] : g_figures)
        std::printf("  %8d %9.3f %9.3f %9.3f %9.3f %8lld %8lld %8s\n", n, f.run, f.fetch, f.history,
                    f.members, f.failed, f.starsChanged, f.ok ? "all" : "NO");
    if (g_figures.count(10000) && g_figures.count(100000)) {
        const double ratio = g_figures[100000].run / g_figures[10000].run;
        std::printf("  100,000 / 10,000 = %.2f (linear: 10)   target: 100,000 in at most 2 s\n", ratio);
    }
    return 0;
}
