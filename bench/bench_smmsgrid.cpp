// The app-message dialog's member grid: a store's members with app dates loaded (the app-message
// variant of the member load), shown in the grid and put through the mobile-signal filter, as the
// dialog does when the host names every member. 10,000 and 100,000 members: the second should take
// about ten times the first and at most a second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include <QApplication>
#include <QDate>
#include <QTemporaryDir>
#include <sqlite3.h>

#include "center/db/sqldirect.h"
#include "center/phonemask.h"
#include "frame/widgets/trellisex.h"
#include "host/demodb.h"
#include "smms/smmsmembers.h"
#include "smms/ui/smmsgrid.h"
#include "sms/recipientloader.h"
#include "sms/targets.h"

namespace {

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

// Every member has signalled from the app some day in the last 40; every fifth number is stored masked.
std::string StoreWith(int members) {
    static std::map<int, std::string> made;
    if (const auto it = made.find(members); it != made.end())
        return it->second;
    const std::string path = Folder().filePath(QStringLiteral("smms%1.db").arg(members)).toStdString();
    {
        CSQLDirect db;
        if (!db.Open("sqlite:" + path) || !CreateStoreTables(db, nullptr))
            std::abort();
    }
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO member (mem_code, mem_name, mem_cel, mem_key4, mem_point, mem_bzname, "
                       "mem_apply, mem_m2date, mem_status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 1)",
                       -1, &insert, nullptr);
    const QDate today = QDate::currentDate();
    for (int code = 1; code <= members; ++code) {
        char cel[32];
        std::snprintf(cel, sizeof cel, "010-%04d-%04d", code / 10000 + 1000, code % 10000);
        std::string stored = cel;
        int32_t key = -1;
        if (code % 5 == 0)
            MaskPhone(cel, stored, key, 1 + code % 50);
        const std::string name = "회원" + std::to_string(code);
        const std::string date =
            today.addDays(-(code % 40)).toString(QStringLiteral("yyyy-MM-dd")).toStdString() +
            " 09:30:00.000";
        sqlite3_bind_int(insert, 1, code);
        sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, stored.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 4, key);
        sqlite3_bind_int(insert, 5, (code * 37) % 50000);
        sqlite3_bind_text(insert, 6, code % 13 == 0 ? "행복상회" : "", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 7, code % 31 == 0 ? 0x1000 : 0);
        sqlite3_bind_text(insert, 8, date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return made[members] = path;
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
