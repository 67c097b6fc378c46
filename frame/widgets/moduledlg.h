// What every send dialog of the module shares around its own work: the opening sequence run once
// (with its start line in the log), exec() that never shows a dialog that could not open, the parent
// of its message boxes, and the progress window of an operation it runs.
//
// A dialog derives from CModuleDlg, gives its start line and implements OnInitDialog(); the host's
// entry point calls Start() (or exec(), which calls it) once. An operation (a send) keeps a
// CDialogProgress as a local and hands its Hooks() to the window-free transaction.
#pragma once

#include <optional>
#include <string>

#include <QDialog>

#include "frame/progresshooks.h"
#include "frame/widgets/progresswnd.h"

class CModuleDlg : public QDialog {
    Q_OBJECT
public:
    // startLog: the log line of the opening (CP949), e.g. the dialog's "... 전송창 시작" line; empty
    // for a dialog whose opening writes none.
    CModuleDlg(std::string startLog, QWidget* parent);

    // The opening sequence, once: the start line, then OnInitDialog(). False when the dialog must
    // close at once (no account, a center failure, ...); later calls return the first answer.
    bool Start();
    // Rejected without showing the dialog when Start() failed.
    int exec() override;

protected:
    // The dialog's own opening; false closes it before it is shown.
    virtual bool OnInitDialog() = 0;
    // The parent of a message box: the dialog once it is on screen; before that none, so a box of
    // the opening does not appear over a window that is not there yet.
    QWidget* BoxParent();

private:
    std::string m_startLog;
    bool m_started = false;
    bool m_startResult = true;
};

// The progress window of one operation of a dialog, created at the first step shown (so checks
// that refuse before any step show none) and gone with this object or Close().
class CDialogProgress {
public:
    explicit CDialogProgress(QWidget* parent);
    CDialogProgress(const CDialogProgress&) = delete;
    CDialogProgress& operator=(const CDialogProgress&) = delete;

    // For the operation; valid while this object lives.
    const ProgressHooks& Hooks() const { return m_hooks; }
    void Close() { m_wnd.reset(); }

private:
    CProgressWnd& Wnd();

    QWidget* m_parent;
    std::optional<CProgressWnd> m_wnd;
    ProgressHooks m_hooks;
};
