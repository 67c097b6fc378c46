// Renders the coupon issue dialog over the sample store and the simulated center, on its coupon page
// with a coupon chosen there, into a PNG for the docs:
//   QT_QPA_PLATFORM=offscreen zmsg_coupon_dialog_screenshots docs
// writes docs/coupon-dialog.png.
#include <cstdio>

#include <QApplication>
#include <QTest>

#include "center/web/webbrowser2.h"
#include "coupon/ui/couponissuedlg.h"
#include "db/sqldirect.h"
#include "frame/widgets/trellisex.h"
#include "host/demodb.h"
#include "tests/support/scriptedmessages.h"
#include "tests/support/simfixture.h"
#include "tests/support/testfolders.h"

namespace {

constexpr int kWait = 30000;

bool Dialog(CSQLDirect& db, const QString& folder) {
    ScriptedMessages boxes;
    CCouponIssueDlg dlg(&db, 1, "", "AND mem_code <= 300");
    if (!dlg.Start())
        return false;
    dlg.resize(1000, 640);
    dlg.show();
    auto* grid = dlg.findChild<CTrellisEx*>(QStringLiteral("memberGrid"));
    if (!QTest::qWaitFor([&] { return grid->GetRowCount() > 1; }, 10000))
        return false;

    bool loaded = false;
    QObject::connect(dlg.ListBrowser(), &CWebBrowser2::DocumentComplete, [&](bool ok) { loaded = ok; });
    dlg.SetPage(CCouponIssueDlg::kPageCoupons);
    if (!QTest::qWaitFor([&] { return loaded; }, kWait))
        return false;
    // The clerk clicks a coupon on the page; the chosen coupon's page follows.
    bool chosen = false;
    QObject::connect(dlg.ChosenBrowser(), &CWebBrowser2::DocumentComplete, [&](bool ok) { chosen = ok; });
    bool ran = false;
    dlg.ListBrowser()->page()->runJavaScript(QStringLiteral("document.getElementById('coupon11').click()"),
                                             [&](const QVariant&) { ran = true; });
    if (!QTest::qWaitFor([&] { return ran && dlg.ChosenCoupon() == 11; }, kWait))
        return false;
    chosen = false; // the chosen page asked for now, not the one shown at the start
    if (!QTest::qWaitFor([&] { return chosen; }, kWait))
        return false;
    QTest::qWait(500);
    const QString path = folder + QStringLiteral("/coupon-dialog.png");
    if (dlg.grab().save(path))
        return true;
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: zmsg_coupon_dialog_screenshots FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    SimFixture fx;
    TestFolders folders;
    if (!fx.ok() || !folders.ok())
        return 1;
    const std::string path = folders.host() + "store.db";
    std::string error;
    CSQLDirect db;
    if (!CreateDemoDatabase(path, &error) || !db.Open("sqlite:" + path)) {
        std::fprintf(stderr, "store: %s\n", error.c_str());
        return 1;
    }
    if (!Dialog(db, folder))
        return 1;
    std::printf("wrote %s/coupon-dialog.png\n", argv[1]);
    return 0;
}
