#include "meters/MMMeter.h"

#include "audio/Numeric.h"
#include "audio/PropertyRule.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr int kFullScale = LevelEngine::kFullScale;

int RoundToInt(double value)
{
    return static_cast<int>(RoundHalfEven(value));
}

} // namespace

TMMCustomMeter::TMMCustomMeter(QWidget* parent)
    : TMMGraphicControl(parent), TMMLevelDisplay(LevelKind::Needle),
      FPacer(*this, [this] { CopyToScreen(); })
{
    SetColor(clBlack);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    LevelEngineHooks hooks;
    hooks.isVisible = [this] { return isVisible(); };
    hooks.redrawNow = [this] { RedrawNow(); };
    hooks.repaint = [this] { Invalidate(); };
    hooks.onPcmOverflow = [this] { Fire(OnPcmOverflow); };
    hooks.onGainOverflow = [this] { Fire(OnGainOverflow); };
    FEngine.SetHooks(std::move(hooks));
    DoLayout();
}

TMMCustomMeter::~TMMCustomMeter() = default;

void TMMCustomMeter::SetStreamFormat(const TWaveFormatEx* format)
{
    FEngine.SetStreamFormat(format);
}

void TMMCustomMeter::SetScaleAngle(int degrees)
{
    SetProperty(FScaleAngle, std::clamp(degrees, 45, 180), [this] { Invalidate(); });
}

void TMMCustomMeter::SetNeedleOffset(int pixels)
{
    SetProperty(FNeedleOffset, std::max(pixels, 0), [this] { Invalidate(); });
}

void TMMCustomMeter::SetNeedleWidth(int pixels)
{
    SetProperty(FNeedleWidth, std::max(pixels, 0), [this] { Invalidate(); });
}

void TMMCustomMeter::SetTopSpace(int pixels)
{
    SetProperty(FTopSpace, pixels, [this] { Invalidate(); });
}

void TMMCustomMeter::SetDrawScale(bool value)
{
    SetProperty(FDrawScale, value, [this] { Invalidate(); });
}

void TMMCustomMeter::SetScaleOrigin(TMMScaleOrigin value)
{
    SetProperty(FScaleOrigin, std::min(value, soOuter), [this] { Invalidate(); });
}

void TMMCustomMeter::SetScaleHeight1(int pixels)
{
    SetProperty(FScaleHeight1, std::max(pixels, 0), [this] { Invalidate(); });
}

void TMMCustomMeter::SetScaleHeight2(int pixels)
{
    SetProperty(FScaleHeight2, std::max(pixels, 0), [this] { Invalidate(); });
}

void TMMCustomMeter::SetScaleTicks(int count)
{
    SetProperty(FScaleTicks, count, [this] { Invalidate(); });
}

void TMMCustomMeter::SetScaleTicksEnlargeEvery(int every)
{
    SetProperty(FEnlargeEvery, every, [this] { Invalidate(); });
}

void TMMCustomMeter::SetScaleTicksTextEvery(int every)
{
    SetProperty(FTextEvery, every, [this] { Invalidate(); });
}

void TMMCustomMeter::SetPoint1(int percent)
{
    SetProperty(FPoint1, std::clamp(percent, 1, 100), [this] { Invalidate(); });
}

void TMMCustomMeter::SetPoint2(int percent)
{
    SetProperty(FPoint2, std::clamp(percent, 1, 100), [this] { Invalidate(); });
}

void TMMCustomMeter::SetScaleColor(int zone, TColor value)
{
    SetProperty(FScaleColors[zone], value, [this] { Invalidate(); });
}

void TMMCustomMeter::SetNeedleColor(TColor value)
{
    SetProperty(FNeedleColor, value, [this] { Invalidate(); });
}

void TMMCustomMeter::SetPeakColor(TColor value)
{
    SetProperty(FPeakColor, value, [this] { Invalidate(); });
}

void TMMCustomMeter::SetFontColor(TColor value)
{
    SetProperty(FFontColor, value, [this] { Invalidate(); });
}

void TMMCustomMeter::SetBackGroundDIB(const QImage& picture)
{
    FBackGroundDIB = picture;
    Invalidate();
}

void TMMCustomMeter::SetCaption(const QString& text)
{
    SetProperty(FCaption, text, [this] { Invalidate(); });
}

TPoint TMMCustomMeter::Pivot() const
{
    return {FInnerWidth / 2, FInnerHeight + FNeedleOffset};
}

int TMMCustomMeter::NeedleRadius() const
{
    return FInnerHeight + FNeedleOffset - FTopSpace;
}

TPoint TMMCustomMeter::NeedlePoint(int a, int radius) const
{
    // The angles are kept in single precision, as the needle has always been drawn.
    const float start = static_cast<float>((180 - FScaleAngle) * std::numbers::pi / 360.0);
    const float angle =
        static_cast<float>(start + (std::numbers::pi - 2.0 * start) * a / kFullScale);
    const TPoint pivot = Pivot();
    return {pivot.X - RoundToInt(radius * std::cos(static_cast<double>(angle))),
            pivot.Y - RoundToInt(radius * std::sin(static_cast<double>(angle)))};
}

TColor TMMCustomMeter::TickColor(int position) const
{
    if (position > FPoint2 * static_cast<double>(kFullScale) / 100)
        return FScaleColors[2];
    if (position > FPoint1 * static_cast<double>(kFullScale) / 100)
        return FScaleColors[1];
    return FScaleColors[0];
}

std::vector<TMeterTick> TMMCustomMeter::ScaleTickMarks() const
{
    std::vector<TMeterTick> ticks;
    if (!FDrawScale || FScaleTicks <= 1)
        return ticks;
    const int r = NeedleRadius();
    const int last = FScaleTicks - 1;
    const int outer = r - 2;
    const int longInner = r - FScaleHeight2 - 2;
    const int shortEnd = r + FScaleHeight1 - FScaleHeight2 - 2;
    for (int i = 0; i <= last; ++i) {
        const int q = static_cast<int>(std::int64_t{kFullScale} * i / last);
        const bool isLong = FEnlargeEvery == 0 || i == last || i % FEnlargeEvery == 0;
        // soInner: every tick starts on the inner arc; soOuter: on the outer arc.
        const int from = FScaleOrigin == soInner ? longInner : outer;
        const int to = isLong ? (FScaleOrigin == soInner ? outer : longInner) : shortEnd;
        ticks.push_back({NeedlePoint(q, from), NeedlePoint(q, to), TickColor(q)});
    }
    return ticks;
}

QString TMMCustomMeter::LabelText(int tick) const
{
    const int last = FScaleTicks - 1;
    const int sensitivy = FEngine.Sensitivy();
    if (FEngine.LogAmp())
        return QString::number(std::int64_t{last - tick} * sensitivy / last);
    const double bottom = kFullScale / std::pow(10.0, -sensitivy / 20.0);
    const double amplitude = bottom + (kFullScale - bottom) * tick / last;
    return QString::number(RoundToInt(20.0 * std::log10(amplitude / kFullScale)));
}

QFont TMMCustomMeter::LabelFont() const
{
    QFont labels(QStringLiteral("Small Fonts"));
    labels.setPointSize(6);
    labels.setStyleStrategy(QFont::NoAntialias);
    return labels;
}

std::vector<TMeterLabel> TMMCustomMeter::ScaleLabels() const
{
    std::vector<TMeterLabel> labels;
    if (!FDrawScale || FScaleTicks <= 1 || FTextEvery <= 0)
        return labels;
    const QFontMetrics metrics(LabelFont());
    const int r = NeedleRadius();
    const int last = FScaleTicks - 1;
    for (int i = 0; i <= last; i += FTextEvery) {
        const int q = static_cast<int>(std::int64_t{kFullScale} * i / last);
        const TPoint at = NeedlePoint(q, r - 2);
        const QString text = LabelText(i);
        QString digits = text;
        digits.remove(QLatin1Char('-'));
        // The digits are centred over the tick and a minus sign stands to their left.
        labels.push_back(
            {text,
             at.X + metrics.horizontalAdvance(digits) / 2 - metrics.horizontalAdvance(text) + 1,
             at.Y - metrics.height() - 3});
    }
    return labels;
}

void TMMCustomMeter::BuildScale()
{
    {
        QPainter painter(&FWork);
        const QRect area(0, 0, FInnerWidth, FInnerHeight);
        if (FBackGroundDIB.isNull())
            painter.fillRect(area, ToQColor(Color()));
        else
            painter.drawImage(area, FBackGroundDIB);

        for (const TMeterTick& tick : ScaleTickMarks()) {
            painter.setPen(QPen(ToQColor(tick.Color), 1));
            painter.drawLine(tick.From.X, tick.From.Y, tick.To.X, tick.To.Y);
        }
        const std::vector<TMeterLabel> labels = ScaleLabels();
        if (!labels.empty()) {
            const QFont labelFont = LabelFont();
            const int ascent = QFontMetrics(labelFont).ascent();
            painter.setFont(labelFont);
            painter.setPen(ToQColor(FFontColor));
            for (const TMeterLabel& label : labels)
                painter.drawText(label.X, label.Y + ascent, label.Text);
        }

        if (!FCaption.isEmpty()) {
            const int lineHeight = QFontMetrics(font()).height();
            const int bottom = FInnerHeight - FInnerHeight / 16;
            painter.setFont(font());
            painter.setPen(ToQColor(FFontColor));
            painter.drawText(QRect(0, bottom - lineHeight, FInnerWidth, lineHeight),
                             Qt::AlignHCenter | Qt::AlignTop | Qt::TextExpandTabs, FCaption);
        }
    }
    std::memcpy(FCache.bits(), FWork.constBits(), static_cast<std::size_t>(FWork.sizeInBytes()));
    FCacheValid = true;
}

void TMMCustomMeter::DrawNeedles()
{
    QPainter painter(&FWork);
    const TPoint pivot = Pivot();
    const int r = NeedleRadius();
    auto needle = [&](int position, TColor color) {
        const TPoint tip = NeedlePoint(position, r);
        painter.setPen(QPen(ToQColor(color), FNeedleWidth));
        painter.drawLine(pivot.X, pivot.Y, tip.X, tip.Y);
    };
    if (FEngine.ShowPeak())
        needle(FEngine.PeakPosition(), FPeakColor);
    needle(FEngine.DisplayedPosition(), FNeedleColor);
}

void TMMCustomMeter::RedrawNow()
{
    // Only a meter that can be seen in its parent draws; a hidden or covered one
    // is drawn whole by the paint that shows it again.
    if (!isVisible() || parentWidget() == nullptr || visibleRegion().isEmpty())
        return;
    if (FCacheValid)
        std::memcpy(FWork.bits(), FCache.constBits(),
                    static_cast<std::size_t>(FWork.sizeInBytes()));
    else
        BuildScale();
    DrawNeedles();
    Fire(OnPostPaint);
    if (FPacer.CopyDue()) {
        CopyToScreen();
        FPacer.Copied();
    } else {
        FPacer.Defer();
    }
}

void TMMCustomMeter::CopyToScreen()
{
    // Queued rather than immediate: Qt then sends both meters' new frames to the
    // display server in one flush.
    const TRect inner = InnerRect();
    update(inner.Left, inner.Top, FInnerWidth, FInnerHeight);
}

void TMMCustomMeter::paintEvent(QPaintEvent* event)
{
    QPainter canvas(this);
    const TRect inner = InnerRect();
    const QRect innerArea(inner.Left, inner.Top, FInnerWidth, FInnerHeight);
    // The composed frame is current while the scale is: a paint of the inner area
    // alone only shows it.
    if (FCacheValid && (event->region() - innerArea).isEmpty())
        canvas.drawImage(inner.Left, inner.Top, FWork);
    else
        Paint(canvas);
}

void TMMCustomMeter::Paint(QPainter& canvas)
{
    const TRect inner = Bevel().Paint(canvas, ClientRect(), true);
    BuildScale();
    DrawNeedles();
    canvas.drawImage(inner.Left, inner.Top, FWork);
    Fire(OnPostPaint);
}

void TMMCustomMeter::Invalidate()
{
    FCacheValid = false;
    update();
}

void TMMCustomMeter::DoLayout()
{
    const TRect inner = InnerRect();
    FInnerWidth = std::max(inner.Width(), 1);
    FInnerHeight = std::max(inner.Height(), 1);
    if (FWork.width() != FInnerWidth || FWork.height() != FInnerHeight) {
        FWork = QImage(FInnerWidth, FInnerHeight, QImage::Format_RGB32);
        FCache = QImage(FInnerWidth, FInnerHeight, QImage::Format_RGB32);
    }
    FEngine.ClearDisplay();
    Invalidate();
}

void TMMCustomMeter::SetBounds(int left, int top, int width, int height)
{
    TMMGraphicControl::SetBounds(left, top, width, height);
    DoLayout();
}

void TMMCustomMeter::BevelChanged()
{
    DoLayout();
}

void TMMCustomMeter::ColorChanged()
{
    Invalidate();
}

void TMMCustomMeter::resizeEvent(QResizeEvent* event)
{
    TMMGraphicControl::resizeEvent(event);
    DoLayout();
}

void TMMCustomMeter::changeEvent(QEvent* event)
{
    TMMGraphicControl::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        FEngine.SetEnabled(isEnabled());
    else if (event->type() == QEvent::FontChange)
        Invalidate();
}

TMMMeter::TMMMeter(QWidget* parent) : TMMCustomMeter(parent)
{
    SetBounds(0, 0, 170, 90);
}
