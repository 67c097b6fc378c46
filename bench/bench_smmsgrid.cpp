// The app-message dialog's member grid: a store's members with app dates loaded (the app-message
// variant of the member load), shown in the grid and put through the mobile-signal filter, as the
// dialog does when the host names every member. 10,000 and 100,000 members: the second should take
// about ten times the first and at most a second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QDate>

#include "bench/benchcenter.h"
#include "center/phonemask.h"
#include "db/sqldirect.h"
#include "frame/widgets/trellisex.h"
#include "members/recipientloader.h"
#include "members/targets.h"
#include "smms/smmsmembers.h"
#include "smms/ui/smmsgrid.h"

namespace {

// Every member has signalled from the app some day in the last 40; every fifth number is stored masked.
std::string StoreWith(int members) {
    const QDate today = QDate::currentDate();
    return MemberStoreOnce("smms", members, [&today](int code) {
        char cel[32];
        std::snprintf(cel, sizeof cel, "010-%04d-%04d", code / 10000 + 1000, code % 10000);
        BenchMember m;
        m.cel = cel;
        if (code % 5 == 0)
            MaskPhone(cel, m.cel, m.key, 1 + code % 50);
        m.name = "회원" + std::to_string(code);
        m.point = (code * 37) % 50000;
        m.bzname = code % 13 == 0 ? "행복상회" : "";
        m.apply = code % 31 == 0 ? 0x1000 : 0;
        m.m2date = today.addDays(-(code % 40)).toString(QStringLiteral("yyyy-MM-dd")).toStdString() +
                   " 09:30:00.000";
        return m;
    });
}

void BM_LoadShowAndFilter(benchmark::State& state) {
    const int members = static_cast<int>(state.range(0));
    const std::string path = StoreWith(members);
    RecipientLoadRequest request;
    request.condition = "AND mem_status=1";
    request.variant = RecipientLoadVariant::AppMessage;
    CSQLDirect db;
    if (!db.Open("sqlite:" + path))
        std::abort();
    const std::string limit = SignalLimitDate(QDate::currentDate(), 3);
    size_t rows = 0;
    int checked = 0;
    for (auto _ : state) {
        RecipientList list;
        CTrellisEx grid;
        SetupSmmsColumns(grid);
        LoadRecipients(db, request, list);
        FillSmmsRows(grid, list);
        checked = ApplySmmsSignalFilter(list, limit);
        ShowSmmsChecks(grid, list);
        rows = list.size();
        benchmark::DoNotOptimize(grid.GetRowCount());
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["checked"] = checked;
}

BENCHMARK(BM_LoadShowAndFilter)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
