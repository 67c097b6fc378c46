#include "compose/ui/timecombos.h"

#include <cstdio>

#include <QComboBox>
#include <QDateEdit>
#include <QSignalBlocker>

#include "frame/clock.h"

namespace zmsg {
namespace {

QString Printf(const char* utf8Format, int value) {
    char text[64];
    std::snprintf(text, sizeof text, utf8Format, value);
    return QString::fromUtf8(text);
}

} // namespace

void FillTimeCombos(QComboBox* hour, QComboBox* minute, QDateEdit* date) {
    const QSignalBlocker hourBlocker(hour);
    const QSignalBlocker minuteBlocker(minute);
    hour->clear();
    for (int h = 0; h < 24; ++h) {
        if (h == 0)
            hour->addItem(QStringLiteral("자정"));
        else if (h < 12)
            hour->addItem(Printf("오전%2d", h));
        else if (h == 12)
            hour->addItem(QStringLiteral("정오"));
        else
            hour->addItem(Printf("오후%2d", h - 12));
    }
    hour->setCurrentIndex(12);
    minute->clear();
    for (int m = 0; m < 60; m += 10)
        minute->addItem(Printf("%02d", m));
    minute->setCurrentIndex(0);
    date->setDate(Clock::now().date());
}

void FillSignalCombo(QComboBox* signal) {
    static const struct {
        const char* text;
        int days;
    } kEntries[] = {{"-모바일신호-", -1}, {"오늘", 0},      {" 1일이내", 1},  {" 2일이내", 2},
                    {" 3일이내", 3},      {" 5일이내", 5},  {"10일이내", 10}, {"15일이내", 15},
                    {"20일이내", 20},     {"25일이내", 25}, {"30일이내", 30}};
    const QSignalBlocker blocker(signal);
    signal->clear();
    for (const auto& e : kEntries)
        signal->addItem(QString::fromUtf8(e.text), e.days);
    signal->setCurrentIndex(4);
}

} // namespace zmsg
