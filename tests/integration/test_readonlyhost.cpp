// The module run by an account that cannot write the host folder (chmod 555), as an installed program
// is run: everything it writes goes to its data folder, and what one run left in one place is found by
// the next, wherever that one writes. Each run is a child process; when the test runs as root (which
// ignores mode bits) the child becomes "nobody", and the folders it is to write are given to it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "center/send/sendsettle.h"
#include "center/send/sendstate.h"
#include "compose/smmsdraft.h"
#include "compose/smsdraft.h"
#include "frame/datafolder.h"
#include "frame/log.h"
#include "frame/moduleapp.h"
#include "results/resultreceiver.h"
#include "results/runlock.h"
#include "smms/uploadfile.h"
#include "tests/support/testfolders.h"
#include "text/codec.h"

namespace {

constexpr uid_t kNobody = 65534;
constexpr int64_t kCenterCode = 9000000001LL;
const char* const kDraftText = "written before";
const char* const kAppDraftText = "app message written before";

enum class Place { Host, State, Named };

// Runs body in a child process of the account that cannot write a read-only host folder; its result
// is the child's: true when every check it made held.
bool InChild(const std::function<bool()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::getuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// One run of the module writing everything it writes besides the store: the start-up line, a draft of
// each dialog, a send whose end is unknown in the journal, the receipt lock, and a window's picture.
// True when each was written in `folder`.
bool WriteEverything(const std::string& folder) {
    zmsg::LogDataFolder();
    SmsDraft draft;
    draft.message = kDraftText;
    SmmsDraft appDraft;
    appDraft.message = kAppDraftText;
    bool ok = SmsDraftPath() == folder + "ZMSG.dat" && SaveSmsDraft(SmsDraftPath(), draft, 0);
    ok = ok && SmmsDraftPath() == folder + "ZSMMS.dat" && SaveSmmsDraft(SmmsDraftPath(), appDraft, 0);
    ok = ok && SendStatePath() == folder + "ZMSGSEND.dat";
    SendState journal(SendStatePath());
    journal.Load();
    PendingSend send;
    send.kind = SendKind::App;
    send.centerCode = kCenterCode;
    send.storeCode = 1001;
    send.message = kAppDraftText;
    send.recipients = {{3, "01012345678"}};
    journal.Put(send);
    ok = ok && journal.Save();
    RunLock lock;
    ok = ok && RunLock::PathFor(CResultReceiver::kLockName) == folder + "SMSResult_IsRunning.lock" &&
         lock.TryAcquire(CResultReceiver::kLockName) == RunLock::Outcome::Held;
    zmsg::SmmsUploadFile upload;
    ok = ok && upload.Path().rfind(folder + "Alder_SMMS_Upload_", 0) == 0;
    return ok;
}

// One later run: the drafts come back and the journal's send is found, unresolved.
bool FindEverything(const std::string& journal) {
    const std::optional<SmsDraft> draft = LoadSmsDraft(SmsDraftPath());
    const std::optional<SmmsDraft> appDraft = LoadSmmsDraft(SmmsDraftPath());
    const std::optional<PendingSend> pending = UnresolvedInJournal(SendKind::App);
    return draft && draft->message == kDraftText && appDraft && appDraft->message == kAppDraftText &&
           pending && pending->centerCode == kCenterCode && SendStatePath() == journal;
}

bool Exists(const std::string& path) {
    return QFileInfo::exists(QString::fromStdString(path));
}

std::string LogOf(const std::string& folder) {
    std::string all;
    const QDir dir(QString::fromStdString(folder) + QStringLiteral("Log"));
    for (const QString& name : dir.entryList({QStringLiteral("ZMSG_*.log")}, QDir::Files)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            all += f.readAll().toStdString();
    }
    return all;
}

class ReadOnlyHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folders.ok());
        m_host = m_folders.host();
        m_state = m_folders.state() + "/zmsg/";
        m_named = m_folders.state() + "-named/";
        const std::string top = m_host.substr(0, m_host.size() - std::string("host/").size());
        ASSERT_EQ(::chmod(top.c_str(), 0755), 0);
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(m_named)));
        // The host folder's Log folder, as an installation that keeps its log there has one.
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(m_host + "Log")));
        for (const std::string& f : {m_folders.state(), m_named, m_host, m_host + "Log"})
            if (::getuid() == 0) {
                ASSERT_EQ(::chown(f.c_str(), kNobody, kNobody), 0);
            }
    }
    void TearDown() override { ::chmod(m_host.c_str(), 0755); }

    void HostWritable(bool writable) { ASSERT_EQ(::chmod(m_host.c_str(), writable ? 0755 : 0555), 0); }
    const std::string& Folder(Place place) const {
        return place == Place::Host ? m_host : place == Place::State ? m_state : m_named;
    }

    TestFolders m_folders;
    std::string m_host;
    std::string m_state;
    std::string m_named;
};

const char* const kFiles[] = {"ZMSG.dat", "ZSMMS.dat", "ZMSGSEND.dat", "ZMSGSEND.dat-lock",
                              "SMSResult_IsRunning.lock"};

struct WriteCase {
    const char* name;
    bool hostWritable;
    bool named; // the settings name a data folder
    Place expected;
};

const WriteCase kWrites[] = {
    {"read-only host folder: the user's state folder", false, false, Place::State},
    {"writable host folder: the host folder", true, false, Place::Host},
    {"a folder the settings name: that one, read-only host folder", false, true, Place::Named},
    {"a folder the settings name: that one, writable host folder", true, true, Place::Named},
};

TEST_F(ReadOnlyHost, EverythingGoesToTheDataFolder) {
    for (const WriteCase& c : kWrites) {
        SCOPED_TRACE(c.name);
        for (const Place p : {Place::Host, Place::State, Place::Named})
            for (const char* name : kFiles)
                QFile::remove(QString::fromStdString(Folder(p) + name));
        ASSERT_TRUE(m_folders.NameDataFolder(c.named ? m_named : std::string()));
        HostWritable(c.hostWritable);
        const std::string& folder = Folder(c.expected);
        EXPECT_TRUE(InChild([&] { return WriteEverything(folder); }));
        HostWritable(true);
        for (const char* name : kFiles) {
            EXPECT_TRUE(Exists(folder + name)) << folder + name;
            for (const Place p : {Place::Host, Place::State, Place::Named})
                if (p != c.expected) {
                    EXPECT_FALSE(Exists(Folder(p) + name)) << Folder(p) + name;
                }
        }
        EXPECT_NE(LogOf(folder).find(zmsg::K("데이터 폴더: ") + folder), std::string::npos) << LogOf(folder);
        // The window's picture went with the window.
        EXPECT_TRUE(QDir(QString::fromStdString(folder))
                        .entryList({QStringLiteral("Alder_SMMS_Upload_*")}, QDir::Files)
                        .isEmpty());
    }
}

// A run writes in one place; the folder changes; the next run finds the drafts and the journal's send.
struct MoveCase {
    const char* name;
    bool hostWritableBefore, namedBefore;
    Place before;
    bool hostWritableAfter, namedAfter;
    Place after;          // where the next run writes
    bool strandedJournal; // the journal stays where it was: the next run sends nothing beside it
};

const MoveCase kMoves[] = {
    {"state folder, then the host folder becomes writable", false, false, Place::State, true, false,
     Place::Host, false},
    {"host folder, then it becomes read-only", true, false, Place::Host, false, false, Place::State, true},
    {"host folder, then the settings name a folder", true, false, Place::Host, true, true, Place::Named,
     false},
    {"state folder, then the settings name a folder", false, false, Place::State, false, true, Place::Named,
     false},
};

TEST_F(ReadOnlyHost, WhatOneRunLeftTheNextFinds) {
    for (const MoveCase& c : kMoves) {
        SCOPED_TRACE(c.name);
        for (const Place p : {Place::Host, Place::State, Place::Named})
            for (const char* name : kFiles)
                QFile::remove(QString::fromStdString(Folder(p) + name));
        ASSERT_TRUE(m_folders.NameDataFolder(c.namedBefore ? m_named : std::string()));
        HostWritable(c.hostWritableBefore);
        EXPECT_TRUE(InChild([&] { return WriteEverything(Folder(c.before)); }));

        ASSERT_TRUE(m_folders.NameDataFolder(c.namedAfter ? m_named : std::string()));
        HostWritable(c.hostWritableAfter);
        const std::string before = Folder(c.before) + "ZMSGSEND.dat";
        const std::string after = Folder(c.after) + "ZMSGSEND.dat";
        EXPECT_TRUE(InChild([&] { return FindEverything(c.strandedJournal ? std::string() : after); }));
        HostWritable(true);
        // The drafts are in the new place; the journal too, and only there, unless it could not be
        // taken from where it was.
        EXPECT_TRUE(Exists(Folder(c.after) + "ZMSG.dat"));
        EXPECT_TRUE(Exists(Folder(c.after) + "ZSMMS.dat"));
        EXPECT_EQ(Exists(before), c.strandedJournal);
        EXPECT_EQ(Exists(after), !c.strandedJournal);
        if (!c.strandedJournal) {
            EXPECT_FALSE(Exists(Folder(c.before) + "ZMSG.dat"));
        }
    }
}

} // namespace
