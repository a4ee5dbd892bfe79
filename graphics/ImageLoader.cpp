#include "graphics/ImageLoader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstring>

#include "graphics/QtText.h"
#include "storage/Text.h"

namespace {

std::string LowerExtension(const std::string& fileName) {
    size_t slash = fileName.find_last_of("/\\");
    size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return AsciiLowerCase(fileName.substr(dot));
}

std::string ReadEncodedImage(TStream& stream) {
    if (stream.Remaining() > MaxEncodedImageBytes)
        throw Exception("画像ファイルが大きすぎます");
    return stream.ReadRest(MaxEncodedImageBytes);
}

// Windows bitmaps through Qt's reader. A 32-bit file gives a 32-bit bitmap, anything else 24-bit.
void LoadBmp(TBitmap& bitmap, TStream& stream, const TImageLimits& limits) {
    std::string bytes = ReadEncodedImage(stream);
    QByteArray array = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&array);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    QSize size = reader.size();
    if (size.isValid())
        CheckImageSize(size.width(), size.height(), limits);
    QImage image;
    if (!reader.read(&image))
        throw Exception(ProgramText(reader.errorString()));
    CheckImageSize(image.width(), image.height(), limits);
    bool wide = bytes.size() >= 30 && static_cast<uint8_t>(bytes[28]) == 32 && bytes[29] == 0;
    image = image.convertToFormat(wide ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    bitmap.Allocate(image.width(), image.height(), wide ? TPixelFormat::Bits32 : TPixelFormat::Bits24);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bitmap.ScanLine(y), image.constScanLine(y),
                    static_cast<size_t>(image.width()) * bitmap.BytesPerPixel());
}

}  // namespace

void LoadGraphic(TBitmap& bitmap, const std::string& fileName, TStream& stream, const TImageLimits& limits) {
    std::string extension = LowerExtension(fileName);
    if (extension == ".bmp") {
        LoadBmp(bitmap, stream, limits);
    } else if (extension == ".png") {
        LoadPng(bitmap, stream, limits);
    } else if (extension == ".jpg" || extension == ".jpeg") {
        LoadJpeg(bitmap, ReadEncodedImage(stream), limits);
    } else if (extension == ".jpx") {
        if (stream.Remaining() > MaxJpxBytes)
            return;
        std::string bytes = stream.ReadRest(MaxJpxBytes);
        ScrambleJpx(bytes);
        LoadJpeg(bitmap, bytes, limits);
    }
}
