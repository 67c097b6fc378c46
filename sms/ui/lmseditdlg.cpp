#include "sms/ui/lmseditdlg.h"

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "center/vexglobal.h"
#include "compose/ui/specialchardlg.h"
#include "frame/messagebox.h"
#include "frame/widgets/colorref.h"
#include "frame/widgets/modulefont.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr std::uint32_t kEditBackground = 0xFBF0DC;
constexpr std::uint32_t kCounterColor = 0x9B3737;
constexpr std::uint32_t kNoteColor = 0x37379B;

std::string LineBreaksAsLf(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 1);
    return text;
}

void Colour(QWidget* w, QPalette::ColorRole role, std::uint32_t ref) {
    QPalette pal = w->palette();
    pal.setColor(role, zmsg::ColorFromRef(ref));
    w->setPalette(pal);
}

// The message box speaks code page 949, which cannot show the refused characters themselves:
// they are named by their code points.
void RefuseCharacters(const std::vector<std::string>& bad, QWidget* parent) {
    std::string named;
    for (const auto& c : bad) {
        const QString q = QString::fromStdString(c);
        const std::string code = q.isEmpty() ? std::string("?")
                                             : QStringLiteral("U+%1")
                                                   .arg(q.toUcs4().value(0), 4, 16, QLatin1Char('0'))
                                                   .toUpper()
                                                   .toStdString();
        if (named.find(code) == std::string::npos)
            named += (named.empty() ? "" : ", ") + code;
    }
    ShowMessageBox(K("문자메시지로 보낼 수 없는 글자(이모지 등)는 입력할 수 없습니다.\n\n☞ ") + named, MB_OK,
                   0, 0, parent);
}

} // namespace

CLmsEditDlg::CLmsEditDlg(QWidget* parent)
    : QDialog(parent), m_titleEdit(new QLineEdit(this)), m_textEdit(new QPlainTextEdit(this)),
      m_titleChar(new QPushButton(QString::fromUtf8("특"), this)),
      m_textChar(new QPushButton(QString::fromUtf8("특"), this)),
      m_titleCounter(new QLabel(QStringLiteral("0/40"), this)),
      m_textCounter(new QLabel(QStringLiteral("0/2000"), this)),
      m_note(new QLabel(
          QString::fromUtf8("※ 문자메시지는 피쳐폰 규격에 맞춰 16바이트(한글8자)폭이 표준이지만\n"
                            "    스마트폰은 모델마다 메시지폭이 다릅니다. 메모장 용도로만 사용하세요."),
          this)),
      m_ok(new QPushButton(QString::fromUtf8("확인"), this)),
      m_cancel(new QPushButton(QString::fromUtf8("취소"), this)) {
    setWindowTitle(QString::fromUtf8("장문(LMS) 편집"));

    const QFont font = ModuleFixedFont(14);
    for (QWidget* edit : {static_cast<QWidget*>(m_titleEdit), static_cast<QWidget*>(m_textEdit)}) {
        edit->setFont(font);
        Colour(edit, QPalette::Base, kEditBackground);
        Colour(edit, QPalette::Text, 0x000000);
    }
    m_textEdit->setMinimumSize(330, 380);
    m_textEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    for (QPushButton* b : {m_titleChar, m_textChar})
        b->setFixedWidth(28);
    Colour(m_titleCounter, QPalette::WindowText, kCounterColor);
    Colour(m_textCounter, QPalette::WindowText, kCounterColor);
    Colour(m_note, QPalette::WindowText, kNoteColor);
    m_titleCounter->setMinimumWidth(60);
    m_textCounter->setMinimumWidth(60);
    m_ok->setDefault(true);

    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(m_titleEdit, 1);
    titleRow->addWidget(m_titleChar);
    titleRow->addWidget(m_titleCounter);
    auto* textRow = new QHBoxLayout;
    textRow->addWidget(m_textChar);
    textRow->addWidget(m_textCounter);
    textRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(titleRow);
    layout->addWidget(m_textEdit, 1);
    layout->addLayout(textRow);
    layout->addWidget(m_note);
    layout->addLayout(buttons);

    connect(m_titleEdit, &QLineEdit::textChanged, this, &CLmsEditDlg::OnUpdateTitle);
    connect(m_textEdit, &QPlainTextEdit::textChanged, this, &CLmsEditDlg::OnUpdateText);
    connect(m_titleChar, &QPushButton::clicked, this,
            [this] { CSpecialCharDlg::InsertInto(m_titleEdit, m_titleChar); });
    connect(m_textChar, &QPushButton::clicked, this,
            [this] { CSpecialCharDlg::InsertInto(m_textEdit, m_textChar); });
    connect(m_ok, &QPushButton::clicked, this, &CLmsEditDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CLmsEditDlg::~CLmsEditDlg() = default;

bool CLmsEditDlg::Edit(QWidget* parent, std::string& subject, std::string& text) {
    CLmsEditDlg dlg(parent);
    dlg.SetTitle(subject);
    dlg.SetText(text);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    subject = dlg.Title();
    text = dlg.Text();
    return true;
}

void CLmsEditDlg::showEvent(QShowEvent* event) {
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

// The caller's values go through the same checks as typing, so the counters are right and a
// value over the limit is cut before it can be confirmed.
void CLmsEditDlg::OnInitDialog() {
    m_titleEdit->setText(zmsg::FromCp949(m_strTitle));
    OnUpdateTitle();
    m_textEdit->setPlainText(zmsg::FromCp949(m_strText));
    OnUpdateText();
}

std::optional<std::string> CLmsEditDlg::EncodableTitle() {
    std::vector<std::string> bad;
    auto title = zmsg::ToCp949(m_titleEdit->text(), &bad);
    if (title) {
        m_lastTitle = m_titleEdit->text();
        return title;
    }
    m_titleEdit->setText(m_lastTitle);
    RefuseCharacters(bad, this);
    return std::nullopt;
}

std::optional<std::string> CLmsEditDlg::EncodableText() {
    std::vector<std::string> bad;
    auto text = zmsg::ToCp949(m_textEdit->toPlainText(), &bad);
    if (text) {
        m_lastText = m_textEdit->toPlainText();
        return text;
    }
    m_textEdit->setPlainText(m_lastText);
    m_textEdit->moveCursor(QTextCursor::End);
    RefuseCharacters(bad, this);
    return std::nullopt;
}

void CLmsEditDlg::OnUpdateTitle() {
    if (m_updating)
        return;
    m_updating = true;
    std::string t = EncodableTitle().value_or(zmsg::ToCp949Lossy(m_lastTitle));
    if (t.size() > kTitleLimit) {
        t = CvexGlobal::TruncateHangul(t, kTitleLimit);
        m_titleEdit->setText(zmsg::FromCp949(t));
        m_lastTitle = m_titleEdit->text();
        m_titleEdit->end(false);
        ShowMessageBox(K("제목은 40바이트(한글20자, 영문40자)까지만 입력하실 수 있습니다."), MB_OK, 0, 0,
                       this);
    }
    m_titleCounter->setText(QString::asprintf("%d/40", static_cast<int>(t.size())));
    m_updating = false;
}

void CLmsEditDlg::OnUpdateText() {
    if (m_updating)
        return;
    m_updating = true;
    std::string t = LineBreaksAsLf(EncodableText().value_or(zmsg::ToCp949Lossy(m_lastText)));
    if (t.size() > kTextLimit) {
        t = CvexGlobal::TruncateHangul(t, kTextLimit);
        m_textEdit->setPlainText(zmsg::FromCp949(t));
        m_lastText = m_textEdit->toPlainText();
        m_textEdit->moveCursor(QTextCursor::End);
        m_textEdit->ensureCursorVisible();
        ShowMessageBox(K("내용은 2000바이트(한글1000자, 영문2000자)까지만 입력하실 수 있습니다."), MB_OK, 0,
                       0, this);
    }
    m_textCounter->setText(QString::asprintf("%d/2000", static_cast<int>(t.size())));
    m_updating = false;
}

void CLmsEditDlg::accept() {
    m_strTitle = zmsg::ToCp949Lossy(m_titleEdit->text());
    m_strText = LineBreaksAsLf(zmsg::ToCp949Lossy(m_textEdit->toPlainText()));
    QDialog::accept();
}
