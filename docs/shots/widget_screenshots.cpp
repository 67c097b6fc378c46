// Renders the message box and the progress window offscreen into PNG files for the docs:
//   QT_QPA_PLATFORM=offscreen zmsg_widget_screenshots <folder>
#include <cstdio>

#include <QApplication>
#include <QDir>

#include "frame/messagebox.h"
#include "frame/widgets/messagedlg.h"
#include "frame/widgets/progresswnd.h"
#include "text/codec.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);

    CMessageDlg box(zmsg::K("2번째 전화번호(0101234567)가 형식이 올바르지 않습니다.\n\n계속하시겠습니까?"),
                    kQuestionNoDefault, 0, 0);
    box.show();
    QCoreApplication::processEvents();
    const bool boxSaved = box.grab().save(folder + QStringLiteral("/messagebox.png"));
    box.done(IDNO);

    CProgressWnd progress;
    progress.Show(true, zmsg::K("SMS를 전송할 회원정보를 불러오는 중입니다."));
    progress.SetRange(1250);
    progress.SetPos(500);
    QCoreApplication::processEvents();
    const bool progressSaved = progress.Dialog()->grab().save(folder + QStringLiteral("/progress.png"));

    if (!boxSaved || !progressSaved) {
        std::fprintf(stderr, "could not write the screenshots\n");
        return 1;
    }
    return 0;
}
