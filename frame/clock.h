// The module's one source of the current time, replaceable by tests.
#pragma once

#include <QDateTime>

namespace zmsg {

class Clock {
public:
    // Local time now, or the time a test fixed.
    static QDateTime now();
    // Fixes the time for every later now(); an invalid QDateTime returns to the system clock.
    static void setFixed(const QDateTime& fixed);
    // True while a test fixed the time.
    static bool isFixed();
};

} // namespace zmsg
