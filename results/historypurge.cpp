#include "results/historypurge.h"

#include "center/vexglobal.h"
#include "db/sqldirect.h"
#include "frame/clock.h"
#include "frame/log.h"
#include "text/codec.h"

using zmsg::K;

namespace {

bool Succeeded(int rc) {
    return rc == SQL_OK || rc == SQL_OK_INFO || rc == SQL_NODATA;
}

} // namespace

int PurgeHistory(CSQLDirect& db, int32_t ssCode, const ProgressHooks& progress) {
    const std::string cutoff =
        zmsg::Clock::now().addSecs(-8640000).date().toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    progress.Show(cutoff + K(" 일 이전 전송내역 삭제중..."));
    progress.Corner(ssCode != 0 ? 0 : 2);
    progress.TopMost(ssCode == 0);
    progress.Range(0);

    std::vector<std::vector<std::string>> rows;
    // Both limits stay, but a send still waiting for its results inside the receipt's two-month window
    // is spared: a busy store would otherwise lose sends before their results arrive.
    const std::string sql =
        "SELECT TOP 50 ss_code, ss_idate, ss_trcount FROM smssend WHERE (ss_idate < '" + cutoff +
        "' OR ss_code NOT IN (SELECT TOP 100 ss_code FROM smssend ORDER BY ss_code DESC)) "
        "AND NOT ((ss_result=0 OR ss_result IS NULL) AND ss_trcount > 0 "
        "AND ss_idate > DATEADD(month, -2, GETDATE())) ORDER BY ss_code";
    if (!db.DoQuery(sql, rows)) {
        WriteLog(db.GetLastError(), 0);
        LogAndShow(K("삭제할 로컬 전송내역을 참조할 수 없습니다.(SQL오류)"), 1);
        return 0;
    }
    WriteLog(cutoff + K(" 일 이전 전송내역 ") + std::to_string(rows.size()) + K("건 삭제"), 0);
    progress.Range(static_cast<int>(rows.size()));
    int deleted = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        if (row.size() < 3)
            continue;
        progress.Pos(static_cast<int>(i + 1));
        progress.Show(row[1].substr(0, 16) + K(" 에 전송한 ") + CvexGlobal::GetMoneyString(row[2]) +
                      K("건 내역 삭제중..."));
        // The code comes back from the database, but it still goes into a statement: numbers only.
        const std::string code = std::to_string(std::atoi(row[0].c_str()));
        if (!Succeeded(db.ExecuteSQL(("DELETE smslist WHERE sl_sscode=" + code).c_str()))) {
            WriteLog(db.GetLastError(), 0);
            LogAndShow(K("로컬 전송상세내역을 삭제할 수 없습니다.(SQL오류)"), 1);
            return deleted;
        }
        if (!Succeeded(db.ExecuteSQL(("DELETE smssend WHERE ss_code=" + code).c_str()))) {
            WriteLog(db.GetLastError(), 0);
            LogAndShow(K("로컬 전송내역을 삭제할 수 없습니다.(SQL오류)"), 1);
            return deleted;
        }
        ++deleted;
    }
    return deleted;
}
