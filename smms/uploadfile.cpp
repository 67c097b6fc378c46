#include "smms/uploadfile.h"

#include <QFile>
#include <QTemporaryFile>

#include "frame/datafolder.h"
#include "frame/log.h"
#include "text/codec.h"

namespace zmsg {

SmmsUploadFile::~SmmsUploadFile() {
    if (!m_path.empty())
        QFile::remove(QFile::decodeName(QByteArray::fromStdString(m_path)));
}

const std::string& SmmsUploadFile::Path() {
    if (!m_path.empty())
        return m_path;
    const std::string folder = DataFolder();
    if (folder.empty()) {
        WriteLog(K("전송할 이미지 파일을 둘 폴더에 쓸 수 없습니다."), 1);
        return m_path;
    }
    // Created exclusively, so the name is ours until this object removes it.
    QTemporaryFile file(QFile::decodeName(QByteArray::fromStdString(folder)) +
                        QStringLiteral("Alder_SMMS_Upload_XXXXXX.jpg"));
    file.setAutoRemove(false);
    if (!file.open()) {
        WriteLog(K("전송할 이미지 파일을 만들 수 없습니다: ") + file.fileName().toStdString(), 1);
        return m_path;
    }
    m_path = QFile::encodeName(file.fileName()).toStdString();
    return m_path;
}

} // namespace zmsg
