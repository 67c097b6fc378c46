// A coupon issue to 100,000 chosen members (1,000 batches of 100) through the simulated center on real
// HTTP, against the bare libcurl loop posting the very same bodies (begin, batches, end) on a new
// connection each, in the same run. Nothing is written to the store: the module's time is the center
// traffic with the journal kept beside it.
//
// Reported (seconds, averaged over the iterations): module (CouponIssueTransaction::Run), raw (the bare
// loop) and module / raw (target <= 1.3).
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
#include "coupon/couponissue.h"

namespace {

constexpr int kMembers = 100000;
constexpr int kCoupon = 11;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

CouponIssueInput Input() {
    const SmsSendInput sms = BenchCenter::Input(kMembers, 100);
    CouponIssueInput in;
    in.storeCode = BenchCenter::kStore;
    in.empCode = 1;
    in.coupon = kCoupon;
    for (const Recipient& r : sms.rows)
        in.rows.push_back({true, r.code, r.phone});
    return in;
}

std::vector<std::string> Lists(const CouponIssueInput& in) {
    std::vector<std::string> lists;
    std::string list;
    int inBatch = 0;
    for (const CouponRow& r : in.rows) {
        list += "}{" + r.phone;
        if (++inBatch == CouponIssueTransaction::kBatchSize) {
            lists.push_back(std::move(list));
            list.clear();
            inBatch = 0;
        }
    }
    if (inBatch > 0)
        lists.push_back(std::move(list));
    return lists;
}

// Returns the issue code, 0 on any failure.
long long RawIssue(const std::string& url, const std::vector<std::string>& lists, int store) {
    RawPoster poster(url);
    const std::string mart = std::to_string(store);
    long long issue = 0;
    if (poster.Post("work=ISSUEBEGIN&mart=" + mart + "&emp=1&cp=" + std::to_string(kCoupon) + "&istp=2")) {
        const size_t at = poster.reply().find("<ISSUE>");
        issue = at == std::string::npos ? 0 : std::atoll(poster.reply().c_str() + at + 7);
    }
    const std::string prefix = "work=ISSUEUSER&mart=" + mart + "&issue=" + std::to_string(issue);
    for (size_t i = 0; i < lists.size() && issue > 0; ++i)
        if (!poster.Post(prefix + "&seq=" + std::to_string(i + 1) + "&tran=" + lists[i]))
            issue = 0;
    if (issue > 0 && !poster.Post("work=ISSUEEND&mart=" + mart + "&issue=" + std::to_string(issue)))
        issue = 0;
    return issue;
}

double g_module = 0, g_raw = 0;
int g_runs = 0;
bool g_same = true;

void BM_Coupon100k(benchmark::State& state) {
    BenchCenter bench;
    if (!bench.ok()) {
        state.SkipWithError("simulator or settings");
        return;
    }
    const CouponIssueInput input = Input();
    const std::vector<std::string> lists = Lists(input);
    const std::string url = bench.sim().BaseUrl() + CouponIssueTransaction::kPath;
    if (!bench.NewStore(0, 1e7) || RawIssue(url, lists, BenchCenter::kStore) == 0) {
        state.SkipWithError("warm-up");
        return;
    }
    for (auto _ : state) {
        if (!bench.NewStore(0, 1e7)) {
            state.SkipWithError("store");
            return;
        }
        const auto rawStart = Clock::now();
        const long long rawIssue = RawIssue(url, lists, BenchCenter::kStore);
        const double raw = Seconds(rawStart, Clock::now());

        CouponIssueTransaction issue(bench.db(), input);
        const auto start = Clock::now();
        const CouponIssueResult result = issue.Run();
        const auto stop = Clock::now();
        state.SetIterationTime(Seconds(start, stop));
        if (result.outcome != CouponIssueOutcome::Issued || result.phonesSent != kMembers || rawIssue == 0) {
            state.SkipWithError("an issue failed");
            return;
        }
        const auto moduleIssue = bench.sim().Center().CouponIssue(result.issue);
        const auto rawOne = bench.sim().Center().CouponIssue(static_cast<int>(rawIssue));
        g_same = g_same && moduleIssue && rawOne && moduleIssue->batches == rawOne->batches;
        g_module += Seconds(start, stop);
        g_raw += raw;
        ++g_runs;
    }
    state.counters["module_s"] = g_module / g_runs;
    state.counters["raw_s"] = g_raw / g_runs;
    state.counters["module/raw"] = g_module / g_raw;
}

BENCHMARK(BM_Coupon100k)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_runs > 0) {
        std::printf("\nCoupon issue to %d members, batches of %d, mean seconds over %d runs:\n", kMembers,
                    CouponIssueTransaction::kBatchSize, g_runs);
        std::printf("  module issue (whole Run)              %9.3f\n", g_module / g_runs);
        std::printf("  raw libcurl loop, same bodies         %9.3f\n", g_raw / g_runs);
        std::printf("  module / raw (target <= 1.3)          %9.3f\n", g_module / g_raw);
        std::printf("  same batches at the center (1 = yes)  %9d\n", g_same ? 1 : 0);
    }
    curl_global_cleanup();
    return 0;
}
