#include "frame/clock.h"

namespace zmsg {
namespace {
QDateTime& fixedTime() {
    static QDateTime t;
    return t;
}
} // namespace

QDateTime Clock::now() {
    return fixedTime().isValid() ? fixedTime() : QDateTime::currentDateTime();
}

void Clock::setFixed(const QDateTime& fixed) {
    fixedTime() = fixed;
}

bool Clock::isFixed() {
    return fixedTime().isValid();
}

} // namespace zmsg
