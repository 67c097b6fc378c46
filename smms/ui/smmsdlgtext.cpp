// The title and the body: their CP949 text, the body's byte counter, the special characters.
#include "smms/ui/smmsdlg.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "compose/ui/specialchardlg.h"
#include "frame/widgets/blinkstatic.h"
#include "smms/smmsmembers.h"
#include "text/codec.h"

using zmsg::FromCp949;

void CSmmsDlg::OnBodyChanged() {
    const int bytes = SmmsBodyBytes(BodyText());
    m_counter->setText(FromCp949(SmmsCounterText(bytes)));
    m_counter->SetBlink(SmmsBodyOver(bytes));
}

void CSmmsDlg::OnSpecialChar(bool title) {
    QWidget* target = title ? static_cast<QWidget*>(m_title) : m_body;
    CSpecialCharDlg::InsertInto(target, title ? m_titleSpecial : m_bodySpecial);
    target->setFocus();
}

std::string CSmmsDlg::TitleText() const {
    return zmsg::ToCp949Lossy(m_title->text());
}

std::string CSmmsDlg::BodyText() const {
    return zmsg::ToCp949Lossy(m_body->toPlainText());
}
