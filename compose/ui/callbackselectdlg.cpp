#include "compose/ui/callbackselectdlg.h"

#include <QHBoxLayout>
#include <QMetaObject>
#include <QPushButton>
#include <QVBoxLayout>

#include "center/vexglobal.h"
#include "center/web/pagecommand.h"
#include "center/web/pageurls.h"
#include "center/web/webbrowser2.h"
#include "frame/messagebox.h"
#include "frame/widgets/modulefont.h"
#include "text/codec.h"

namespace {

// 201 x 169 dialog units of the module's dialog font.
constexpr QSize kBrowserSize(352, 317);

} // namespace

CCallbackSelectDlg::CCallbackSelectDlg(int32_t mart, QWidget* parent)
    : QDialog(parent), m_mart(mart), m_browser(new CWebBrowser2(this)),
      m_cancel(new QPushButton(QString::fromUtf8("취 소"), this)) {
    setWindowTitle(QString::fromUtf8("발신번호 선택"));
    ApplyModuleFont(this);
    m_browser->setFixedSize(kBrowserSize);
    m_cancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(m_browser);
    layout->addLayout(buttons);

    m_browser->AddPageCommand(std::string(zmsg::kDoCopyCallbackToApp), this,
                              [this] { OnCopyCallbackToApp(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CCallbackSelectDlg::~CCallbackSelectDlg() = default;

std::optional<std::string> CCallbackSelectDlg::Choose(int32_t mart, QWidget* parent) {
    CCallbackSelectDlg dlg(mart, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.Selected();
}

void CCallbackSelectDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_initialised) {
        m_initialised = true;
        // Over the dialog it was opened from, wherever that is on the screen.
        if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr)
            move(owner->frameGeometry().center() -
                 QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        OnInitDialog();
    }
}

void CCallbackSelectDlg::OnInitDialog() {
    m_browser->Navigate2(zmsg::CallbackPageUrl(m_mart));
}

void CCallbackSelectDlg::OnCopyCallbackToApp() {
    m_browser->CallPageFunction("jsGetCopyCallback", this, [this](const zmsg::PageValues& page) {
        if (!page.ok())
            return;
        const std::string number = CvexGlobal::Trim(page.values.front());
        if (number.empty()) {
            // Not from inside the page's answer: the box runs its own event loop.
            QMetaObject::invokeMethod(
                this,
                [this] { ShowMessageBox(zmsg::K("발신번호가 선택되지 않았습니다."), MB_OK, 0, 0, this); },
                Qt::QueuedConnection);
            return;
        }
        m_strSelected = number;
        accept();
    });
}
