// Loading a store's members into the recipient list and showing them in the grid, as the SMS dialog
// does when the host names every member: by a condition, and by a list of codes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>

#include "bench/benchcenter.h"
#include "center/phonemask.h"
#include "db/sqldirect.h"
#include "frame/widgets/trellisex.h"
#include "members/recipientloader.h"
#include "sms/ui/recipientgrid.h"

namespace {

// A store of `members` members, made once per size.
std::string StoreWith(int members) {
    return MemberStoreOnce("store", members, [](int code) {
        char cel[32];
        std::snprintf(cel, sizeof cel, "%s010-%04d-%04d", code % 89 == 0 ? "***" : "", code / 10000 + 1000,
                      code % 10000);
        BenchMember m;
        m.cel = cel;
        if (code % 5 == 0)
            MaskPhone(cel, m.cel, m.key, 1 + code % 50);
        m.name = "회원" + std::to_string(code);
        m.point = (code * 37) % 50000;
        m.bzname = code % 13 == 0 ? "행복상회" : "";
        m.apply = code % 31 == 0 ? 0x1000 : 0;
        if (code % 3 == 0)
            m.m2date = "2024-05-01 09:30:00.000";
        m.hdate = "2024-04-30 18:05:00.000";
        m.status = code % 67 == 0 ? 0 : 1;
        return m;
    });
}

std::string AllCodes(int members) {
    std::string codes;
    codes.reserve(static_cast<size_t>(members) * 7);
    for (int code = 1; code <= members; ++code) {
        if (code > 1)
            codes += ',';
        codes += std::to_string(code);
    }
    return codes;
}

void LoadAndShow(benchmark::State& state, bool byCodes) {
    const int members = static_cast<int>(state.range(0));
    const std::string path = StoreWith(members);
    const RecipientLoadRequest request{0, byCodes ? AllCodes(members) : std::string(),
                                       byCodes ? std::string() : std::string("AND mem_status=1")};
    CSQLDirect db;
    if (!db.Open("sqlite:" + path))
        std::abort();
    size_t rows = 0;
    for (auto _ : state) {
        RecipientList list;
        CTrellisEx grid;
        SetupRecipientColumns(grid, 0);
        LoadRecipients(db, request, list);
        FillRecipientRows(grid, list);
        rows = list.size();
        benchmark::DoNotOptimize(grid.GetRowCount());
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_LoadByCondition(benchmark::State& state) {
    LoadAndShow(state, false);
}
void BM_LoadByCodes(benchmark::State& state) {
    LoadAndShow(state, true);
}

BENCHMARK(BM_LoadByCondition)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadByCodes)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
