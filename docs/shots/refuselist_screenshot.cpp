// Renders the refusal list after a download over the sample store into a PNG for the docs:
//   QT_QPA_PLATFORM=offscreen zmsg_refuselist_screenshot <folder>
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include "center/phonemask.h"
#include "frame/clock.h"
#include "frame/widgets/trellisex.h"
#include "optout/ui/refuselistdlg.h"
#include "tests/sms/dialogstore.h"
#include "tests/support/scriptedmessages.h"

namespace {

void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::string PhoneOf(DialogStore& store, int member) {
    const std::string code = std::to_string(member);
    const std::string stored = store.Query("SELECT mem_cel FROM member WHERE mem_code=" + code);
    std::string restored;
    if (UnmaskPhone(stored, std::stoi(store.Query("SELECT mem_key4 FROM member WHERE mem_code=" + code)),
                    restored))
        return restored;
    return stored;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    zmsg::Clock::setFixed(QDateTime(QDate(2026, 12, 7), QTime(17, 0)));
    DialogStore store;
    if (!store.ok()) {
        std::fprintf(stderr, "the store or the simulator did not start\n");
        return 1;
    }
    // Calls of the day: four members, two of them in the same second, and a number of no member.
    const int times[] = {90000, 90000, 101500, 113000};
    const int members[] = {1, 2, 4, 7};
    for (int i = 0; i < 4; ++i) {
        std::string digits;
        for (char c : PhoneOf(store, members[i]))
            if (c >= '0' && c <= '9')
                digits += c;
        store.fx().sim().OptOut().AddRequest(1001,
                                             {"2026-12-07", std::to_string(times[i]), "0807001001", digits});
    }
    store.fx().sim().OptOut().AddRequest(1001, {"2026-12-07", "143000", "0807001001", "01098765432"});
    // Member 1 refused advertising before he called.
    store.db()->ExecuteSQL("UPDATE member SET mem_apply=mem_apply | 4096 WHERE mem_code=1");

    ScriptedMessages boxes;
    CRefuseListDlg dlg(store.db(), 1);
    if (!dlg.Start())
        return 1;
    dlg.resize(1000, 420);
    dlg.show();
    dlg.findChild<QPushButton*>(QStringLiteral("downloadButton"))->click();
    // The number of no member was closed by hand.
    store.db()->ExecuteSQL(
        "UPDATE smsrefuse SET sr_status=4, sr_edate=GETDATE() WHERE sr_rnumber LIKE '%5432'");
    dlg.findChild<QPushButton*>(QStringLiteral("queryButton"))->click();
    auto* grid = dlg.findChild<CTrellisEx*>(QStringLiteral("refuseGrid"));
    if (grid && grid->GetRowCount() > 2)
        grid->SetCellCheck(2, 5, true);
    if (grid)
        grid->setFocus();
    Settle(300);
    if (!dlg.grab().save(folder + QStringLiteral("/refuse-list.png"))) {
        std::fprintf(stderr, "could not write the screenshot\n");
        return 1;
    }
    return 0;
}
