#include "image/Image.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

namespace {

// No cover needs more: 64 MB of pixels is a picture of 4000 x 4000.
constexpr int kAllocationLimitMb = 64;

QByteArray Bytes(std::string_view data) {
    return QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size()));
}

}  // namespace

std::optional<PixelSize> PixelSizeOf(std::string_view data) {
    QByteArray bytes = Bytes(data);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid()) return std::nullopt;
    return PixelSize{size.width(), size.height()};
}

Shrunk ShrinkToJpeg(std::string_view data, int maxEdge) {
    QImageReader::setAllocationLimit(kAllocationLimitMb);
    QByteArray bytes = Bytes(data);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) <= maxEdge) return {};
    const QImage image = reader.read();
    if (image.isNull()) return {true, std::nullopt};
    if (std::max(image.width(), image.height()) <= maxEdge) return {};
    const QImage scaled =
        image.scaled(maxEdge, maxEdge, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QByteArray out;
    QBuffer sink(&out);
    sink.open(QIODevice::WriteOnly);
    QImageWriter writer(&sink, "jpeg");
    writer.setQuality(90);
    if (!writer.write(scaled.hasAlphaChannel() ? scaled.convertToFormat(QImage::Format_RGB32)
                                               : scaled))
        return {true, std::nullopt};
    return {false, std::string(out.constData(), static_cast<size_t>(out.size()))};
}

Shrinker JpegShrinker(int maxEdge) {
    return [maxEdge](std::string_view data) { return ShrinkToJpeg(data, maxEdge); };
}
