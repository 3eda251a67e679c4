#pragma once

// Images made with Qt for the cover tests (only suites that link Qt's Gui
// include this).

#include <QBuffer>
#include <QImage>
#include <string>

// A JPEG or PNG ("JPG", "PNG") of the size, in a gradient so it is no
// trivial picture.
inline std::string MakeImage(int width, int height, const char* format = "JPG") {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 90);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}
