#include "meters/MMLevel.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

TMMCustomLevel::TMMCustomLevel(QWidget* parent)
    : TMMDIBGraphicControl(parent), TMMLevelDisplay(LevelKind::Bar), FBackImage(this)
{
    SetColor(clBlack);
    LevelEngineHooks hooks;
    hooks.isVisible = [this] { return isVisible(); };
    hooks.redrawNow = [this] {
        PaintNow(false, [this](TMMDIBGraphicControl*, bool) { DrawFrame(Canvas()); });
    };
    hooks.repaint = [this] { update(); };
    hooks.onPcmOverflow = [this] { Fire(OnPcmOverflow); };
    hooks.onGainOverflow = [this] { Fire(OnGainOverflow); };
    FEngine.SetHooks(std::move(hooks));
    DoLayout();
}

TMMCustomLevel::~TMMCustomLevel() = default;

void TMMCustomLevel::SetStreamFormat(const TWaveFormatEx* format)
{
    FEngine.SetStreamFormat(format);
}

void TMMCustomLevel::SetKind(TMMLevelKind value)
{
    if (value == FKind)
        return;
    FKind = value;
    // A bar is never shorter than it is thick.
    if ((value == lkHorizontal && width() < height()) ||
        (value == lkVertical && height() < width()))
        SetBounds(x(), y(), height(), width());
    DoLayout();
}

void TMMCustomLevel::SetDirection(TMMLevelDirection value)
{
    if (value == FDirection)
        return;
    FDirection = value;
    FEngine.SetSymmetric(value == dirSymetric);
    RebuildBackGround();
    update();
}

void TMMCustomLevel::SetSpotWidth(int value)
{
    const int length = FKind == lkHorizontal ? FInnerWidth : FInnerHeight;
    value = std::max(1, std::min(value, length / 3));
    if (value == FSpotWidth)
        return;
    FSpotWidth = value;
    DoLayout();
}

void TMMCustomLevel::SetSpotSpace(int value)
{
    value = std::clamp(value, 0, 10);
    if (value == FSpotSpace)
        return;
    FSpotSpace = value;
    DoLayout();
}

void TMMCustomLevel::SetPoint1(int value)
{
    value = std::clamp(value, 1, 100);
    if (value == FPoint1)
        return;
    FPoint1 = value;
    DoLayout();
}

void TMMCustomLevel::SetPoint2(int value)
{
    value = std::clamp(value, 1, 100);
    if (value == FPoint2)
        return;
    FPoint2 = value;
    DoLayout();
}

void TMMCustomLevel::SetBarColor(int zone, TColor value)
{
    if (FBarColors[zone] == value)
        return;
    FBarColors[zone] = value;
    update();
}

void TMMCustomLevel::SetInactiveColor(int zone, TColor value)
{
    if (FInactiveColors[zone] == value)
        return;
    FInactiveColors[zone] = value;
    RebuildBackGround();
    update();
}

void TMMCustomLevel::SetActiveDoted(bool value)
{
    if (value == FActiveDoted)
        return;
    FActiveDoted = value;
    update();
}

void TMMCustomLevel::SetInactiveDoted(bool value)
{
    if (value == FInactiveDoted)
        return;
    FInactiveDoted = value;
    RebuildBackGround();
    update();
}

void TMMCustomLevel::SetOnDrawBar(TMMLevelDrawBar handler)
{
    FOnDrawBar = std::move(handler);
    RebuildBackGround();
    update();
}

void TMMCustomLevel::SetBitsPerPixel(int bits)
{
    TMMDIBGraphicControl::SetBitsPerPixel(bits);
    FBackImage.SetBitsPerPixel(bits);
    RebuildBackGround();
}

int TMMCustomLevel::ZoneOf(int spot) const
{
    return spot > FZ2 ? 2 : spot > FZ1 ? 1 : 0;
}

TRect TMMCustomLevel::SpotRect(int spot) const
{
    const int step = FSpotWidth + FSpotSpace;
    const int along = (spot - 1) * step;
    const bool fromStart = FDirection == dirNormal;
    if (FKind == lkHorizontal) {
        if (fromStart) {
            const int x = FMargin + along;
            return {x, 0, x + FSpotWidth, FInnerHeight};
        }
        const int right = FInnerWidth - FMargin - along;
        return {right - FSpotWidth, 0, right, FInnerHeight};
    }
    if (fromStart) {
        const int bottom = FInnerHeight - FMargin - along;
        return {0, bottom - FSpotWidth, FInnerWidth, bottom};
    }
    const int top = FMargin + along;
    return {0, top, FInnerWidth, top + FSpotWidth};
}

void TMMCustomLevel::DoLayout()
{
    const TRect inner = InnerRect();
    FInnerWidth = std::max(inner.Width(), 1);
    FInnerHeight = std::max(inner.Height(), 1);
    const int length = FKind == lkHorizontal ? FInnerWidth : FInnerHeight;
    const int step = FSpotWidth + FSpotSpace;
    FSpots = std::max((length + FSpotSpace) / step, 1);
    FMargin = (FSpotSpace + length - FSpots * step) / 2;
    FZ1 = FPoint1 * FSpots / 100;
    FZ2 = FPoint2 * FSpots / 100;
    DIBCanvas().SetSize(FInnerWidth, FInnerHeight);
    FBackImage.SetSize(FInnerWidth, FInnerHeight);
    RebuildBackGround();
    FEngine.ClearDisplay();
    FEngine.SetRange(FSpots);
    update();
}

void TMMCustomLevel::DrawSpot(int spot, std::uint32_t pixel, bool dotted)
{
    TMMDIBCanvas& dib = DIBCanvas();
    dib.SetPixelValue(pixel);
    if (dotted)
        dib.FillRectDotted(SpotRect(spot));
    else
        dib.FillRect(SpotRect(spot));
}

void TMMCustomLevel::RebuildBackGround()
{
    if (FOnDrawBar)
        return;
    FBackImage.BeginDraw();
    FBackImage.SetColor(Color());
    FBackImage.Clear();
    // The unlit spots are always laid out as a plain bar, also for a symmetric one.
    for (int spot = 1; spot <= FSpots; ++spot) {
        FBackImage.SetColor(FInactiveColors[ZoneOf(spot)]);
        if (FInactiveDoted)
            FBackImage.FillRectDotted(SpotRect(spot));
        else
            FBackImage.FillRect(SpotRect(spot));
    }
    FBackImage.EndDraw();
}

void TMMCustomLevel::DrawFrame(QPainter* screen)
{
    Fire(OnPaint);
    TMMDIBCanvas& dib = DIBCanvas();
    const int n = FEngine.DisplayedPosition();
    const int pk = FEngine.PeakPosition();
    dib.BeginDraw();
    struct EndDrawing {
        TMMDIBCanvas& dib;
        ~EndDrawing() { dib.EndDraw(); }
    } end{dib};

    if (FOnDrawBar) {
        FOnDrawBar(this, dib, {0, 0, FInnerWidth, FInnerHeight}, n, pk);
    } else {
        dib.CopyBits({0, 0, FInnerWidth, FInnerHeight}, FBackImage.Bits(), 0, 0);
        if (isEnabled()) {
            // Pixel values of the three lit colours, looked up once per frame.
            const std::uint32_t lit[3] = {dib.ColorToPixel(FBarColors[0]),
                                          dib.ColorToPixel(FBarColors[1]),
                                          dib.ColorToPixel(FBarColors[2])};
            int top = n;
            if (FDirection == dirSymetric) {
                const int c = std::clamp(n, 1, FSpots);
                for (int spot = c - 2; spot <= c + 2; ++spot)
                    DrawSpot(spot, lit[ZoneOf(c)], FActiveDoted);
                top = c;
            } else {
                for (int spot = 1; spot <= n; ++spot)
                    DrawSpot(spot, lit[ZoneOf(spot)], FActiveDoted);
            }
            if (FEngine.NumPeaks() > 0 && pk > top) {
                const int outward = FDirection == dirSymetric ? 2 : 0;
                for (int j = 0; j < FEngine.NumPeaks(); ++j)
                    DrawSpot(pk + outward - j, lit[ZoneOf(pk - j)], FActiveDoted);
            }
        }
    }
    const TRect inner = InnerRect();
    dib.CopyTo(screen, {inner.Left, inner.Top, inner.Left + FInnerWidth, inner.Top + FInnerHeight},
               0, 0);
}

void TMMCustomLevel::Paint(QPainter& canvas)
{
    Bevel().Paint(canvas, ClientRect(), true);
    DrawFrame(&canvas);
}

void TMMCustomLevel::SetBounds(int left, int top, int width, int height)
{
    TMMDIBGraphicControl::SetBounds(left, top, width, height);
    DoLayout();
}

void TMMCustomLevel::BevelChanged()
{
    DoLayout();
}

void TMMCustomLevel::ColorChanged()
{
    RebuildBackGround();
    update();
}

void TMMCustomLevel::resizeEvent(QResizeEvent* event)
{
    TMMDIBGraphicControl::resizeEvent(event);
    DoLayout();
}

void TMMCustomLevel::changeEvent(QEvent* event)
{
    TMMDIBGraphicControl::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    FEngine.SetEnabled(isEnabled());
    if (isEnabled())
        DoLayout();
    update();
}

void TMMCustomLevel::mouseReleaseEvent(QMouseEvent* event)
{
    TMMDIBGraphicControl::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Fire(OnClick);
}

void TMMCustomLevel::mouseDoubleClickEvent(QMouseEvent* event)
{
    TMMDIBGraphicControl::mouseDoubleClickEvent(event);
    Fire(OnDblClick);
}

TMMLevel::TMMLevel(QWidget* parent) : TMMCustomLevel(parent)
{
    QFont font(QStringLiteral("Small Fonts"));
    font.setPointSize(7);
    setFont(font);
    SetBounds(0, 0, 200, 17);
}
