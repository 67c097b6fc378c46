#include "tests/sms/sendfixture.h"

#include <cstdio>
#include <cstdlib>

#include "center/requestclient.h"
#include "frame/moduleapp.h"
#include "host/demodb.h"
#include "tests/sms/samplesend.h"
#include "text/codec.h"

using zmsg::K;

SendFixture::SendFixture() {
    zmsg::SetRequestTimeoutScale(kTestTimeoutScale);
    m_ok = m_fx.ok() && m_folders.ok() && m_dir.isValid();
}

SendFixture::~SendFixture() {
    zmsg::SetRequestTimeoutScale(1.0);
}

std::string SendFixture::hostDir() const {
    return m_folders.host();
}

std::string SendFixture::PhoneOf(int i) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0101000%04d", i);
    return buf;
}

bool SendFixture::NewStore(int members) {
    m_db.Close();
    m_fx.sim().Reset();
    m_boxes.clear();
    m_storePath = m_dir.filePath(QStringLiteral("store%1.db").arg(++m_stores)).toStdString();
    std::remove((g_strHostDir + "ZMSGSEND.dat").c_str());
    if (!m_db.Open("sqlite:" + m_storePath) || !CreateStoreTables(m_db, nullptr))
        return false;
    if (m_db.ExecuteSQL("INSERT INTO ccode (cc_code, cc_maxcode, cc_strval) VALUES (7, 1001, '')") != 0)
        return false;
    m_db.BeginTrans();
    for (int i = 0; i < members; ++i) {
        int32_t key = -1;
        const std::string cel = StoredMemberCel(i, PhoneOf(i), key);
        const std::string sql =
            "INSERT INTO member (mem_code, mem_name, mem_cel, mem_key4, mem_point, mem_apply, "
            "mem_status) VALUES (" +
            std::to_string(i + 1) + ", '" + K("회원") + std::to_string(i + 1) + "', '" + cel + "', " +
            std::to_string(key) + ", " + std::to_string(i * 10) + ", 0, 1)";
        if (m_db.ExecuteSQL(sql.c_str()) != 0) {
            m_db.RollbackTrans();
            return false;
        }
    }
    return m_db.CommitTrans();
}

SmsSendInput SendFixture::Input(int recipients, int batchSize) const {
    return SampleSmsSend(recipients, batchSize, 1001, 5000, PhoneOf);
}

SmsSendResult SendFixture::Send(const SmsSendInput& input) {
    SmsSendTransaction t(m_db, input);
    return t.Run();
}

std::vector<LocalSend> SendFixture::History() {
    std::vector<std::vector<std::string>> rows;
    m_db.DoQuery(
        "SELECT ss_code, ss_center, ss_trcount, (SELECT COUNT(*) FROM smslist WHERE sl_sscode=ss_code), "
        "ISNULL(ss_result, 0), ss_trfail FROM smssend ORDER BY ss_code",
        rows);
    std::vector<LocalSend> out;
    for (const auto& r : rows)
        out.push_back({std::atoi(r[0].c_str()), std::atoi(r[1].c_str()), std::atoi(r[2].c_str()),
                       std::atoi(r[3].c_str()), std::atoi(r[4].c_str()), std::atoi(r[5].c_str())});
    return out;
}

SendFixture::CenterView SendFixture::Center() {
    CenterView v;
    auto& c = m_fx.sim().Center();
    for (int ss = 5001;; ++ss) {
        const auto t = c.SmsSend(ss);
        if (!t)
            break;
        if (!t->ended) {
            ++v.open;
            continue;
        }
        ++v.ended;
        for (const auto& r : t->recipients)
            v.phones.push_back(r.phone);
    }
    if (const auto s = c.StoreOf(1001))
        v.balance = s->balance;
    return v;
}

std::string SendFixture::MemberCel(int code) {
    std::vector<std::vector<std::string>> rows;
    m_db.DoQuery("SELECT mem_cel FROM member WHERE mem_code=" + std::to_string(code), rows);
    return rows.empty() ? std::string("?") : rows[0][0];
}

int SendFixture::ListResult(int localCode, int seq) {
    std::vector<std::vector<std::string>> rows;
    m_db.DoQuery("SELECT sl_result FROM smslist WHERE sl_sscode=" + std::to_string(localCode) +
                     " AND sl_seq=" + std::to_string(seq),
                 rows);
    return rows.empty() ? -1 : std::atoi(rows[0][0].c_str());
}

bool SendFixture::Exec(const std::string& sql) {
    CSQLDirect other;
    return other.Open("sqlite:" + m_storePath) && other.ExecuteSQL(sql.c_str()) == 0;
}

void SendFixture::Arm(const std::string& verb, int nth, zmsg::sim::FaultKind kind, int delayMs) {
    ArmFault(m_fx, verb, nth, kind, delayMs);
}

void SendFixture::PointAt(const std::string& host) {
    PointCenterAt(host);
}
