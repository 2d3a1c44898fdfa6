#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>

namespace skin {

// The part of a picture that is not its key colour (the top-left pixel), as a
// region moved by offset. Each row is cut into runs of non-key pixels; a run that
// reaches the right edge ends there and belongs to the figure, so a figure drawn up
// to the edge keeps its last column. Rows with the same runs as the row above
// widen that band instead of adding rectangles, and the region is made in one
// step from the sorted bands: the cost grows with the picture's size, with no
// limit on the number of runs. A null picture has an empty outline.
QRegion OutlineOf(const QImage& picture, QPoint offset);

} // namespace skin
