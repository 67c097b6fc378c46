#include "combined/ui/combinedpart.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "frame/messagebox.h"
#include "smms/ui/imageeditdlg.h"
#include "text/codec.h"

using zmsg::K;

void CCombinedPart::ChoosePicture(QWidget* parent) {
    const std::string& file = m_upload.Path();
    if (file.empty()) {
        ShowMessageBox(K("이미지를 저장할 폴더에 쓸 수 없어 이미지를 첨부할 수 없습니다."), MB_OK, 0, 0,
                       parent);
        return;
    }
    // The editor writes the window's one file only when a selection is used: a cancelled editor leaves
    // the picture attached before as it was.
    CImageEditDlg editor(file, parent);
    if (editor.DoModal() == QDialog::Accepted && !editor.ResultPath().empty()) {
        m_imagePath = editor.ResultPath();
        return;
    }
    if (HasPicture() && ShowMessageBox(K("이미지를 새로 선택하지 않았습니다.\n첨부된 이미지를 빼시겠습니까?"),
                                       kQuestionNoDefault, 0, 0, parent) == IDYES)
        m_imagePath.clear();
}

bool CCombinedPart::PictureUsable() const {
    const QString name = QFile::decodeName(QByteArray::fromStdString(m_imagePath));
    return QFileInfo(name).size() > 0 && QImageReader(name).canRead();
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
