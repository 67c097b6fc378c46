// The six exports. Each call stands alone: it makes sure the module has started, hosts its
// dialog or receiver for the length of the call and returns.
#include "zmsg/zmsg.h"

#include <QApplication>

#include "center/text/codec.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"
#include "frame/widgets/messagedlg.h"

namespace {

// A host without a Qt application object gets one; a host that has one keeps it.
bool EnsureStarted() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char arg0[] = "zmsg";
        static char* argv[] = {arg0, nullptr};
        new QApplication(argc, argv); // lives as long as the process, as the host's own would
    }
    static int state = 0; // 0 not tried, 1 started, -1 refused
    if (state == 0) {
        // Without a GUI application (a receipt run from cron) messages go to the log and stderr.
        if (!HasMessagePresenter() && qobject_cast<QApplication*>(QCoreApplication::instance()))
            InstallMessageDialogPresenter();
        state = theApp().InitInstance() ? 1 : -1;
    }
    return state == 1;
}

void NotBuiltYet(const char* what) {
    LogAndShow(zmsg::K("이 기능은 아직 준비 중입니다: ") + what, 1);
}

} // namespace

extern "C" {

void PopupCouponIssue(CSQLDirect*, int32_t, const char*, const char*) {
    if (EnsureStarted())
        NotBuiltYet("PopupCouponIssue");
}

void PopupRefuseList(CSQLDirect*, int32_t) {
    if (EnsureStarted())
        NotBuiltYet("PopupRefuseList");
}

void PopupSMMS(CSQLDirect*, int32_t, const char*, const char*, const char*) {
    if (EnsureStarted())
        NotBuiltYet("PopupSMMS");
}

void PopupSMS(CSQLDirect*, int32_t, int32_t, const char*, const char*) {
    if (EnsureStarted())
        NotBuiltYet("PopupSMS");
}

int32_t ReceiveResult(CSQLDirect*, int32_t) {
    if (!EnsureStarted())
        return 0;
    WriteLog(zmsg::K("SMS 결과 수신은 아직 준비 중입니다"), 0);
    return 0;
}

int32_t ReceiveSMMSResult(CSQLDirect*, int32_t) {
    if (!EnsureStarted())
        return 0;
    WriteLog(zmsg::K("SMMS 결과 수신은 아직 준비 중입니다"), 0);
    return 0;
}

} // extern "C"
