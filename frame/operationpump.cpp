#include "frame/operationpump.h"

#include <chrono>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

namespace zmsg {

namespace {

struct Hook {
    unsigned long id;
    std::function<void()> run;
};
// Per thread: a hook the window's thread installed never runs on another thread's request.
thread_local std::vector<Hook> g_hooks;
thread_local unsigned long g_nextId = 1;

int g_operations = 0;
int g_pumping = 0;

struct Deferred {
    QPointer<QObject> receiver;
    std::function<void()> call;
};
std::vector<Deferred> g_deferred;

// Refuses every close request while a pump runs: the dialog that started the operation must not go
// away under it.
class CloseRefuser : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close || event->type() == QEvent::Quit) {
            event->ignore();
            return true;
        }
        return false;
    }
};

void Post(QObject* receiver, std::function<void()> call);

void Release() {
    std::vector<Deferred> waiting = std::move(g_deferred);
    g_deferred.clear();
    for (Deferred& d : waiting)
        if (d.receiver)
            Post(d.receiver.data(), std::move(d.call));
}

void Post(QObject* receiver, std::function<void()> call) {
    QMetaObject::invokeMethod(
        receiver,
        [target = QPointer<QObject>(receiver), call = std::move(call)]() mutable {
            if (OperationRunning())
                g_deferred.push_back({target, std::move(call)});
            else
                call();
        },
        Qt::QueuedConnection);
}

} // namespace

ScopedRequestProgress::ScopedRequestProgress(std::function<void()> hook) : m_id(g_nextId++) {
    g_hooks.push_back({m_id, std::move(hook)});
}

ScopedRequestProgress::~ScopedRequestProgress() {
    for (auto it = g_hooks.begin(); it != g_hooks.end(); ++it)
        if (it->id == m_id) {
            g_hooks.erase(it);
            break;
        }
}

void RunRequestProgress() {
    if (g_hooks.empty())
        return;
    // A copy: the hook may install or end hooks of its own.
    const std::function<void()> hook = g_hooks.back().run;
    if (hook)
        hook();
}

void PumpOperationEvents() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || g_pumping > 0)
        return;
    CloseRefuser refuser;
    app->installEventFilter(&refuser);
    ++g_pumping;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::X11ExcludeTimers);
    --g_pumping;
    app->removeEventFilter(&refuser);
    if (g_operations == 0)
        Release();
}

ScopedOperation::ScopedOperation()
    : m_pump([] {
          // A request calls its hook after any network activity; a large body would pump thousands of
          // times a second for nothing.
          using Clock = std::chrono::steady_clock;
          static Clock::time_point last{};
          const Clock::time_point now = Clock::now();
          if (now - last < std::chrono::milliseconds(kPumpIntervalMs))
              return;
          last = now;
          PumpOperationEvents();
      }) {
    ++g_operations;
}

ScopedOperation::~ScopedOperation() {
    if (--g_operations == 0 && g_pumping == 0)
        Release();
}

bool OperationRunning() {
    return g_operations > 0 || g_pumping > 0;
}

void PostWhenIdle(QObject* receiver, std::function<void()> call) {
    if (receiver && call)
        Post(receiver, std::move(call));
}

} // namespace zmsg
