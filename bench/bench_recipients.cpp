// Loading a store's members into the recipient list and showing them in the grid, as the SMS dialog
// does when the host names every member: by a condition, and by a list of codes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include <QApplication>
#include <QTemporaryDir>
#include <sqlite3.h>

#include "center/db/sqldirect.h"
#include "center/phonemask.h"
#include "frame/widgets/trellisex.h"
#include "host/demodb.h"
#include "sms/recipientloader.h"
#include "sms/ui/recipientgrid.h"

namespace {

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

// A store of `members` members, made once per size: tables as the module expects them, rows put in
// with one prepared statement in one transaction.
std::string StoreWith(int members) {
    static std::map<int, std::string> made;
    if (const auto it = made.find(members); it != made.end())
        return it->second;
    const std::string path = Folder().filePath(QStringLiteral("store%1.db").arg(members)).toStdString();
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
                       "mem_apply, mem_m2date, mem_hdate, mem_status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &insert, nullptr);
    for (int code = 1; code <= members; ++code) {
        char cel[32];
        std::snprintf(cel, sizeof cel, "%s010-%04d-%04d", code % 89 == 0 ? "***" : "", code / 10000 + 1000,
                      code % 10000);
        std::string stored = cel;
        int32_t key = -1;
        if (code % 5 == 0)
            MaskPhone(cel, stored, key, 1 + code % 50);
        const std::string name = "회원" + std::to_string(code);
        sqlite3_bind_int(insert, 1, code);
        sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, stored.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 4, key);
        sqlite3_bind_int(insert, 5, (code * 37) % 50000);
        sqlite3_bind_text(insert, 6, code % 13 == 0 ? "행복상회" : "", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 7, code % 31 == 0 ? 0x1000 : 0);
        if (code % 3 == 0)
            sqlite3_bind_text(insert, 8, "2024-05-01 09:30:00.000", -1, SQLITE_STATIC);
        else
            sqlite3_bind_null(insert, 8);
        sqlite3_bind_text(insert, 9, "2024-04-30 18:05:00.000", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 10, code % 67 == 0 ? 0 : 1);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return made[members] = path;
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
