// The SMS dialog's side of the combined send: the picture chosen for the app message (kept in the
// window's own upload file) and the window's app part left unsettled by an earlier press.
#pragma once

#include <optional>
#include <string>

#include "center/send/sendstate.h"
#include "combined/combinedsend.h"
#include "smms/uploadfile.h"

class CSQLDirect;
class QWidget;

class CCombinedPart {
public:
    // Runs the image editor. A chosen picture is never dropped without a word: when the editor is
    // cancelled the clerk is asked whether the picture attached before goes.
    void ChoosePicture(QWidget* parent);
    const std::string& ImagePath() const { return m_imagePath; }
    bool HasPicture() const { return !m_imagePath.empty(); }
    // The attached picture's file can still be sent (there, not empty, a picture).
    bool PictureUsable() const;

    // Sends the app part; keeps what is left unsettled for the next press.
    AppPartResult Send(CSQLDirect& db, CombinedAppInput in, const SmsPartDone& done,
                       const ProgressHooks& progress);
    const std::optional<PendingSend>& Unsettled() const { return m_unsettled; }
    // What an SMS press settled of it (every press asks about it first).
    void SetUnsettled(std::optional<PendingSend> send) { m_unsettled = std::move(send); }
    // What the app part of this input would send, with the chosen picture.
    SendIdentity Identity(CombinedAppInput in) const;

private:
    zmsg::SmmsUploadFile m_upload;
    std::string m_imagePath;
    std::optional<PendingSend> m_unsettled;
};
