// The first show: tool tips, the combos' entries, the account, the draft, the given picture, and the
// member load, delayed until the window is up.
#include "smms/ui/smmsdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "compose/ui/timecombos.h"
#include "frame/clock.h"
#include "frame/messagebox.h"
#include "frame/moduleapp.h"
#include "frame/widgets/modulefont.h"
#include "frame/widgets/trellisex.h"
#include "smms/ui/imagepreview.h"
#include "smms/ui/smmsgrid.h"
#include "text/codec.h"

using zmsg::FromCp949;
using zmsg::K;

bool CSmmsDlg::OnInitDialog() {
    setWindowTitle(QStringLiteral("AlderS 문자 - ") + FromCp949(theApp().GetVersionString()));
    ApplyModuleFont(this);
    SetToolTips();
    zmsg::FillTimeCombos(m_popupHour, m_popupMinute, m_popupDate);
    zmsg::FillSignalCombo(m_signal);
    SetupSmmsColumns(*m_grid);
    ShowPage(kPageMembers);
    LayoutLeftPane();

    if (!m_db || InitAccount() != SmmsAccountFetch::Ok)
        return false;
    m_title->setText(QStringLiteral("(광고)") + FromCp949(m_account.storeName));
    LoadDraft();

    if (!m_strImagePath.empty()) {
        if (!LoadPreview(m_strImagePath)) {
            ShowMessageBox(K("지정된 이미지를 불러올 수 없습니다!\n") + zmsg::FileNameToCp949(m_strImagePath),
                           MB_OK, 0, 0, BoxParent());
            m_strImagePath.clear();
        }
        LayoutLeftPane();
    }
    ShowPendingSend();
    if (!m_memberCodes.empty() || !m_memberCondition.empty())
        m_loadTimer.start();
    m_opened = true;
    return true;
}

void CSmmsDlg::SetToolTips() {
    m_titleSpecial->setToolTip(QStringLiteral("제목에 특수문자를 입력합니다."));
    m_bodySpecial->setToolTip(QStringLiteral("메시지에 특수문자를 입력합니다."));
    m_localImage->setToolTip(QStringLiteral("로컬 PC에 있는 이미지파일을 선택합니다."));
    m_imageBox->setToolTip(QStringLiteral("센터서버에 저장된 이미지보관함을 사용합니다."));
    m_pageButtons[0]->setToolTip(QStringLiteral("AlderS 문자를 전송할 대상 전화번호 목록입니다."));
    m_pageButtons[1]->setToolTip(QStringLiteral("센터서버에 저장된 이미지보관함을 사용합니다."));
    m_pageButtons[2]->setToolTip(QStringLiteral("이전에 전송한 AlderS 문자내역을 조회합니다."));
    m_pageButtons[3]->setToolTip(QStringLiteral("다른 점포에서 전송한 AlderS 문자내역을 조회합니다."));
    m_title->setToolTip(QStringLiteral("AlderS 문자 제목을 입력합니다."));
    m_body->setToolTip(QStringLiteral("AlderS 문자 내용을 입력합니다."));
    m_preview->setToolTip(
        QStringLiteral("로컬 이미지파일 또는 센터 이미지보관함 파일을 전송할 수 있습니다."));
    m_callback->setToolTip(QStringLiteral("메시지 수신자가 전화를 걸 수 있는 발신번호를 입력합니다."));
    m_selectCallback->setToolTip(QStringLiteral("센터에 등록된 발신번호를 선택합니다."));
    m_popup->setToolTip(
        QStringLiteral("최대한 빨리 사용자 휴대폰으로 전송된 후 예약된 시각에 떠서 보여집니다."));
    m_allUser->setToolTip(QStringLiteral("센터에 등록된 우리 점포 단골회원 전체에게 메시지를 전송합니다.\n"
                                         "(위에 선택된 수신자 포함)"));
}
