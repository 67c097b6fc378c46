// What runs on the window's thread while an operation holds it: a center request, a wait on a helper
// thread, a long database load. The operation stays blocking (nothing of the dialog or the host may
// run meanwhile), but the windows must keep painting: on X11 a window whose expose event is never
// processed stays blank, so a bare repaint call is not enough.
#pragma once

#include <functional>

class QObject;

namespace zmsg {

// While an instance lives, hook runs on the calling thread whenever an operation waits (a request
// under way, after any network activity and at least every few tens of milliseconds; a wait on a
// helper). The innermost living instance of the calling thread runs; instances may end in any order.
class ScopedRequestProgress {
public:
    explicit ScopedRequestProgress(std::function<void()> hook);
    ~ScopedRequestProgress();
    ScopedRequestProgress(const ScopedRequestProgress&) = delete;
    ScopedRequestProgress& operator=(const ScopedRequestProgress&) = delete;

private:
    unsigned long m_id;
};

// Runs the current hook, if any.
void RunRequestProgress();

// Processes pending events other than user input, timers and socket notifiers: expose and paint
// events, posted updates. Close requests that arrive meanwhile are refused (the window closes when
// asked again after the operation), and calls posted with PostWhenIdle wait. Without an application
// object, or called from within itself, it does nothing.
void PumpOperationEvents();

// Marks an operation from construction to destruction and makes PumpOperationEvents, at most every
// kPumpIntervalMs, the request hook meanwhile. Operations nest.
inline constexpr int kPumpIntervalMs = 20;
class ScopedOperation {
public:
    ScopedOperation();
    ~ScopedOperation();
    ScopedOperation(const ScopedOperation&) = delete;
    ScopedOperation& operator=(const ScopedOperation&) = delete;

private:
    ScopedRequestProgress m_pump;
};

// True while an operation runs or events are being pumped for one.
bool OperationRunning();

// Posts call to receiver's thread; when it comes up while an operation runs (it was posted during
// one, or reached during a pump), it waits until the last operation has ended. A receiver destroyed
// meanwhile drops it. For what a page or another source asks of a dialog: it must never run inside
// an operation of that dialog (a second send started from within the first).
void PostWhenIdle(QObject* receiver, std::function<void()> call);

} // namespace zmsg
