// Reading a picture the way people expect to see it: a photo whose file says the camera was held
// rotated opens upright.
#pragma once

#include <string>

#include <QImage>
#include <QString>

namespace zmsg {

// The path is a file-system name. A null image when the file cannot be read; error then says why.
// The result is 32-bit (premultiplied when the picture has transparency), ready to draw.
QImage ReadUprightImage(const std::string& path, QString* error = nullptr);

// Converts to the 32-bit form everything here draws from (premultiplied when it has transparency).
void MakeDrawable(QImage& image);

// Horizontal resolution the file states, in whole dots per inch (0 when unknown). Rounded because the
// image keeps it as dots per metre in an integer, which turns the file's 72 into 71.99.
int ImageDpiX(const QImage& image);

} // namespace zmsg
