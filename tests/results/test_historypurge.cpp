// The purge on a real store: which sends go (older than 100 days, beyond the newest 100, at most 50 a
// run, lowest codes first, never one still waiting for its results within two months) and that
// recipients never outlive their send.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QTemporaryDir>

#include "db/sqldirect.h"
#include "frame/log.h"
#include "host/demodb.h"
#include "results/historypurge.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/testfolders.h"

namespace {

class PurgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folders.ok() && m_dir.isValid());
        ASSERT_TRUE(m_db.Open("sqlite:" + m_dir.filePath(QStringLiteral("store.db")).toStdString()));
        ASSERT_TRUE(CreateStoreTables(m_db, nullptr));
    }
    // Sends with codes 1..n, `old` of them (the lowest) 101 days old, the rest a day old; two
    // recipients each. The lowest `pending` still wait for their results; the others have them.
    // Waiting sends that are not old were sent `waitedDays` ago, counted from two months back when
    // `fromTwoMonths` (the edge of the receipt's window; two months are 59 to 62 days).
    void Fill(int n, int old, int pending = 0, int waitedDays = 1, bool fromTwoMonths = false) {
        ASSERT_TRUE(m_db.BeginTrans());
        const QDateTime now = QDateTime::currentDateTime();
        for (int code = 1; code <= n; ++code) {
            QDateTime at = now.addDays(code <= old ? -101 : -1);
            if (code > old && code <= pending)
                at = (fromTwoMonths ? now.addMonths(-2) : now).addDays(-waitedDays);
            const std::string when = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toStdString();
            const std::string c = std::to_string(code);
            ASSERT_EQ(
                m_db.ExecuteSQL(("INSERT INTO smssend (ss_code, ss_idate, ss_trcount, ss_center, ss_result) "
                                 "VALUES (" +
                                 c + ", '" + when + "', 2, " + c + ", " + (code <= pending ? "0" : "1") + ")")
                                    .c_str()),
                0);
            for (int seq = 1; seq <= 2; ++seq)
                ASSERT_EQ(m_db.ExecuteSQL(
                              ("INSERT INTO smslist (sl_sscode, sl_seq, sl_ref, sl_phone, sl_key) VALUES (" +
                               c + ", " + std::to_string(seq) + ", 0, '01012345678', -1)")
                                  .c_str()),
                          0);
        }
        ASSERT_TRUE(m_db.CommitTrans());
    }
    std::vector<int> Codes() {
        std::vector<std::vector<std::string>> rows;
        m_db.DoQuery("SELECT ss_code FROM smssend ORDER BY ss_code", rows);
        std::vector<int> out;
        for (const auto& r : rows)
            out.push_back(std::atoi(r[0].c_str()));
        return out;
    }
    int Orphans() {
        std::vector<std::vector<std::string>> rows;
        m_db.DoQuery("SELECT COUNT(*) FROM smslist WHERE sl_sscode NOT IN (SELECT ss_code FROM smssend)",
                     rows);
        return std::atoi(rows[0][0].c_str());
    }
    TestFolders m_folders;
    QTemporaryDir m_dir;
    CSQLDirect m_db;
    ScriptedMessages m_boxes;
};

TEST_F(PurgeTest, WhichSendsGo) {
    struct Case {
        const char* name;
        int sends;
        int old;
        int pending;
        int deleted;
        int lowestLeft;
        int waitedDays = 1; // the waiting sends', from two months back when fromTwoMonths
        bool fromTwoMonths = false;
    };
    const Case cases[] = {
        {"120 young sends: the 20 lowest", 120, 0, 0, 20, 21},
        {"300 old sends: 50 a run", 300, 300, 0, 50, 51},
        {"30 sends, one 101 days old", 30, 1, 0, 1, 2},
        {"nothing to do", 10, 0, 0, 0, 1},
        // Waiting for results within two months: spared beyond the newest 100, to the last day.
        {"120 young sends, the 5 lowest waiting", 120, 0, 5, 15, 1},
        {"120 sends, the 5 lowest waiting a day inside two months", 120, 0, 5, 15, 1, -1, true},
        {"120 sends, the 5 lowest waiting a day beyond two months", 120, 0, 5, 20, 21, 1, true},
        // Beyond two months nothing more will come.
        {"30 sends, the old one still waiting", 30, 1, 1, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* sql : {"DELETE FROM smslist", "DELETE FROM smssend"}) {
            const int rc = m_db.ExecuteSQL(sql);
            ASSERT_TRUE(rc == SQL_OK || rc == SQL_NODATA);
        }
        Fill(c.sends, c.old, c.pending, c.waitedDays, c.fromTwoMonths);
        std::vector<std::string> shown;
        ProgressHooks progress;
        progress.show = [&](bool, const std::string& text) { shown.push_back(text); };
        EXPECT_EQ(PurgeHistory(m_db, 0, progress), c.deleted);
        const auto codes = Codes();
        EXPECT_EQ(codes.size(), static_cast<size_t>(c.sends - c.deleted));
        EXPECT_EQ(codes.front(), c.lowestLeft);
        EXPECT_EQ(Orphans(), 0);
        EXPECT_EQ(shown.size(), static_cast<size_t>(1 + c.deleted));
    }
    EXPECT_TRUE(m_boxes.texts().empty());
}

TEST_F(PurgeTest, FailureStopsWithItsMessage) {
    Fill(120, 0);
    CSQLDirect other;
    ASSERT_TRUE(other.Open("sqlite:" + m_dir.filePath(QStringLiteral("store.db")).toStdString()));
    ASSERT_EQ(other.ExecuteSQL("ALTER TABLE smslist RENAME TO smslist_away"), 0);
    EXPECT_EQ(PurgeHistory(m_db, 0, {}), 0);
    EXPECT_EQ(m_boxes.texts(), std::vector<std::string>{"로컬 전송상세내역을 삭제할 수 없습니다.(SQL오류)"});
    EXPECT_EQ(Codes().size(), 120u);
}

} // namespace
