// The six exports. Each call stands alone: it makes sure the module has started, hosts its
// dialog or receiver for the length of the call and returns.
#include "zmsg/zmsg.h"

#include <optional>

#include <QApplication>

#include "coupon/ui/couponissuedlg.h"
#include "frame/display.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"
#include "frame/urlopener.h"
#include "frame/widgets/messagedlg.h"
#include "frame/widgets/openfiledlg.h"
#include "frame/widgets/progresswnd.h"
#include "optout/ui/refuselistdlg.h"
#include "results/resultreceiver.h"
#include "results/smmsresultreceiver.h"
#include "smms/ui/smmsdlg.h"
#include "sms/ui/smsdlg.h"
#include "text/codec.h"

namespace {

bool HasGui() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// A host without a Qt application object gets one; a host that has one keeps it. Without a display
// that opens (cron, or a DISPLAY with no server behind it) a GUI application would end the process, so
// it gets a core application: the receipts then run with logging only, and no dialog can open.
bool EnsureStarted() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char arg0[] = "zmsg";
        static char* argv[] = {arg0, nullptr};
        // Lives as long as the process, as the host's own would.
        if (zmsg::CanOpenDisplay())
            new QApplication(argc, argv);
        else
            new QCoreApplication(argc, argv);
    }
    static int state = 0; // 0 not tried, 1 started, -1 refused
    if (state == 0) {
        // Without a GUI application (a receipt run from cron) messages go to the log and stderr.
        if (!HasMessagePresenter() && HasGui())
            InstallMessageDialogPresenter();
        if (!HasFileDialogPresenter() && HasGui())
            InstallFileDialogPresenter();
        if (!HasUrlOpener() && HasGui())
            InstallDesktopUrlOpener();
        state = theApp().InitInstance() ? 1 : -1;
    }
    return state == 1;
}

// A dialog needs a GUI application; without one the call says so (log and stderr) and returns.
bool CanShowDialog(const char* feature) {
    if (HasGui())
        return true;
    LogAndShow(zmsg::K("화면이 없어 창을 열 수 없습니다: ") + zmsg::K(feature), 1);
    return false;
}

// A receipt with a progress window when there is a screen. From cron there is no GUI application and
// so no window: the run only logs.
int32_t RunReceipt(CReceiptRun& receiver) {
    std::optional<CProgressWnd> wnd;
    ProgressHooks progress;
    if (HasGui()) {
        wnd.emplace();
        progress.show = [&](bool show, const std::string& text) { wnd->Show(show, text); };
        progress.range = [&](int total) { wnd->SetRange(total); };
        progress.pos = [&](int pos) { wnd->SetPos(pos); };
        progress.corner = [&](int corner) { wnd->SetCorner(corner); };
        progress.topmost = [&](bool topmost) { wnd->SetTopMost(topmost); };
    }
    const int result = receiver.Run(progress) != 0 ? 1 : 0;
    wnd.reset();
    // Started from a window, the run ends with a word to the clerk; from cron the log has the line.
    if (HasGui() && receiver.Summary())
        ShowMessageBox(ReceiptSummaryText(*receiver.Summary(), false), MB_OK,
                       receiver.Summary()->completed ? kColorSuccess : 0);
    return result;
}

} // namespace

extern "C" {

void PopupCouponIssue(CSQLDirect* db, int32_t empCode, const char* codeList, const char* condition) {
    if (!EnsureStarted() || !CanShowDialog("쿠폰 발행"))
        return;
    auto* dlg =
        new CCouponIssueDlg(db, empCode, codeList ? codeList : "", condition ? condition : "", nullptr);
    dlg->exec();
    delete dlg;
}

void PopupRefuseList(CSQLDirect* db, int32_t empCode) {
    if (!EnsureStarted() || !CanShowDialog("080 수신거부 관리"))
        return;
    auto* dlg = new CRefuseListDlg(db, empCode, nullptr);
    dlg->exec();
    delete dlg;
}

void PopupSMMS(CSQLDirect* db, int32_t empCode, const char* codeList, const char* condition,
               const char* imagePath) {
    if (!EnsureStarted() || !CanShowDialog("앱 메시지 보내기"))
        return;
    auto* dlg = new CSmmsDlg(db, empCode, codeList ? codeList : "", condition ? condition : "",
                             imagePath ? imagePath : "", nullptr);
    dlg->exec();
    delete dlg;
}

void PopupSMS(CSQLDirect* db, int32_t empCode, int32_t targetType, const char* codeList,
              const char* condition) {
    if (!EnsureStarted() || !CanShowDialog("문자 보내기"))
        return;
    auto* dlg =
        new CSMSDlg(db, empCode, targetType, codeList ? codeList : "", condition ? condition : "", nullptr);
    dlg->exec();
    delete dlg;
}

int32_t ReceiveResult(CSQLDirect* db, int32_t ssCode) {
    if (!EnsureStarted())
        return 0;
    CResultReceiver receiver(db, ssCode);
    return RunReceipt(receiver);
}

int32_t ReceiveSMMSResult(CSQLDirect* db, int32_t ssCode) {
    if (!EnsureStarted())
        return 0;
    CSmmsResultReceiver receiver(db, ssCode);
    return RunReceipt(receiver);
}

} // extern "C"
