#include "skin/PngPicture.h"

#include <QFile>
#include <png.h>

namespace skin {

PngPicture DecodePng(const QByteArray& bytes)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.constData(), size_t(bytes.size())))
        return {{}, QStringLiteral("not a readable PNG picture (%1)").arg(png.message)};
    // BGRA in memory is QImage's ARGB32 on a little-endian machine; the ARGB order
    // of a big-endian one.
    png.format = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    QImage image(int(png.width), int(png.height), QImage::Format_ARGB32);
    if (image.isNull()) {
        png_image_free(&png);
        return {{},
                QStringLiteral("a %1 x %2 picture does not fit in memory")
                    .arg(png.width)
                    .arg(png.height)};
    }
    if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()),
                               nullptr))
        return {{}, QStringLiteral("the PNG picture is damaged (%1)").arg(png.message)};
    return {image, {}};
}

PngPicture ReadPng(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("cannot open %1: %2").arg(path, file.errorString())};
    PngPicture picture = DecodePng(file.readAll());
    if (!picture.error.isEmpty())
        picture.error = path + QStringLiteral(": ") + picture.error;
    return picture;
}

} // namespace skin
