// The picture: one edited from a local file or one chosen from the center's image box, and the preview
// box fitted to it.
#include "smms/ui/smmsdlg.h"

#include <algorithm>
#include <optional>

#include <QFile>

#include "center/pagehandover.h"
#include "center/requestclient.h"
#include "center/web/pagecommand.h"
#include "center/web/webbrowser2.h"
#include "frame/log.h"
#include "frame/messagebox.h"
#include "frame/widgets/progresswnd.h"
#include "smms/ui/imageeditdlg.h"
#include "smms/ui/imagepreview.h"

using zmsg::K;

namespace {

constexpr int kPreviewMinHeight = 24;

} // namespace

void CSmmsDlg::LayoutLeftPane() {
    // The preview takes the rendered picture's height, so the controls below sit right under it.
    const int rendered = m_preview->RenderedSize().height();
    m_preview->setFixedHeight(std::max(rendered, kPreviewMinHeight));
    LayoutPopup();
}

bool CSmmsDlg::LoadPreview(const std::string& path) {
    // Rendered for the full box; LayoutLeftPane then shrinks the box to the picture.
    m_preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    const bool ok = m_preview->SetImage(path) != 0;
    if (!ok)
        m_preview->Clear();
    return ok;
}

void CSmmsDlg::OnLocalImage() {
    CImageEditDlg editor(m_upload.Path(), this);
    if (editor.DoModal() != QDialog::Accepted)
        return;
    m_centerImageBox = 0;
    m_centerImage = 0;
    m_strImagePath = LoadPreview(editor.ResultPath()) ? editor.ResultPath() : std::string();
    LayoutLeftPane();
}

void CSmmsDlg::OnUseWebImgBox() {
    m_browser->CallPageFunction("jsGetImgBoxInfo", this, [this](const zmsg::PageValues& page) {
        if (!page.ok() || page.values.size() != 1)
            return;
        // Handled from the queue: the download and the boxes must not run inside the page's answer.
        QMetaObject::invokeMethod(
            this, [this, text = page.values[0]] { ApplyImageBoxChoice(text); }, Qt::QueuedConnection);
    });
}

void CSmmsDlg::ApplyImageBoxChoice(const std::string& pageText) {
    const std::optional<ImageBoxChoice> choice = ParseImageBoxChoice(pageText);
    if (!choice) {
        ShowMessageBox(K("선택된 이미지정보를 참조할 수 없습니다."), MB_OK, 0, 0, BoxParent());
        return;
    }
    std::optional<std::string> file;
    {
        CProgressWnd progress(this);
        progress.Show(true, K("선택된 이미지파일을 다운로드하는 중입니다."));
        file = HttpDownloadFile(choice->url);
        progress.Show(false, std::string());
    }
    if (!file) {
        WriteLog(K("이미지보관함 다운로드 실패 : ") + choice->url, 1);
        ShowMessageBox(K("선택된 이미지파일을 다운로드할 수 없습니다."), MB_OK, 0, 0, BoxParent());
        return;
    }
    const bool shown = LoadPreview(*file);
    QFile::remove(QString::fromStdString(*file));
    // What the preview shows is what goes out: a picture that cannot be shown is not kept either.
    m_centerImageBox = shown ? choice->box : 0;
    m_centerImage = shown ? choice->image : 0;
    m_strImagePath.clear();
    LayoutLeftPane();
    if (!shown) {
        WriteLog(K("이미지보관함 이미지를 표시할 수 없음 : ") + choice->url, 1);
        ShowMessageBox(K("선택된 이미지파일을 다운로드할 수 없습니다."), MB_OK, 0, 0, BoxParent());
        return;
    }
    WriteLog(K("이미지보관함 이미지 선택 : BOX=") + std::to_string(choice->box) +
                 " IMG=" + std::to_string(choice->image),
             0);
}
