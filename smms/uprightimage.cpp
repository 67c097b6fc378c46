#include "smms/uprightimage.h"

#include <cmath>

#include <QFile>
#include <QImageReader>

namespace zmsg {

namespace {
// Qt refuses pictures over 128 MB decoded by default, which a 48-megapixel phone photo (8000 x 6000,
// 192 MB) already is. The limit is the process's; it is only ever raised, never lowered or removed.
constexpr int kAllocationLimitMb = 512;
} // namespace

QImage ReadUprightImage(const std::string& path, QString* error) {
    if (const int limit = QImageReader::allocationLimit(); limit != 0 && limit < kAllocationLimitMb)
        QImageReader::setAllocationLimit(kAllocationLimitMb);
    QImageReader reader(QFile::decodeName(QByteArray::fromStdString(path)));
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        if (error)
            *error = reader.errorString();
        return image;
    }
    MakeDrawable(image);
    if (image.isNull() && error)
        *error = QStringLiteral("out of memory");
    return image;
}

void MakeDrawable(QImage& image) {
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (!image.isNull() && image.format() != format)
        image.convertTo(format);
}

int ImageDpiX(const QImage& image) {
    return image.dotsPerMeterX() > 0 ? static_cast<int>(std::lround(image.dotsPerMeterX() * 0.0254)) : 0;
}

} // namespace zmsg
