#include "sms/ui/smsdlg.h"

#include <cstdio>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "center/vexglobal.h"
#include "compose/smsdraft.h"
#include "compose/ui/timecombos.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"
#include "frame/widgets/modulefont.h"
#include "frame/widgets/trellisex.h"
#include "sms/ui/recipientgrid.h"
#include "sms/ui/smsdlgcolors.h"
#include "text/codec.h"

using smsdlg::kEditorNormal;
using smsdlg::kLmsArea;
using smsdlg::kSmsArea;
using smsdlg::SetBackground;
using zmsg::FromCp949;
using zmsg::K;

namespace {

constexpr int kLoadDelayMs = 100;

} // namespace

CSMSDlg::CSMSDlg(CSQLDirect* db, int32_t empCode, int32_t targetType, std::string codeList,
                 std::string condition, QWidget* parent)
    : CModuleDlg(K("----------------- SMS 전송창 시작 -----------------"), parent), m_db(db),
      m_empCode(empCode), m_targetType(targetType), m_codeList(std::move(codeList)),
      m_condition(std::move(condition)) {
    setObjectName(QStringLiteral("CSMSDlg"));
    BuildControls();
    m_loadTimer.setInterval(kLoadDelayMs);
    connect(&m_loadTimer, &QTimer::timeout, this, &CSMSDlg::OnTimer);
}

CSMSDlg::~CSMSDlg() = default;

bool CSMSDlg::OnInitDialog() {
    if (m_targetType < 0 || m_targetType > 3) {
        char text[64];
        std::snprintf(text, sizeof text, "%d)", m_targetType);
        LogAndShow(K("전송대상 유형 오류! (유형=") + text, 1);
        // An empty dialog: nothing in it can work without a target type, only closing does.
        for (QWidget* child : findChildren<QWidget*>())
            if (child != m_close && !child->isAncestorOf(m_close))
                child->setEnabled(false);
        return true;
    }
    m_bindOnce = LoadBindOnce();

    setWindowTitle(QStringLiteral("SMS Alder - ") + FromCp949(theApp().GetVersionString()));
    ApplyModuleFont(this);
    // One width with the reservation shown or not (nothing is hidden yet, so the hint counts it): the
    // list beside it never moves.
    m_messageSide->setFixedWidth(m_messageSide->sizeHint().width());
    SetToolTips();
    SetupRecipientColumns(*m_grid, m_targetType);
    zmsg::FillTimeCombos(m_reserveHour, m_reserveMinute, m_reserveDate);
    zmsg::FillSignalCombo(m_signal);
    SetBackground(m_editor, QPalette::Base, kEditorNormal);

    if (!m_db || FetchAccount(*m_db, m_empCode, m_account, BoxParent()) != AccountFetch::Ok)
        return false;
    if (m_account.storeCode < 1000 || m_account.storeCode > 9999) {
        ShowMessageBox(K("점포코드를 참조할 수 없습니다."), MB_OK, 0, 0, BoxParent());
        return false;
    }
    ShowAccountValues();
    LoadDraft();
    UpdateModeDisplay();
    ApplyAdTemplate();
    if (m_targetType == 3) {
        SetEditorText(RefusalNotice(m_account.storeName));
        // The notice of a carried-out refusal is no advertisement: its checks would only stand in the way.
        m_noAdCheck->setChecked(true);
    }
    UpdateCounter();
    UpdateSignalComboVisibility();
    ShowPendingSend();
    if (!m_codeList.empty() || !m_condition.empty())
        m_loadTimer.start();
    m_opened = true;
    return true;
}

void CSMSDlg::BuildControls() {
    auto* root = new QHBoxLayout(this);
    root->addWidget(BuildMessageSide());
    auto* right = new QVBoxLayout;
    right->addWidget(BuildAccountPanel());
    right->addWidget(BuildListSide(), 1);
    root->addLayout(right, 1);
    resize(960, 640);
}

void CSMSDlg::SetToolTips() {
    m_special->setToolTip(QStringLiteral("특수문자를 표시합니다."));
    m_callbackButton->setToolTip(QStringLiteral("센터에 등록된 발신번호를 선택합니다."));
    m_addButton->setToolTip(QStringLiteral("수기로 입력한 이름과 전화번호를 전송대상 목록에 추가합니다."));
    m_pasteButton->setToolTip(QStringLiteral("클립보드에 복사해둔 데이터를 전송대상 목록에 추가합니다."));
    m_pageButtons[0]->setToolTip(QStringLiteral("SMS를 전송할 대상 전화번호 목록입니다."));
    m_pageButtons[1]->setToolTip(QStringLiteral("메시지를 서식으로 등록하여 쉽게 사용하실 수 있습니다."));
    m_pageButtons[2]->setToolTip(QStringLiteral("다른 점포에서 발송한 SMS내용을 참조할 수 있습니다."));
    m_pageButtons[3]->setToolTip(QStringLiteral("이전에 전송한 SMS내역을 조회하고, 예약건을 취소합니다."));
    m_pageButtons[4]->setToolTip(QStringLiteral("콜충전 내역을 조회합니다."));
    m_pageButtons[5]->setToolTip(QStringLiteral("콜충전 방법을 안내합니다."));
    m_lms->setToolTip(
        QStringLiteral("일반 SMS는 최대 90바이트(한글45자)까지 입력이 가능하며,\nLMS는 최대 "
                       "2000바이트(한글 1000자)까지 입력이 가능합니다.\n\n차감되는 콜수가 다르니 "
                       "반드시 확인하시고 용도에 맞는 메시지를 사용하세요."));
    m_longEdit->setToolTip(
        QStringLiteral("아래 화면은 문자메시지 표준 16바이트 폭이라서 장문을 직접 입력하기 "
                       "힘듭니다.\n클릭하시면 장문 제목과 좀 더 넓은 입력창을 사용하실 수 "
                       "있습니다."));
    m_refresh->setToolTip(
        QStringLiteral("현재 콜수 표시를 갱신합니다.\n(충전처리가 되었는지 확인하실 때 사용합니다.)"));
    m_combined->setToolTip(
        QStringLiteral("AlderS 설치 고객에게는 일반문자(SMS또는 LMS)를 전송하지 않고 AlderS "
                       "무료문자로 메시지를 전송합니다."));
    m_imageButton->setToolTip(QStringLiteral("AlderS 문자발송에 포함될 이미지를 선택합니다."));
    m_optOutButton->setToolTip(
        QStringLiteral("080 수신거부 서버에서 매장의 080 수신거부 번호를 가져옵니다."));
}

void CSMSDlg::UpdateModeDisplay() {
    const bool lms = IsLms();
    SetBackground(m_messageArea, QPalette::Window, lms ? kLmsArea : kSmsArea);
    m_longEdit->setVisible(lms);

    m_reserveBox->setVisible(m_reserve->isChecked());

    const bool appSeen = m_list.AppSignalSeen();
    m_combined->setEnabled(m_targetType == 0 && appSeen);
    if (!appSeen || m_targetType != 0)
        m_combined->setChecked(false);
    const bool combinedShown = m_targetType == 0 && m_combined->isChecked();
    m_centerMembers->setVisible(combinedShown);
    m_imageButton->setVisible(combinedShown);
    m_imageState->setVisible(combinedShown);
    m_imageState->setText(m_combinedPart.HasPicture() ? QStringLiteral("이미지 첨부됨")
                                                      : QStringLiteral("이미지 없음"));
    if (!combinedShown)
        m_centerMembers->setChecked(false);

    const int32_t payType = m_account.payType;
    m_balanceCaption->setText(FromCp949(BalanceCaption(payType)));
    m_kindCaption->setText(FromCp949(KindCaption(lms, m_account.lmsAdLen > 0)));
    m_usageCaption->setText(FromCp949(UsageCaption(payType)));

    m_unitCharge = UnitCharge(m_account, lms);
    m_unitLabel->setText(FromCp949(UnitChargeLabel(m_unitCharge, payType, lms)));
    m_unitLabel->setToolTip(FromCp949(UnitChargeTip(payType, lms)));

    m_reservedLine->setVisible(m_account.reserved > 0);
    m_reservedCount->setText(
        FromCp949(CvexGlobal::GetMoneyString(static_cast<long long>(m_account.reserved))));
    RecountTargets();
}

void CSMSDlg::reject() {
    if (ShowMessageBox(K("전송창을 닫으시겠습니까?"), kQuestionNoDefault, 0, 0, BoxParent()) != IDYES)
        return;
    // A dialog that never opened holds no message: it must not overwrite the one kept.
    if (m_opened && m_targetType != 3)
        SaveSmsDraft(SmsDraftPath(), CurrentDraft(), 0);
    WriteLog(K("전송창 닫기(OnCancel)"), 0);
    QDialog::reject();
}
