// Pictures the image tests write: four coloured quadrants (so turns and crops can be read back), the
// same JPEG with an orientation tag, and a reading of a JPEG's quantisation tables.
#pragma once

#include <string>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>

namespace testimages {

inline const QColor kRed(220, 30, 30);
inline const QColor kGreen(30, 200, 30);
inline const QColor kBlue(30, 30, 220);
inline const QColor kYellow(230, 220, 30);

// 96 dots per inch, as the offscreen screen: shown at one screen pixel per picture pixel.
inline QImage Quadrants(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h / 2, kRed);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, kGreen);
    p.fillRect(0, h / 2, w / 2, h - h / 2, kBlue);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, kYellow);
    p.end();
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return image;
}

inline QByteArray Jpeg(const QImage& image, int quality = 95) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return bytes;
}

// The camera's note that the picture was taken turned: an APP1 "Exif" segment right after the start
// marker, holding a big-endian TIFF header and one directory entry, Orientation (0x0112), a SHORT.
inline QByteArray WithOrientation(const QByteArray& jpeg, int orientation) {
    const unsigned char app1[] = {
        0xFF, 0xE1,
        0x00, 0x22, // APP1, length 34 (counting itself)
        'E',  'x',
        'i',  'f',
        0x00, 0x00, // identifier
        'M',  'M',
        0x00, 0x2A,
        0x00, 0x00,
        0x00, 0x08, // TIFF header, first directory at 8
        0x00, 0x01, // one entry
        0x01, 0x12,
        0x00, 0x03,
        0x00, 0x00,
        0x00, 0x01, // Orientation, SHORT, count 1
        0x00, static_cast<unsigned char>(orientation),
        0x00, 0x00, // value, padded
        0x00, 0x00,
        0x00, 0x00, // no next directory
    };
    QByteArray out = jpeg.left(2); // SOI
    out.append(reinterpret_cast<const char*>(app1), sizeof app1);
    out.append(jpeg.mid(2));
    return out;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Every value of every quantisation table (DQT segments) of a JPEG file. Quality 100 makes them all 1.
inline std::vector<int> QuantisationValues(const QByteArray& jpeg) {
    std::vector<int> values;
    const auto byte = [&jpeg](qsizetype i) { return static_cast<unsigned char>(jpeg.at(i)); };
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && byte(at) == 0xFF) {
        const int marker = byte(at + 1);
        const qsizetype length = (byte(at + 2) << 8) | byte(at + 3);
        if (marker == 0xDA) // image data follows: no more tables
            break;
        if (marker == 0xDB) {
            qsizetype p = at + 4;
            while (p < at + 2 + length) {
                const bool wide = (byte(p) >> 4) != 0;
                ++p;
                for (int i = 0; i < 64; ++i, p += wide ? 2 : 1)
                    values.push_back(wide ? (byte(p) << 8) | byte(p + 1) : byte(p));
            }
        }
        at += 2 + length;
    }
    return values;
}

// Within JPEG's blur of a flat colour.
inline bool Near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace testimages
