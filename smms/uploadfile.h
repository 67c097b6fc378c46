// The picture an app-message window is about to send lives in a file of that window's own: two
// windows (or two store programs on one folder) never overwrite each other's picture. The center is
// still told the one name it has always been told.
#pragma once

#include <string>

namespace zmsg {

// The file name the upload gives the center, whatever the local file is called.
inline constexpr const char* kSmmsUploadName = "Alder_SMMS_Upload.jpg";

class SmmsUploadFile {
public:
    SmmsUploadFile() = default;
    // The window is done with its picture: the file goes.
    ~SmmsUploadFile();
    SmmsUploadFile(const SmmsUploadFile&) = delete;
    SmmsUploadFile& operator=(const SmmsUploadFile&) = delete;

    // The file, created empty on first use under a name no other window holds
    // ("Alder_SMMS_Upload_XXXXXX.jpg" in the data folder, frame/datafolder.h). Empty when no folder
    // can be written.
    const std::string& Path();

private:
    std::string m_path;
};

} // namespace zmsg
