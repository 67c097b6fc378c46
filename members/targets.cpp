#include "members/targets.h"

#include "members/recipientlist.h"

TargetCounts RecountTargets(RecipientList& list, bool combinedSend) {
    TargetCounts counts;
    for (size_t i = 0; i < list.size(); ++i) {
        Recipient& r = list[i];
        r.byApp = r.checked && combinedSend && r.appUser;
        r.bySms = r.checked && !r.byApp;
        counts.app += r.byApp ? 1 : 0;
        counts.sms += r.bySms ? 1 : 0;
    }
    return counts;
}

std::string SignalLimitDate(const QDate& today, int days) {
    if (days < 0)
        return {};
    return today.addDays(-days).toString(QStringLiteral("yyyy-MM-dd")).toStdString();
}

int ApplySignalFilter(RecipientList& list, const std::string& limitDate) {
    int marked = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        Recipient& r = list[i];
        r.appUser = r.appDate.size() >= 10 && r.appDate.compare(0, 10, limitDate) >= 0;
        marked += r.appUser ? 1 : 0;
    }
    return marked;
}
