#include "frame/widgets/moduledlg.h"

#include <utility>

#include "frame/log.h"

CModuleDlg::CModuleDlg(std::string startLog, QWidget* parent)
    : QDialog(parent), m_startLog(std::move(startLog)) {}

bool CModuleDlg::Start() {
    if (!m_started) {
        m_started = true;
        if (!m_startLog.empty())
            WriteLog(m_startLog, 0);
        m_startResult = OnInitDialog();
    }
    return m_startResult;
}

int CModuleDlg::exec() {
    if (!Start()) {
        setResult(Rejected);
        return Rejected;
    }
    return QDialog::exec();
}

QWidget* CModuleDlg::BoxParent() {
    return isVisible() ? this : nullptr;
}

CDialogProgress::CDialogProgress(QWidget* parent) : m_parent(parent) {
    m_hooks.show = [this](bool show, const std::string& text) {
        // Hiding a window never shown creates none.
        if (show || m_wnd)
            Wnd().Show(show, text);
    };
    m_hooks.range = [this](int total) { Wnd().SetRange(total); };
    m_hooks.pos = [this](int pos) { Wnd().SetPos(pos); };
}

CProgressWnd& CDialogProgress::Wnd() {
    if (!m_wnd)
        m_wnd.emplace(m_parent);
    return *m_wnd;
}
