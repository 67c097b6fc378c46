#include "host/hostwindow.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "text/codec.h"
#include "zmsg/zmsg.h"

namespace {
std::string cp949(const QLineEdit* e) {
    return zmsg::ToCp949Lossy(e->text());
}
} // namespace

HostWindow::HostWindow(CSQLDirect* db, const QString& connection, QWidget* parent)
    : QWidget(parent), m_db(db) {
    setWindowTitle(QStringLiteral("ZMSG 호스트 (시험용 매장 프로그램)"));
    auto* layout = new QVBoxLayout(this);

    auto* args = new QGroupBox(QStringLiteral("호출 인자"), this);
    auto* form = new QFormLayout(args);
    form->addRow(QStringLiteral("데이터베이스"), new QLabel(connection, args));
    m_emp = new QSpinBox(args);
    m_emp->setRange(0, 999999);
    m_emp->setValue(1);
    form->addRow(QStringLiteral("사원코드 (empCode)"), m_emp);
    m_targetType = new QComboBox(args);
    m_targetType->addItem(QStringLiteral("0 회원"), 0);
    m_targetType->addItem(QStringLiteral("1 사원"), 1);
    m_targetType->addItem(QStringLiteral("2 거래처"), 2);
    m_targetType->addItem(QStringLiteral("3 수신거부 처리 안내"), 3);
    m_targetType->addItem(QStringLiteral("4 (잘못된 유형)"), 4);
    form->addRow(QStringLiteral("전송대상 (targetType)"), m_targetType);
    m_codes = new QLineEdit(args);
    m_codes->setPlaceholderText(QStringLiteral("예: 1,2,3"));
    form->addRow(QStringLiteral("코드 목록 (codeList)"), m_codes);
    m_condition = new QLineEdit(args);
    m_condition->setPlaceholderText(QStringLiteral("예: AND mem_point > 1000"));
    // The sample store's first 200 members hold one of each case the list handles (repeated, badly
    // formed, starred and refusing numbers), so the demo opens with them.
    m_condition->setText(QStringLiteral("AND mem_code <= 200"));
    form->addRow(QStringLiteral("조건 (condition)"), m_condition);
    m_imagePath = new QLineEdit(args);
    form->addRow(QStringLiteral("이미지 (imagePath)"), m_imagePath);
    m_ssCode = new QSpinBox(args);
    m_ssCode->setRange(-1, 99999999);
    form->addRow(QStringLiteral("전송코드 (ssCode)"), m_ssCode);
    layout->addWidget(args);

    auto* buttons = new QGroupBox(QStringLiteral("모듈 기능"), this);
    auto* grid = new QVBoxLayout(buttons);
    auto add = [&](const QString& caption, void (HostWindow::*slot)()) {
        auto* b = new QPushButton(caption, buttons);
        connect(b, &QPushButton::clicked, this, slot);
        grid->addWidget(b);
    };
    add(QStringLiteral("문자 보내기 (PopupSMS)"), &HostWindow::popupSms);
    add(QStringLiteral("앱 메시지 보내기 (PopupSMMS)"), &HostWindow::popupSmms);
    add(QStringLiteral("쿠폰 발행 (PopupCouponIssue)"), &HostWindow::popupCoupon);
    add(QStringLiteral("080 수신거부 관리 (PopupRefuseList)"), &HostWindow::popupRefuseList);
    add(QStringLiteral("문자 결과 수신 (ReceiveResult)"), &HostWindow::receiveSms);
    add(QStringLiteral("앱 메시지 결과 수신 (ReceiveSMMSResult)"), &HostWindow::receiveSmms);
    layout->addWidget(buttons);

    m_status = new QLabel(this);
    layout->addWidget(m_status);
}

void HostWindow::popupSms() {
    PopupSMS(m_db, m_emp->value(), m_targetType->currentData().toInt(), cp949(m_codes).c_str(),
             cp949(m_condition).c_str());
}

void HostWindow::popupSmms() {
    PopupSMMS(m_db, m_emp->value(), cp949(m_codes).c_str(), cp949(m_condition).c_str(),
              cp949(m_imagePath).c_str());
}

void HostWindow::popupCoupon() {
    PopupCouponIssue(m_db, m_emp->value(), cp949(m_codes).c_str(), cp949(m_condition).c_str());
}

void HostWindow::popupRefuseList() {
    PopupRefuseList(m_db, m_emp->value());
}

void HostWindow::receiveSms() {
    const int r = ReceiveResult(m_db, m_ssCode->value());
    m_status->setText(QStringLiteral("ReceiveResult = %1").arg(r));
}

void HostWindow::receiveSmms() {
    const int r = ReceiveSMMSResult(m_db, m_ssCode->value());
    m_status->setText(QStringLiteral("ReceiveSMMSResult = %1").arg(r));
}
