#include "sim/imagebox.h"

#include <cstdio>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace zmsg::sim {

namespace {

// A 160x120 picture as a baseline JPEG: a diagonal gradient between two colours with a white disc.
std::string DrawPicture(QColor from, QColor to) {
    QImage image(160, 120, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, image.width(), image.height());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    painter.fillRect(image.rect(), gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPoint(image.width() / 2, image.height() / 2), 32, 32);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes.toStdString();
}

// Drawn once, in the order of ImageBoxPictures(): one colour scheme per picture.
const std::vector<std::string>& Drawn() {
    static const std::vector<std::string> drawn = {
        DrawPicture(QColor(0x2e, 0x7d, 0x32), QColor(0xc5, 0xe1, 0xa5)),
        DrawPicture(QColor(0x15, 0x65, 0xc0), QColor(0xb3, 0xe5, 0xfc)),
        DrawPicture(QColor(0xc6, 0x28, 0x28), QColor(0xff, 0xe0, 0x82)),
    };
    return drawn;
}

} // namespace

const std::vector<ImageBoxPicture>& ImageBoxPictures() {
    static const std::vector<ImageBoxPicture> pictures = {
        {1, 1, "봄맞이 세일"},
        {1, 2, "신선식품 특가"},
        {1, 3, "주말 행사"},
    };
    return pictures;
}

std::string ImageBoxPath(int mart, int box, int image) {
    return "/SMMS/ImageBox/" + std::to_string(mart) + "/" + std::to_string(box) + "_" +
           std::to_string(image) + ".jpg";
}

std::optional<std::string> ImageBoxJpeg(int box, int image) {
    for (size_t i = 0; i < ImageBoxPictures().size(); ++i) {
        const ImageBoxPicture& p = ImageBoxPictures()[i];
        if (p.box == box && p.image == image)
            return Drawn()[i];
    }
    return std::nullopt;
}

std::optional<ImageBoxAddress> ParseImageBoxPath(const std::string& path) {
    ImageBoxAddress a;
    char tail[8] = {};
    int used = 0;
    if (std::sscanf(path.c_str(), "/SMMS/ImageBox/%d/%d_%d.%4s%n", &a.mart, &a.box, &a.image, tail, &used) !=
            4 ||
        std::string(tail) != "jpg" || static_cast<size_t>(used) != path.size() ||
        ImageBoxPath(a.mart, a.box, a.image) != path)
        return std::nullopt;
    return a;
}

} // namespace zmsg::sim
