#include "bench/benchcenter.h"

#include <cstdio>

#include <QDir>
#include <sqlite3.h>

#include "center/text/codec.h"
#include "center/vexconfig.h"
#include "frame/moduleapp.h"
#include "host/demodb.h"
#include "tests/sms/samplesend.h"

using zmsg::K;

BenchCenter::BenchCenter() {
    m_hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    m_previousXdg = qgetenv("XDG_CONFIG_HOME");
    if (!m_dir.isValid() || !m_sim.Start(0))
        return;
    // The host folder holds the log (when its folder exists, as on a till) and the state file.
    g_strHostDir = m_dir.path().toStdString() + "/";
    QDir(m_dir.path()).mkpath(QStringLiteral("Log"));
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
    CvexConfig config("ZMSG");
    config.SetConfigString("CENTER", "Host", m_sim.BaseUrl());
    config.SetConfigString("CENTER", "OptOutHost", m_sim.BaseUrl());
    m_previousBoxes = SetMessagePresenter([this](const std::string&, unsigned, unsigned, int, QWidget*) {
        ++m_shown;
        return static_cast<int>(IDOK);
    });
    m_ok = config.GetConfigString("CENTER", "Host") == m_sim.BaseUrl();
}

BenchCenter::~BenchCenter() {
    m_db.Close();
    m_sim.Stop();
    SetMessagePresenter(m_previousBoxes);
    g_strHostDir.clear();
    if (m_hadXdg)
        qputenv("XDG_CONFIG_HOME", m_previousXdg);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

std::string BenchCenter::PhoneOf(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "010%08d", i);
    return buf;
}

bool BenchCenter::NewStore(int members, double calls) {
    m_db.Close();
    m_sim.Reset();
    if (!m_sim.Center().SetBalance(kStore, calls))
        return false;
    m_shown = 0;
    m_storePath = m_dir.filePath(QStringLiteral("store%1.db").arg(++m_stores)).toStdString();
    std::remove((g_strHostDir + "ZMSGSEND.dat").c_str());
    {
        CSQLDirect db;
        if (!db.Open("sqlite:" + m_storePath) || !CreateStoreTables(db, nullptr) ||
            db.ExecuteSQL(("INSERT INTO ccode (cc_code, cc_maxcode, cc_strval) VALUES (7, " +
                           std::to_string(kStore) + ", '')")
                              .c_str()) != 0)
            return false;
    }
    // Members go in through one prepared statement in one transaction: the setup is not measured.
    sqlite3* raw = nullptr;
    if (sqlite3_open(m_storePath.c_str(), &raw) != SQLITE_OK) {
        sqlite3_close(raw);
        return false;
    }
    sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(raw,
                       "INSERT INTO member (mem_code, mem_name, mem_cel, mem_key4, mem_point, mem_apply, "
                       "mem_status) VALUES (?, ?, ?, ?, ?, 0, 1)",
                       -1, &insert, nullptr);
    bool ok = insert != nullptr;
    for (int i = 0; i < members && ok; ++i) {
        int32_t key = -1;
        const std::string cel = StoredMemberCel(i, PhoneOf(i), key);
        const std::string name = K("회원") + std::to_string(i + 1);
        sqlite3_bind_int(insert, 1, i + 1);
        sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, cel.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 4, key);
        sqlite3_bind_int(insert, 5, i * 10);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = sqlite3_exec(raw, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
    sqlite3_close(raw);
    return ok && m_db.Open("sqlite:" + m_storePath);
}

SmsSendInput BenchCenter::Input(int recipients, int batchSize) {
    return SampleSmsSend(recipients, batchSize, kStore, 10.0 * recipients, PhoneOf);
}
