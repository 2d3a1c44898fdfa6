#include "spectrum/MMDIBCanvas.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

QImage::Format ViewFormat(int bits)
{
    return bits == 8 ? QImage::Format_Indexed8 : QImage::Format_BGR888;
}

} // namespace

TMMDIBCanvas::TMMDIBCanvas(QWidget* owner) : fOwner(owner)
{
    fFont.setStyleStrategy(QFont::NoAntialias);
}

TMMDIBCanvas::~TMMDIBCanvas() = default;

std::recursive_mutex& TMMDIBCanvas::DrawLock()
{
    static std::recursive_mutex lock;
    return lock;
}

void TMMDIBCanvas::MarkForRecreation()
{
    fRecreatePending = true;
}

void TMMDIBCanvas::SetBitsPerPixel(int bits)
{
    if (bits != 8 && bits != 24)
        throw EMMDIBError("Bitlength not supported yet");
    if (bits == fBitsPerPixel)
        return;
    fBitsPerPixel = bits;
    MarkForRecreation();
}

void TMMDIBCanvas::SetSize(int width, int height)
{
    fWidth = std::max(width, 0);
    fHeight = std::max(height, 0);
    fClipRect = {0, 0, fWidth, fHeight};
    MarkForRecreation();
}

void TMMDIBCanvas::SetPaletteRealize(bool value)
{
    if (value == fPaletteRealize)
        return;
    fPaletteRealize = value;
    MarkForRecreation();
}

void TMMDIBCanvas::SetBackGroundBitmap(const QImage& picture)
{
    fBackGround = picture;
    MarkForRecreation();
}

void TMMDIBCanvas::SetStretchBackGround(bool value)
{
    if (value == fStretchBackGround)
        return;
    fStretchBackGround = value;
    MarkForRecreation();
}

void TMMDIBCanvas::SetPalette(const TLogPalette* palette)
{
    fHasCustomPalette = palette && TDIBPalette::IsAcceptable(*palette);
    fCustomPalette = fHasCustomPalette ? *palette : TLogPalette{};
    MarkForRecreation();
}

std::uint32_t TMMDIBCanvas::ColorToPixel(TColor color) const
{
    if (fBitsPerPixel == 8) {
        // Displays ask for the same few colours over and over; the palette
        // search is by far the dearest part of drawing a spot.
        for (const auto& [known, pixel] : fKnownColors)
            if (known == color)
                return pixel;
        const std::uint32_t pixel = fPalette.NearestIndex(color);
        fKnownColors[fNextKnownColor] = {color, pixel};
        fNextKnownColor = (fNextKnownColor + 1) % fKnownColors.size();
        return pixel;
    }
    const TColor rgb = ColorToRGB(color);
    return std::uint32_t(qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb))) & 0xFFFFFFu;
}

void TMMDIBCanvas::SetPixelValue(std::uint32_t value)
{
    fColorWord = fBitsPerPixel == 8 ? (value & 0xFF) * 0x01010101u : value & 0xFFFFFFu;
    fSurface.ColorWord = fColorWord;
}

int TMMDIBCanvas::Stride() const
{
    return (fMadeWidth * (fMadeBits / 8) + 3) & ~3;
}

std::uint8_t* TMMDIBCanvas::Row(int y)
{
    return fBits.data() + std::size_t(fMadeHeight - 1 - y) * std::size_t(Stride());
}

const std::uint8_t* TMMDIBCanvas::Row(int y) const
{
    return fBits.data() + std::size_t(fMadeHeight - 1 - y) * std::size_t(Stride());
}

void TMMDIBCanvas::RecreateDIB()
{
    if (fDrawing) {
        const char* owner = fOwner ? fOwner->metaObject()->className() : "TMMDIBCanvas";
        throw EMMDIBError(std::string(owner) +
                          ": Attempt to create new DIB while initialized for drawing");
    }
    CreateDIB();
}

void TMMDIBCanvas::CreateDIB()
{
    fPalette.Build(fBackGround.isNull() ? nullptr : &fBackGround,
                   fHasCustomPalette ? &fCustomPalette : nullptr);
    fKnownColors.fill({kNoColor, 0});
    fMadeWidth = std::max(fWidth, 1);
    fMadeHeight = std::max(fHeight, 1);
    fMadeBits = fBitsPerPixel;
    const std::size_t size = std::size_t(Stride()) * std::size_t(fMadeHeight);
    fBits.assign(size, 0); // black: index 0, or zero bytes
    if (fBackGround.isNull())
        fBackGroundBits.clear();
    else
        RenderBackGround();
    fRecreatePending = false;
}

void TMMDIBCanvas::RenderBackGround()
{
    QImage target(fMadeWidth, fMadeHeight, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        // Dropping eliminated lines rather than blending keeps the picture's own colours.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        if (fStretchBackGround)
            painter.drawImage(QRect(0, 0, fMadeWidth, fMadeHeight), fBackGround);
        else
            painter.drawTiledPixmap(QRect(0, 0, fMadeWidth, fMadeHeight),
                                    QPixmap::fromImage(fBackGround));
    }
    const int stride = Stride();
    const int bytes = fMadeBits / 8;
    fBackGroundBits.assign(std::size_t(stride) * std::size_t(fMadeHeight), 0);
    for (int y = 0; y < fMadeHeight; ++y) {
        std::uint8_t* row = fBackGroundBits.data() + std::size_t(fMadeHeight - 1 - y) * stride;
        const QRgb* line = reinterpret_cast<const QRgb*>(target.constScanLine(y));
        for (int x = 0; x < fMadeWidth; ++x) {
            const QRgb c = line[x];
            if (bytes == 1) {
                row[x] = fPalette.NearestIndex(RGBColor(qRed(c), qGreen(c), qBlue(c)));
            } else {
                row[3 * x] = std::uint8_t(qBlue(c));
                row[3 * x + 1] = std::uint8_t(qGreen(c));
                row[3 * x + 2] = std::uint8_t(qRed(c));
            }
        }
    }
}

void TMMDIBCanvas::BeginDraw()
{
    DrawLock().lock();
    try {
        if (fRecreatePending)
            CreateDIB();
    } catch (...) {
        DrawLock().unlock();
        throw;
    }
    fPosition = {0, 0};
    fSurface.BitsPerPixel = fMadeBits;
    fSurface.BytesPerPixel = fMadeBits / 8;
    fSurface.Width = fMadeWidth;
    fSurface.Height = fMadeHeight;
    fSurface.Stride = Stride();
    fSurface.SignedStride = -Stride();
    fSurface.Bits = Row(0);
    fSurface.ClipRect = fClipRect;
    fSurface.Position = fPosition;
    fSurface.ColorWord = fColorWord;
    fDrawing = true;
}

void TMMDIBCanvas::EndDraw()
{
    fSurface = TDIBSurface{};
    fDrawing = false;
    DrawLock().unlock();
}

void TMMDIBCanvas::SetClipRect(const TRect& rect)
{
    fClipRect = rect;
    fSurface.ClipRect = rect;
}

void TMMDIBCanvas::Put(int x, int y)
{
    SetPixel(x, y, fColorWord);
}

void TMMDIBCanvas::SetPixel(int x, int y, std::uint32_t value)
{
    if (!fClipRect.Contains(x, y) || x < 0 || y < 0 || x >= fMadeWidth || y >= fMadeHeight)
        return;
    std::uint8_t* row = Row(y);
    if (fMadeBits == 8) {
        row[x] = std::uint8_t(value);
    } else {
        row[3 * x] = std::uint8_t(value);
        row[3 * x + 1] = std::uint8_t(value >> 8);
        row[3 * x + 2] = std::uint8_t(value >> 16);
    }
}

void TMMDIBCanvas::Run(int y, int x1, int x2)
{
    std::uint8_t* row = Row(y);
    if (fMadeBits == 8) {
        // One byte per pixel: memset writes the run a machine word at a time.
        std::memset(row + x1, int(fColorWord & 0xFF), std::size_t(x2 - x1 + 1));
        return;
    }
    const std::uint8_t b = std::uint8_t(fColorWord), g = std::uint8_t(fColorWord >> 8),
                       r = std::uint8_t(fColorWord >> 16);
    for (std::uint8_t* p = row + 3 * x1; p <= row + 3 * x2; p += 3) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
}

namespace {

// Intersection of the clip rectangle with the surface.
TRect Visible(const TRect& clip, int width, int height)
{
    return {std::max(clip.Left, 0), std::max(clip.Top, 0), std::min(clip.Right, width),
            std::min(clip.Bottom, height)};
}

} // namespace

void TMMDIBCanvas::MoveTo(int x, int y)
{
    fPosition = {x, y};
    fSurface.Position = fPosition;
}

void TMMDIBCanvas::LineTo(int x, int y)
{
    // Integer line algorithm; both end points are drawn.
    int x0 = fPosition.X, y0 = fPosition.Y;
    const int dx = std::abs(x - x0), sx = x0 < x ? 1 : -1;
    const int dy = -std::abs(y - y0), sy = y0 < y ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        Put(x0, y0);
        if (x0 == x && y0 == y)
            break;
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y0 += sy;
        }
    }
    MoveTo(x, y);
}

void TMMDIBCanvas::HLine(int y, int x1, int x2)
{
    if (x1 > x2)
        std::swap(x1, x2);
    const TRect v = Visible(fClipRect, fMadeWidth, fMadeHeight);
    if (y < v.Top || y >= v.Bottom)
        return;
    x1 = std::max(x1, v.Left);
    x2 = std::min(x2, v.Right - 1);
    if (x1 <= x2)
        Run(y, x1, x2);
}

void TMMDIBCanvas::VLine(int x, int y1, int y2)
{
    if (y1 > y2)
        std::swap(y1, y2);
    for (int y = y1; y <= y2; ++y)
        Put(x, y);
}

void TMMDIBCanvas::DottedHLine(int gap, int y, int x1, int x2)
{
    if (x1 > x2)
        std::swap(x1, x2);
    const int step = std::max(gap, 1) + 1;
    for (int x = x1; x <= x2; x += step)
        Put(x, y);
}

void TMMDIBCanvas::DottedVLine(int gap, int x, int y1, int y2)
{
    if (y1 > y2)
        std::swap(y1, y2);
    const int step = std::max(gap, 1) + 1;
    for (int y = y1; y <= y2; y += step)
        Put(x, y);
}

void TMMDIBCanvas::FillRect(const TRect& rect)
{
    const TRect v = Visible(fClipRect, fMadeWidth, fMadeHeight);
    const int x1 = std::max(rect.Left, v.Left), x2 = std::min(rect.Right, v.Right) - 1;
    const int y1 = std::max(rect.Top, v.Top), y2 = std::min(rect.Bottom, v.Bottom) - 1;
    if (x1 > x2)
        return;
    for (int y = y1; y <= y2; ++y)
        Run(y, x1, x2);
}

void TMMDIBCanvas::FillRectDotted(const TRect& rect)
{
    // Even offsets from the rectangle's own top-left corner, wherever the clip cuts it.
    for (int y = rect.Top; y < rect.Bottom; y += 2)
        DottedHLine(1, y, rect.Left, rect.Right - 1);
}

void TMMDIBCanvas::Clear()
{
    const int width = fMadeWidth;
    for (int y = 0; y < fMadeHeight; ++y)
        Run(y, 0, width - 1);
}

void TMMDIBCanvas::CopyBits(const TRect& destination, const std::uint8_t* sourceBits, int sx,
                            int sy)
{
    if (!sourceBits)
        return;
    TRect d = destination;
    const TRect v = Visible(fClipRect, fMadeWidth, fMadeHeight);
    // Clip the destination, moving the source point with it, then keep the source
    // inside the picture too.
    if (d.Left < v.Left) {
        sx += v.Left - d.Left;
        d.Left = v.Left;
    }
    if (d.Top < v.Top) {
        sy += v.Top - d.Top;
        d.Top = v.Top;
    }
    d.Right = std::min(d.Right, v.Right);
    d.Bottom = std::min(d.Bottom, v.Bottom);
    if (sx < 0) {
        d.Left -= sx;
        sx = 0;
    }
    if (sy < 0) {
        d.Top -= sy;
        sy = 0;
    }
    d.Right = std::min(d.Right, d.Left + fMadeWidth - sx);
    d.Bottom = std::min(d.Bottom, d.Top + fMadeHeight - sy);
    if (d.IsEmpty())
        return;

    const int stride = Stride();
    const int bytes = fMadeBits / 8;
    const std::size_t length = std::size_t(d.Width()) * std::size_t(bytes);
    auto sourceRow = [&](int y) {
        return sourceBits + std::size_t(fMadeHeight - 1 - y) * std::size_t(stride);
    };
    // Rows move in the direction that never overwrites a row before it is read.
    const bool downward = d.Top > sy;
    for (int i = 0; i < d.Height(); ++i) {
        const int row = downward ? d.Height() - 1 - i : i;
        std::memmove(Row(d.Top + row) + std::size_t(d.Left) * bytes,
                     sourceRow(sy + row) + std::size_t(sx) * bytes, length);
    }
}

void TMMDIBCanvas::TextOut(int x, int y, const QString& text, TColor color)
{
    const QFontMetrics metrics(fFont);
    const QSize size(std::max(metrics.horizontalAdvance(text), 1), std::max(metrics.height(), 1));
    QImage glyphs(size, QImage::Format_ARGB32);
    glyphs.fill(Qt::transparent);
    {
        QPainter painter(&glyphs);
        painter.setFont(fFont);
        painter.setPen(Qt::black);
        painter.drawText(0, metrics.ascent(), text);
    }
    const std::uint32_t value = ColorToPixel(color);
    for (int gy = 0; gy < size.height(); ++gy) {
        const QRgb* line = reinterpret_cast<const QRgb*>(glyphs.constScanLine(gy));
        for (int gx = 0; gx < size.width(); ++gx)
            if (qAlpha(line[gx]) >= 128)
                SetPixel(x + gx, y + gy, value);
    }
}

int TMMDIBCanvas::TextWidth(const QString& text) const
{
    return QFontMetrics(fFont).horizontalAdvance(text);
}

int TMMDIBCanvas::TextHeight(const QString&) const
{
    return QFontMetrics(fFont).height();
}

std::uint32_t TMMDIBCanvas::Pixel(int x, int y) const
{
    if (fBits.empty() || x < 0 || y < 0 || x >= fMadeWidth || y >= fMadeHeight)
        return 0;
    const std::uint8_t* row = Row(y);
    if (fMadeBits == 8)
        return row[x];
    return std::uint32_t(row[3 * x]) | std::uint32_t(row[3 * x + 1]) << 8 |
           std::uint32_t(row[3 * x + 2]) << 16;
}

const std::uint8_t* TMMDIBCanvas::Bits() const
{
    return fBits.empty() ? nullptr : fBits.data();
}

const std::uint8_t* TMMDIBCanvas::BackGroundBits() const
{
    return fBackGroundBits.empty() ? nullptr : fBackGroundBits.data();
}

void TMMDIBCanvas::CopyTo(QPainter* target, const TRect& destination, int sx, int sy)
{
    if (!target || fBits.empty())
        return;
    const int width = std::min(destination.Width(), fMadeWidth - sx);
    const int height = std::min(destination.Height(), fMadeHeight - sy);
    if (width <= 0 || height <= 0 || sx < 0 || sy < 0)
        return;
    QImage view(fBits.data(), fMadeWidth, fMadeHeight, Stride(), ViewFormat(fMadeBits));
    if (fMadeBits == 8)
        view.setColorTable(fPalette.ColorTable());
    const QImage block =
        view.copy(sx, fMadeHeight - sy - height, width, height).mirrored(false, true);
    target->drawImage(QPoint(destination.Left, destination.Top), block);
}
