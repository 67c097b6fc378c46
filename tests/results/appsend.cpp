#include "tests/results/appsend.h"

#include <cstdlib>

#include <QDateTime>

#include "center/centerconfig.h"
#include "center/phonemask.h"
#include "center/replyreader.h"
#include "center/requestclient.h"
#include "db/sqldirect.h"

namespace {

std::string Post(const std::string& body) {
    std::string reply;
    if (!RequestPost(zmsg::CenterUrl("/SMMS/AppRequest.ashx"), body, reply, 0, ConnectionUse::Fresh))
        return {};
    return zmsg::ConvertReply(reply);
}

int Number(CSQLDirect& db, const std::string& sql, int fallback) {
    std::vector<std::vector<std::string>> rows;
    if (!db.DoQuery(sql, rows) || rows.empty() || rows[0].empty() || rows[0][0].empty())
        return fallback;
    return std::atoi(rows[0][0].c_str());
}

} // namespace

std::optional<AppSend> MakeAppSend(CSQLDirect& db, const std::vector<std::pair<int, std::string>>& recipients,
                                   int ageSeconds, bool withSmsRows) {
    const int n = static_cast<int>(recipients.size());
    const std::string begin =
        Post("work=SMMSBEGIN&mart=1001&emp=1&ename=a&tt=t&msg=m&mt=1&cb=0212345678&url=&pop=&call=" +
             std::to_string(n) + "&ss=0");
    if (!zmsg::IsPositiveReply(begin, 12))
        return std::nullopt;
    AppSend send;
    send.ml = zmsg::ElementInt64(begin, "ML");
    const std::string ml = std::to_string(send.ml);
    for (int from = 0, seq = 1; from < n; from += 100, ++seq) {
        std::string tran;
        for (int i = from; i < n && i < from + 100; ++i)
            tran += "}{" + recipients[static_cast<size_t>(i)].second;
        if (!zmsg::IsPositiveReply(
                Post("work=SMMSTRAN&mart=1001&ml=" + ml + "&seq=" + std::to_string(seq) + "&tran=" + tran),
                4))
            return std::nullopt;
    }
    const std::string end = Post("work=SMMSEND&mart=1001&ml=" + ml + "&alluser=0&m2date=-1");
    if (!zmsg::IsPositiveReply(end, 4))
        return std::nullopt;
    send.sent = zmsg::ElementInt(end, "CALL_SENT");

    send.localCode = Number(db, "SELECT MAX(ss_code) FROM smssend", 0) + 1;
    const std::string when = QDateTime::currentDateTime()
                                 .addSecs(-ageSeconds)
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                                 .toStdString();
    const std::string code = std::to_string(send.localCode);
    if (!db.BeginTrans())
        return std::nullopt;
    bool ok = db.ExecuteSQL(
                  ("INSERT INTO smssend (ss_code, ss_msg, ss_callback, ss_emp, ss_target, ss_trcount, "
                   "ss_trfail, ss_reserve, ss_reservedate, ss_idate, ss_center, ss_result, ss_resultdate, "
                   "ss_smms_center, ss_smms_count, ss_smms_fail, ss_smms_result, ss_smms_resultdate) "
                   "VALUES (" +
                   code + ",'m','0212345678',1,0," + std::to_string(withSmsRows ? n : 0) + ",0,0,NULL,'" +
                   when + "',0,0,NULL," + ml + "," + std::to_string(send.sent) + ",0,0,NULL)")
                      .c_str()) == 0;
    for (int type = 1; ok && type >= (withSmsRows ? 0 : 1); --type)
        for (int i = 0; ok && i < n; ++i) {
            std::string masked;
            int32_t key = -1;
            MaskPhone(recipients[static_cast<size_t>(i)].second, masked, key);
            const int seq = type == 1 ? i + 1 : n + i + 1;
            ok =
                db.ExecuteSQL(("INSERT INTO smslist (sl_sscode, sl_seq, sl_ref, sl_phone, sl_key, sl_result, "
                               "sl_sendtype) VALUES (" +
                               code + "," + std::to_string(seq) + "," +
                               std::to_string(recipients[static_cast<size_t>(i)].first) + ",'" + masked +
                               "'," + std::to_string(key) + ",0," + std::to_string(type) + ")")
                                  .c_str()) == 0;
        }
    if (!ok) {
        db.RollbackTrans();
        return std::nullopt;
    }
    return db.CommitTrans() ? std::optional<AppSend>(send) : std::nullopt;
}

int AppRowResult(CSQLDirect& db, int localCode, int seq) {
    return Number(db,
                  "SELECT sl_result FROM smslist WHERE sl_sscode=" + std::to_string(localCode) +
                      " AND sl_seq=" + std::to_string(seq),
                  -1);
}

int SmmsFail(CSQLDirect& db, int memberCode) {
    return Number(
        db, "SELECT ISNULL(mem_smmsfail, -1) FROM member WHERE mem_code=" + std::to_string(memberCode), -2);
}
