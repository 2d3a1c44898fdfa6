#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace skin {

// A decoded picture, or why there is none.
struct PngPicture {
    QImage image;  // ARGB32, not premultiplied; null when decoding failed
    QString error; // empty when the picture was read
};

// Decodes PNG bytes with libpng's simplified reader.
PngPicture DecodePng(const QByteArray& bytes);
// Reads and decodes a PNG file; Qt resource paths (":/...") work too.
PngPicture ReadPng(const QString& path);

} // namespace skin
