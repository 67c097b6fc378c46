// What the SMS dialog's tests open it over: the sample store database in a file of the test's own,
// the simulated center, and a host folder of the test's own for the draft and the send state.
#pragma once

#include <memory>
#include <string>

#include <QDateTime>
#include <QObject>

#include "db/sqldirect.h"
#include "frame/clock.h"
#include "tests/support/simfixture.h"
#include "tests/support/testfolders.h"

class DialogStore {
public:
    DialogStore();
    ~DialogStore();
    DialogStore(const DialogStore&) = delete;
    DialogStore& operator=(const DialogStore&) = delete;

    bool ok() const { return m_ok; }
    SimFixture& fx() { return m_fx; }
    CSQLDirect* db() { return &m_db; }
    // The first column of the first row, or "?" when there is none.
    std::string Query(const std::string& sql);

private:
    SimFixture m_fx;
    TestFolders m_folders;
    CSQLDirect m_db;
    bool m_ok = false;
};

// A dialog test's base: a fresh store for every test function (Open() from init(), Close() from
// cleanup()), so no test sees another's rows, draft or clock.
class DialogTest : public QObject {
protected:
    bool Open() {
        m_store = std::make_unique<DialogStore>();
        m_db = m_store->db();
        m_fx = &m_store->fx();
        return m_store->ok();
    }
    void Close() {
        zmsg::Clock::setFixed(QDateTime());
        m_fx = nullptr;
        m_db = nullptr;
        m_store.reset();
    }

    std::unique_ptr<DialogStore> m_store;
    CSQLDirect* m_db = nullptr;
    SimFixture* m_fx = nullptr;
};

// A named child of a dialog; a missing one is reported, so the failing check names it.
template <typename T> T* FindChild(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qWarning("no child %s", name);
    return child;
}
