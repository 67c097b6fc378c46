#include "sms/ui/combinedpart.h"

#include "smms/ui/imageeditdlg.h"

void CCombinedPart::ChoosePicture(QWidget* parent) {
    m_imagePath.clear();
    const std::string& file = m_upload.Path();
    if (file.empty())
        return;
    CImageEditDlg editor(file, parent);
    if (editor.DoModal() == QDialog::Accepted && !editor.ResultPath().empty())
        m_imagePath = editor.ResultPath();
}

AppPartResult CCombinedPart::Send(CSQLDirect& db, CombinedAppInput in, const SmsPartDone& done,
                                  const ProgressHooks& progress) {
    in.imagePath = m_imagePath;
    in.ownUnsettled = m_unsettled;
    const CombinedAppResult r = SendCombined(db, in, done, progress);
    m_unsettled = r.unsettled;
    return r.part;
}

SendIdentity CCombinedPart::Identity(CombinedAppInput in) const {
    in.imagePath = m_imagePath;
    return CombinedIdentity(in);
}
