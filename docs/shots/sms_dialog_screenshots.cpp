// Renders the callback selection (on the simulator's page), the LMS editor and the special-character
// popup offscreen into PNG files for the docs:
//   QT_QPA_PLATFORM=offscreen zmsg_sms_dialog_screenshots <folder>
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "center/web/webbrowser2.h"
#include "compose/ui/callbackselectdlg.h"
#include "compose/ui/specialchardlg.h"
#include "frame/widgets/trellisex.h"
#include "sms/ui/lmseditdlg.h"
#include "tests/support/simfixture.h"
#include "text/codec.h"

namespace {

void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    // The page is painted only by Qt Quick's software renderer when there is no GPU.
    qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    SimFixture fx;
    if (!fx.ok()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }

    CCallbackSelectDlg callback(1001);
    bool loaded = false;
    QObject::connect(callback.Browser(), &CWebBrowser2::DocumentComplete, [&](bool ok) { loaded = ok; });
    callback.show();
    QElapsedTimer waited;
    waited.start();
    while (!loaded && waited.elapsed() < 30000)
        Settle(50);
    callback.Browser()->page()->runJavaScript(
        QStringLiteral("document.querySelector('input[value=\"01055556666\"]').click()"));
    Settle(2000); // the renderer paints a moment after the load
    const bool callbackSaved =
        loaded && callback.grab().save(folder + QStringLiteral("/callback-dialog.png"));

    CLmsEditDlg lms;
    lms.SetTitle(zmsg::K("이달의 행사 안내"));
    lms.SetText(
        zmsg::K("[행복마트 이달의 행사]\n1. 매주 수요일 채소 반값\n2. 3만원 이상 사시면 주차 2시간 무료\n"
                "3. 10일~20일 포인트 2배 적립 ★\n\n자세한 내용은 매장 게시판을 보세요."));
    lms.show();
    Settle(100);
    const bool lmsSaved = lms.grab().save(folder + QStringLiteral("/lms-editor.png"));

    CSpecialCharDlg chars(nullptr, -1, -1);
    chars.show();
    Settle(100);
    chars.Grid()->SetSelectedRange(1, 2, 1, 2);
    Settle(100);
    const bool charsSaved = chars.grab().save(folder + QStringLiteral("/special-chars.png"));
    chars.SetMode(CSpecialCharDlg::Mode::Emoticons);
    Settle(100);
    const bool emoticonsSaved = chars.grab().save(folder + QStringLiteral("/special-chars-emoticons.png"));

    if (!callbackSaved || !lmsSaved || !charsSaved || !emoticonsSaved) {
        std::fprintf(stderr, "could not write the screenshots\n");
        return 1;
    }
    return 0;
}
