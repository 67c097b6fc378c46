#include "frame/widgets/messagedlg.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "frame/messagebox.h"
#include "frame/widgets/colorref.h"
#include "frame/widgets/modulefont.h"
#include "frame/widgets/moduleicons.h"
#include "frame/widgets/virtualkey.h"
#include "text/codec.h"

namespace {

// The box was laid out in dialog units of an 11 pt face: about 7 px per 4 horizontal and
// 15 px per 8 vertical units.
constexpr int DluX(int d) {
    return d * 7 / 4;
}
constexpr int DluY(int d) {
    return d * 15 / 8;
}

constexpr int kTextPixelHeight = 17;
constexpr int kIconSize = 32;
constexpr int kVkReturn = 0x0D;
constexpr int kVkEscape = 0x1B;

std::string_view TrimBlanks(std::string_view s) {
    constexpr std::string_view blanks = " \t\r\n\v\f";
    const size_t b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos)
        return {};
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

struct ButtonSet {
    const char* labels[3]; // UTF-8; nullptr = not shown
    int results[4];        // first, second, third, Escape
    bool question;
};

// Tested in this order, each on the bits it names.
ButtonSet ButtonsFor(unsigned type) {
    if ((type & MB_YESNO) && (type & MB_OKCANCEL))
        return {{"다시시도(&R)", "취소", nullptr}, {IDRETRY, IDCANCEL, 0, IDCANCEL}, false};
    if (type & MB_YESNO)
        return {{"예(&Y)", "아니오(&N)", nullptr}, {IDYES, IDNO, 0, 0}, true};
    if ((type & MB_ABORTRETRYIGNORE) && (type & MB_OKCANCEL))
        return {{"예(&Y)", "아니오(&N)", "취소"}, {IDYES, IDNO, IDCANCEL, IDCANCEL}, false};
    if (type & MB_ABORTRETRYIGNORE)
        return {{"중단(&A)", "다시시도(&R)", "무시(&I)"}, {IDABORT, IDRETRY, IDIGNORE, 0}, false};
    if (type & MB_OKCANCEL)
        return {{"확인", "취소", nullptr}, {IDOK, IDCANCEL, 0, IDCANCEL}, false};
    return {{"확인", nullptr, nullptr}, {IDOK, 0, 0, IDOK}, false};
}

QChar MnemonicOf(const QString& label) {
    const qsizetype at = label.indexOf(QLatin1Char('&'));
    return (at >= 0 && at + 1 < label.size()) ? label.at(at + 1).toUpper() : QChar();
}

} // namespace

CMessageDlg::CMessageDlg(const std::string& text, unsigned type, unsigned textColor, int closeKey,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_text(zmsg::FromCp949(TrimBlanks(text))), m_textColor(zmsg::ColorFromRef(textColor)), m_type(type),
      m_closeKey((type & MB_OKCANCEL) ? 0 : closeKey) {
    const QFont face = ModuleFont(11);
    setFont(face);
    m_textFont = face;
    m_textFont.setPixelSize(kTextPixelHeight);
    m_textFont.setBold(true);

    resize(DluX(188), DluY(57));
    m_icon = new QLabel(this);
    m_icon->setGeometry(DluX(6), DluY(7), kIconSize, kIconSize);
    m_separator = new QFrame(this);
    m_separator->setFrameShape(QFrame::HLine);
    m_separator->setFrameShadow(QFrame::Sunken);
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(this);
        b->setGeometry(DluX(6 + 60 * i), DluY(38), DluX(57), DluY(16));
        // Enter is ours to route to the focused button; no button may grab it as a default.
        b->setAutoDefault(false);
        b->setDefault(false);
        b->installEventFilter(this);
        connect(b, &QPushButton::clicked, this, [this, i] { OnButton(i); });
        m_buttons[static_cast<size_t>(i)] = b;
    }
    installEventFilter(this);
    SetUpButtons();
    FitToText();
    LayoutButtons();
}

CMessageDlg::~CMessageDlg() = default;

int CMessageDlg::UnattendedAnswer(unsigned type) {
    const ButtonSet set = ButtonsFor(type);
    if (set.results[3] != 0)
        return set.results[3];
    return set.question ? IDNO : IDABORT;
}

void CMessageDlg::SetUpButtons() {
    const ButtonSet set = ButtonsFor(m_type);
    setWindowTitle(set.question ? QStringLiteral("질문") : QStringLiteral("확인"));
    for (size_t i = 0; i < 3; ++i) {
        m_results[i] = set.results[i];
        if (set.labels[i])
            m_buttons[i]->setText(QString::fromUtf8(set.labels[i]));
        // The first button always shows; the others only when they answer something.
        m_buttons[i]->setVisible(i == 0 || set.results[i] != 0);
    }
    m_results[3] = set.results[3];

    m_iconId = (m_type & MB_ICONERROR)      ? zmsg::kIconError
               : (m_type & MB_ICONQUESTION) ? zmsg::kIconQuestion
                                            : zmsg::kIconInfo;
    m_icon->setPixmap(zmsg::ModuleIcon(m_iconId, kIconSize));

    // Focus starts on the first button; the default-button bits move it along the visible ones.
    const int shown = 1 + (m_results[1] != 0) + (m_results[2] != 0);
    int steps = 0;
    if (shown > 1)
        steps = (m_type & MB_DEFBUTTON2) ? 1 : (m_type & MB_DEFBUTTON3) ? 2 : 0;
    m_focusIndex = steps % shown;
}

QRect CMessageDlg::TextRect() const {
    const QPoint origin(m_icon->geometry().x() + m_icon->width() + 20, m_icon->geometry().y());
    if (m_text.isEmpty())
        return QRect(origin, QSize(0, 0));
    return QFontMetrics(m_textFont)
        .boundingRect(QRect(origin, QSize(0, 0)), Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs, m_text);
}

void CMessageDlg::FitToText() {
    const QRect t = TextRect();
    const int bh = m_buttons[0]->height();
    // Grows to fit, never shrinks.
    resize(std::max(width(), t.x() + t.width() + 20), std::max(height(), t.y() + t.height() + bh + 60));
}

void CMessageDlg::LayoutButtons() {
    const int bw = m_buttons[0]->width();
    const int bh = m_buttons[0]->height();
    const int top = height() - 10 - bh;
    const int centre = width() / 2;
    const bool second = m_results[1] != 0;
    const bool third = m_results[2] != 0;
    if (second && third) {
        const int x2 = centre - bw / 2;
        m_buttons[0]->move(x2 - 10 - bw, top);
        m_buttons[1]->move(x2, top);
        m_buttons[2]->move(x2 + bw + 10, top);
    } else if (second) {
        m_buttons[0]->move(centre - 5 - bw, top);
        m_buttons[1]->move(centre + 5, top);
    } else {
        m_buttons[0]->move(centre - bw / 2, top);
    }
    m_separator->setGeometry(20, top - 10 - 2, std::max(0, width() - 40), 2);
}

void CMessageDlg::CentreOnOwner() {
    QWidget* owner = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
    QRect area;
    if (owner && owner != this && owner->isVisible())
        area = owner->frameGeometry();
    else if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

void CMessageDlg::FocusInitialButton() {
    m_buttons[static_cast<size_t>(m_focusIndex)]->setFocus(Qt::OtherFocusReason);
}

void CMessageDlg::showEvent(QShowEvent* event) {
    FitToText();
    LayoutButtons();
    CentreOnOwner();
    QDialog::showEvent(event);
    FocusInitialButton();
}

void CMessageDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(m_textFont);
    p.setPen(m_textColor);
    p.drawText(TextRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs, m_text);
}

void CMessageDlg::reject() {
    if (m_results[3] != 0)
        done(m_results[3]);
}

void CMessageDlg::OnButton(int index) {
    const int result = m_results[static_cast<size_t>(index)];
    if (result != 0)
        done(result);
}

bool CMessageDlg::HandleCloseKey(const QKeyEvent* event) {
    if (m_closeKey == 0)
        return false;
    const int vk = zmsg::VirtualKeyFromQt(event->key());
    if (vk == m_closeKey) {
        done(m_closeKey);
        return true;
    }
    return vk == kVkReturn || vk == kVkEscape; // swallowed while a close key is armed
}

bool CMessageDlg::ClickMnemonic(int key) {
    if (key < Qt::Key_A || key > Qt::Key_Z)
        return false;
    const QChar letter(static_cast<char16_t>(key));
    for (QPushButton* b : m_buttons) {
        if (b->isVisible() && MnemonicOf(b->text()) == letter) {
            b->click();
            return true;
        }
    }
    return false;
}

bool CMessageDlg::eventFilter(QObject* watched, QEvent* event) {
    // Sees every key before the focused button does, as a message hook would.
    if (event->type() == QEvent::KeyPress && HandleCloseKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void CMessageDlg::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        if (focused && std::find(m_buttons.begin(), m_buttons.end(), focused) != m_buttons.end() &&
            focused->isVisible())
            focused->click();
        return;
    }
    // A button's accelerator letter works without Alt while a button has the focus.
    if ((mods == Qt::NoModifier || mods == Qt::AltModifier) && ClickMnemonic(event->key()))
        return;
    QDialog::keyPressEvent(event);
}

void InstallMessageDialogPresenter() {
    SetMessagePresenter(
        [](const std::string& text, unsigned type, unsigned color, int closeKey, QWidget* parent) -> int {
            if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
                std::fprintf(stderr, "ZMSG: %s\n", zmsg::Cp949ToUtf8(text).c_str());
                return CMessageDlg::UnattendedAnswer(type);
            }
            CMessageDlg dlg(text, type, color, closeKey, parent);
            return dlg.exec();
        });
}
