#pragma once

#include <QImage>
#include <QRegion>
#include <QString>
#include <QStringList>

namespace skintest {

// Pictures drawn as text, one character per pixel: '.' transparent, 'K' black,
// 'W' white, 'R' red, 'G' green.
inline QImage PictureFromArt(const QStringList& rows)
{
    const QString letters = QStringLiteral(".KWRG");
    const QRgb colours[] = {qRgba(0, 0, 0, 0), qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0),
                            qRgb(0, 255, 0)};
    QImage picture(int(rows.first().size()), int(rows.size()), QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, colours[qMax(0, letters.indexOf(rows[y][x]))]);
    return picture;
}

// The pixels of a width x height area that a region covers, as '#' (in) and '.' (out).
inline QStringList CoverageArt(const QRegion& region, int width, int height)
{
    QStringList rows;
    for (int y = 0; y < height; ++y) {
        QString row;
        for (int x = 0; x < width; ++x)
            row += region.contains(QPoint(x, y)) ? QLatin1Char('#') : QLatin1Char('.');
        rows << row;
    }
    return rows;
}

} // namespace skintest
