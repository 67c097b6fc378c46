// The opt-out cycle's two heavy steps. The download of 1,000 and 10,000 new refusal requests from the
// simulated opt-out server (in-process, real HTTP), three in ten of them from callers who already have
// an open request, stored into a store file: authentication, CALLLIST, checks, storing, superseding.
// And the refusal list of one month with 1,000 requests against 100,000 members.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "bench/benchcenter.h"
#include "optout/optoutprotocol.h"
#include "optout/refusallist.h"
#include "optout/refusalstore.h"
#include "text/codec.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double seconds = 0;
    int stored = 0;
    int superseded = 0;
    size_t rows = 0;
    int matched = 0;
};
std::map<int, Figures> g_download;
Figures g_list;
std::string g_plan;

std::string Day(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "2025-02-%02d", 1 + i / 86400 % 28);
    return buf;
}

std::string Time(int i) {
    const int s = i % 86400;
    return std::to_string(s / 3600 * 10000 + s / 60 % 60 * 100 + s % 60);
}

void BM_Download(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int again = n * 3 / 10;
    BenchCenter bench;
    if (!bench.ok()) {
        state.SkipWithError("simulator or settings");
        return;
    }
    Figures f;
    for (auto _ : state) {
        if (!bench.NewStore(0, 0)) {
            state.SkipWithError("store");
            return;
        }
        // The callers who call again have an open request from January.
        std::vector<RefusalRequest> earlier;
        for (int i = 0; i < again; ++i)
            earlier.push_back({"20250110", std::to_string(i), "0807001001", BenchCenter::PhoneOf(i)});
        if (!StoreRequests(bench.db(), earlier, 1).ok) {
            state.SkipWithError("earlier requests");
            return;
        }
        for (int i = 0; i < n; ++i)
            bench.sim().OptOut().AddRequest(BenchCenter::kStore,
                                            {Day(i), Time(i), "", BenchCenter::PhoneOf(i)});
        const auto start = Clock::now();
        const OptOutAuth auth =
            AuthenticateOptOut("123-45-67890", BenchCenter::kStore, AuthFormatTextRefuseList());
        const DownloadOutcome d = DownloadRequests(bench.db(), auth.sessionId, 1);
        const auto stop = Clock::now();
        f.seconds = std::chrono::duration<double>(stop - start).count();
        state.SetIterationTime(f.seconds);
        f.stored = d.store.stored;
        f.superseded = d.store.superseded;
        // The simulator's store also holds its three sample calls of March.
        if (!d.completed || f.stored != n + 3 || f.superseded != again) {
            state.SkipWithError(("download: " + zmsg::Cp949ToUtf8(d.notice.text) + " stored " +
                                 std::to_string(f.stored) + " superseded " + std::to_string(f.superseded))
                                    .c_str());
            return;
        }
    }
    g_download[n] = f;
    state.counters["stored"] = f.stored;
    state.counters["superseded"] = f.superseded;
}

BENCHMARK(BM_Download)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_RefusalList(benchmark::State& state) {
    BenchCenter bench;
    if (!bench.ok() || !bench.NewStore(100000, 0)) {
        state.SkipWithError("store");
        return;
    }
    // A month with 1,000 requests: every other one from a member's number (each ending is shared by
    // ten members), the others from numbers no member has. A month before holds as many again.
    std::vector<RefusalRequest> requests;
    for (int i = 0; i < 1000; ++i) {
        const std::string phone = i % 2 ? BenchCenter::PhoneOf(i * 97) : "0199" + std::to_string(1000000 + i);
        requests.push_back({"202502" + std::string(i % 28 < 9 ? "0" : "") + std::to_string(i % 28 + 1),
                            std::to_string(i), "0807001001", phone});
        requests.push_back(
            {"20250115", std::to_string(i), "0807001001", "0188" + std::to_string(1000000 + i)});
    }
    if (!StoreRequests(bench.db(), requests, 1).ok) {
        state.SkipWithError("requests");
        return;
    }
    const RefusalFilter filter{20250201, 20250228, -1, -1, ""};
    std::vector<std::vector<std::string>> plan;
    bench.db().DoQuery("EXPLAIN QUERY PLAN " + RefusalQuerySql(filter), plan);
    for (const auto& row : plan)
        g_plan += "    " + row.back() + "\n";
    for (auto _ : state) {
        const auto start = Clock::now();
        const RefusalQuery q = QueryRequests(bench.db(), filter);
        const auto stop = Clock::now();
        g_list.seconds = std::chrono::duration<double>(stop - start).count();
        state.SetIterationTime(g_list.seconds);
        if (!q.ok) {
            state.SkipWithError("query");
            return;
        }
        g_list.rows = q.rows.size();
        g_list.matched = 0;
        for (const RefusalRow& r : q.rows)
            g_list.matched += r.memberCode != 0 ? 1 : 0;
    }
    state.counters["rows"] = static_cast<double>(g_list.rows);
    state.counters["matched"] = g_list.matched;
}

BENCHMARK(BM_RefusalList)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nDownload and store (AuthenticateOptOut + DownloadRequests), seconds:\n");
    for (const auto& [n, f] : g_download)
        std::printf("  %6d requests %8.3f  stored %d, superseded %d\n", n, f.seconds, f.stored, f.superseded);
    if (g_download.count(1000) && g_download.count(10000))
        std::printf("  10,000 / 1,000 = %.2f (linear: 10)   target: 10,000 in at most 2 s\n",
                    g_download[10000].seconds / g_download[1000].seconds);
    std::printf("\nRefusal list, one month of 1,000 requests, 100,000 members: %.3f s, %zu rows, %d with a "
                "member   target: at most 1 s\n",
                g_list.seconds, g_list.rows, g_list.matched);
    std::printf("  plan:\n%s", g_plan.c_str());
    return 0;
}
