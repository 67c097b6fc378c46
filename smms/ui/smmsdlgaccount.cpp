// The store's account and the callback number: the store's phone, the clerk's own mobile, or one
// registered at the center.
#include "smms/ui/smmsdlg.h"

#include <optional>
#include <string>

#include <QLineEdit>
#include <QPushButton>

#include "compose/ui/callbackselectdlg.h"
#include "frame/messagebox.h"
#include "text/codec.h"

using zmsg::FromCp949;
using zmsg::K;

SmmsAccountFetch CSmmsDlg::InitAccount() {
    const SmmsAccountFetch result = InitSmmsAccount(*m_db, m_empCode, m_account, BoxParent());
    if (!m_account.employeeName.empty())
        m_myMobile->setToolTip(FromCp949(K("발신번호를 ") + m_account.employeeName + K("님 전화번호(") +
                                         m_account.employeeMobile + K(")로 설정합니다.")));
    m_callback->setText(FromCp949(m_account.storePhone));
    return result;
}

void CSmmsDlg::OnMyMobile() {
    if (m_account.employeeMobile.empty()) {
        ShowMessageBox(K("직원정보에 내 전화번호가 없습니다."), MB_OK, 0, 0, BoxParent());
        return;
    }
    m_callback->setText(FromCp949(m_account.employeeMobile));
}

void CSmmsDlg::OnSelectCallback() {
    const std::optional<std::string> number = CCallbackSelectDlg::Choose(m_account.storeCode, this);
    if (number)
        m_callback->setText(FromCp949(*number));
}
