#include "meters/MMLevelScale.h"

#include "audio/Numeric.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

TMMLevelScale::TMMLevelScale(QWidget* parent) : TMMGraphicControl(parent)
{
    resize(200, 7);
    SetColor(clBlack);
    FFont = QFont(QStringLiteral("Small Fonts"));
    FFont.setPointSize(6);
    FFont.setStyleStrategy(QFont::NoAntialias);
    FScale.SetVisible(false);
    FScale.OnChange = [this](TMMObject*) { update(); };
}

void TMMLevelScale::SetScaleTicks(int value)
{
    Set(FScaleTicks, std::max(value, 2));
}

void TMMLevelScale::SetPoint1(int value)
{
    Set(FPoint1, std::clamp(value, 1, 100));
}

void TMMLevelScale::SetPoint2(int value)
{
    Set(FPoint2, std::clamp(value, 1, 100));
}

void TMMLevelScale::SetSensitivy(int value)
{
    Set(FSensitivy, std::clamp(value, -90, -9));
}

TMMLevelScale::TLayout TMMLevelScale::Layout() const
{
    const QFontMetrics metrics(FFont);
    const bool horizontal = FKind == lkHorizontal;
    const bool reversed = FDirection == dirReversed;
    const int a =
        horizontal ? metrics.horizontalAdvance(QStringLiteral("0")) / 2 : metrics.height() / 2;
    TLayout layout;
    TRect w = ClientRect();
    if (FScale.Visible()) {
        const int h = FScale.StripSize();
        if (FScalePos == spAboveOrLeft || FScalePos == spBoth) {
            if (horizontal) {
                layout.Strips.push_back(
                    {reversed ? TRect{w.Left + a, w.Top, w.Right + a - 1, w.Top + h}
                              : TRect{w.Left - a - 1, w.Top, w.Right - a - 1, w.Top + h},
                     true});
                w.Top += h;
            } else {
                layout.Strips.push_back(
                    {reversed ? TRect{w.Left, w.Top - a, w.Left + h, w.Bottom - a - 1}
                              : TRect{w.Left, w.Top + a, w.Left + h, w.Bottom + a - 1},
                     true});
                w.Left += h;
            }
        }
        if (FScalePos == spBelowOrRight || FScalePos == spBoth) {
            if (horizontal) {
                layout.Strips.push_back(
                    {reversed ? TRect{w.Left + a, w.Bottom - h, w.Right + a - 1, w.Bottom}
                              : TRect{w.Left - a - 1, w.Bottom - h, w.Right - a - 1, w.Bottom},
                     false});
                w.Bottom -= h;
            } else {
                layout.Strips.push_back(
                    {reversed ? TRect{w.Right - h, w.Top - a, w.Right, w.Bottom - a - 1}
                              : TRect{w.Right - h, w.Top + a, w.Right, w.Bottom + a - 1},
                     false});
                w.Right -= h;
            }
        }
    }
    layout.LabelArea = w;
    if (w.Bottom >= w.Top && w.Right >= w.Left)
        layout.Labels = LayoutLabels(w, metrics);
    return layout;
}

QString TMMLevelScale::LabelText(int k) const
{
    const int last = FScaleTicks - 1;
    const bool horizontal = FKind == lkHorizontal;
    if (FLogAmp) {
        const bool flip = horizontal ? FDirection == dirNormal : FDirection == dirReversed;
        return QString::number(MulDiv(flip ? last - k : k, FSensitivy, last));
    }
    const bool flip = horizontal ? FDirection == dirReversed : FDirection == dirNormal;
    const int kk = flip ? last - k : k;
    const float t = 32767.0f / float(std::pow(10.0, -FSensitivy / 20.0));
    const double amplitude = (double(t) + (32767.0 - double(t)) * kk / last) / 32767.0;
    return QString::number(int(std::nearbyint(20.0 * std::log10(amplitude))));
}

TColor TMMLevelScale::LabelColor(int k) const
{
    const bool horizontal = FKind == lkHorizontal;
    int v = MulDiv(32767, k, FScaleTicks - 1);
    if (horizontal ? FDirection == dirReversed : FDirection == dirNormal)
        v = 32767 - v;
    if (v > FPoint2 * 32767.0 / 100.0)
        return FScaleColors[2];
    if (v > FPoint1 * 32767.0 / 100.0)
        return FScaleColors[1];
    return FScaleColors[0];
}

std::vector<TScaleLabel> TMMLevelScale::LayoutLabels(const TRect& w,
                                                     const QFontMetrics& metrics) const
{
    std::vector<TScaleLabel> labels;
    const bool horizontal = FKind == lkHorizontal;
    const bool symmetric = FDirection == dirSymetric;
    const int th = metrics.height();
    const int tw = metrics.horizontalAdvance(QString::number(FSensitivy));
    const int K = FScaleTicks;

    // The smallest step that leaves each label its room; none when even one label
    // is larger than the control.
    int length = horizontal ? width() : height();
    if (symmetric)
        length /= 2;
    const int labelSize = horizontal ? tw : th;
    int e = 1;
    for (;; ++e) {
        const int shown = (K - 1) / e;
        if (shown == 0 || labelSize <= 0)
            return labels;
        if (length / (shown * labelSize) >= 1)
            break;
    }

    const int d =
        horizontal ? (FDirection == dirReversed ? 1 : -1) : (FDirection == dirReversed ? -1 : 1);
    const int span = (horizontal ? w.Width() : w.Height()) - 1;
    int k = d == 1 ? 0 : K - 1;
    for (int position = 0; position < K; ++position, k += d) {
        if (position % e != 0)
            continue;
        const QString text = LabelText(k);
        const int size = horizontal ? metrics.horizontalAdvance(text) : th;
        const TColor color = LabelColor(k);
        if (!symmetric) {
            int o = (k * span + (K - 1) / 2) / (K - 1);
            if (d == -1)
                o -= size;
            if (horizontal) {
                if (o >= 0 && o + size <= width())
                    labels.push_back({text, w.Left + o, w.Top + (w.Height() - th) / 2, color});
            } else if (o >= 0 && o + th <= height()) {
                const int x = w.Right + tw - w.Width() / 2 - tw / 2 - size - 1;
                labels.push_back({text, x, w.Top + o, color});
            }
            continue;
        }
        // Symmetric: the labels count outward from the middle on both sides; the
        // far side shows the magnitude with a plus sign.
        const int half = (horizontal ? w.Width() : w.Height()) / 2;
        const int o = (k * (half - 1) + (K - 1) / 2) / (K - 1);
        if (o + size > half)
            continue;
        const QString mirrored = QStringLiteral("+") + QString::number(std::abs(text.toInt()));
        const bool nextToMiddle = k == 0;
        if (horizontal) {
            const int middle = w.Left + w.Width() / 2;
            const int y = w.Top + (w.Height() - th) / 2;
            labels.push_back({text, middle - o - size / 2, y, color});
            if (!nextToMiddle) {
                const int mirroredSize = metrics.horizontalAdvance(mirrored);
                labels.push_back({mirrored, middle + o - mirroredSize / 2, y, color});
            }
        } else {
            const int middle = w.Top + w.Height() / 2;
            const int x = w.Left + (w.Width() - size) / 2;
            labels.push_back({text, x, middle - o - th / 2, color});
            if (!nextToMiddle)
                labels.push_back({mirrored, x, middle + o - th / 2, color});
        }
    }
    return labels;
}

void TMMLevelScale::Paint(QPainter& canvas)
{
    canvas.fillRect(0, 0, width(), height(), ToQColor(Color()));
    canvas.setFont(FFont);
    const TLayout layout = Layout();
    if (!layout.Strips.empty()) {
        const bool swap = (FKind == lkVertical) != (FDirection == dirReversed);
        const int p1 = swap ? 100 - FPoint2 : FPoint1;
        const int p2 = swap ? 100 - FPoint1 : FPoint2;
        // Only the first paint after a change alters these, so the repaint they
        // ask for ends at once.
        if (swap)
            FScale.SetZoneColors(FScaleColors[2], FScaleColors[1], FScaleColors[0]);
        else
            FScale.SetZoneColors(FScaleColors[0], FScaleColors[1], FScaleColors[2]);
        FScale.SetZoneLimits(MulDiv(p1 - 1, FScale.TickCount(), 100),
                             MulDiv(p2 - 1, FScale.TickCount(), 100));
        FScale.SetCanvas(&canvas);
        for (const auto& [rect, firstEdge] : layout.Strips)
            FScale.DrawStrip(rect, firstEdge);
        FScale.SetCanvas(nullptr);
    }
    const int ascent = QFontMetrics(FFont).ascent();
    for (const TScaleLabel& label : layout.Labels) {
        canvas.setPen(ToQColor(label.Color));
        canvas.drawText(label.X, label.Y + ascent, label.Text);
    }
}
