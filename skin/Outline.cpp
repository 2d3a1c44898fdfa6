#include "skin/Outline.h"

#include <algorithm>
#include <vector>

namespace skin {

namespace {

// The runs of one row, as rectangles one pixel high, appended to runs.
void AddRowRuns(const QRgb* row, int width, QRgb key, QPoint origin, std::vector<QRect>& runs)
{
    int x = 0;
    while (x < width) {
        while (x < width && row[x] == key)
            ++x;
        const int x0 = x;
        while (x < width && row[x] != key)
            ++x;
        if (x > x0)
            runs.emplace_back(origin.x() + x0, origin.y(), x - x0, 1);
    }
}

bool SameSpans(const QRect* a, const QRect* b, size_t count)
{
    return std::equal(a, a + count, b, [](const QRect& upper, const QRect& lower) {
        return upper.left() == lower.left() && upper.right() == lower.right();
    });
}

} // namespace

QRegion OutlineOf(const QImage& picture, QPoint offset)
{
    if (picture.isNull())
        return {};
    const QImage pixels =
        picture.format() == QImage::Format_ARGB32 || picture.format() == QImage::Format_RGB32
            ? picture
            : picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = reinterpret_cast<const QRgb*>(pixels.constScanLine(0))[0];

    std::vector<QRect> bands;
    size_t bandStart = 0; // the band the next row may widen
    size_t bandCount = 0; // its rectangles; 0 when the row above had none
    for (int y = 0; y < pixels.height(); ++y) {
        const size_t rowStart = bands.size();
        AddRowRuns(reinterpret_cast<const QRgb*>(pixels.constScanLine(y)), pixels.width(), key,
                   offset + QPoint(0, y), bands);
        const size_t rowCount = bands.size() - rowStart;
        if (rowCount != 0 && rowCount == bandCount &&
            SameSpans(&bands[bandStart], &bands[rowStart], rowCount)) {
            for (size_t i = bandStart; i < rowStart; ++i)
                bands[i].setBottom(bands[i].bottom() + 1);
            bands.resize(rowStart);
        } else {
            bandStart = rowStart;
            bandCount = rowCount;
        }
    }
    QRegion region;
    region.setRects(bands.data(), int(bands.size()));
    return region;
}

} // namespace skin
