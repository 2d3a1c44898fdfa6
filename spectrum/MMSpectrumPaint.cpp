// What the analyser draws on the control itself rather than into its surface:
// the frame around the display, the scales, the peak-frequency text and the info
// box that follows the mouse while the left button is held.
#include "spectrum/MMSpectrum.h"

#include "audio/Numeric.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

QFont NamedFont(const char* family, int pointSize, bool bold)
{
    QFont font(QString::fromLatin1(family));
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

QFont ScaleFont()
{
    QFont font(QStringLiteral("ARIAL"));
    font.setPixelSize(10);
    return font;
}

} // namespace

double TMMSpectrum::BinFrequency(int bin) const
{
    const double step = double(FSampleRate) / FFFTLength;
    if (!FLogFreq)
        return (bin + 0.5) * step;
    return bin > 1 ? bin * step : (bin + 0.25) * step;
}

double TMMSpectrum::FrequencyAt(int x) const
{
    const double f0 = FStartFrequency;
    const double z = FZoom;
    const double span = std::max(FWidth - 1, 1);
    const double f = FLogFreq ? f0 * std::exp(x * std::log(FFFTLength / 2.0) / (span * z))
                              : f0 + x * ((FSampleRate / 2.0 - f0) / span / z);
    return std::max(f, 0.0);
}

double TMMSpectrum::LevelAt(int y) const
{
    const double span = std::max(FHeight - 1, 1);
    if (FLogAmp)
        return -60.0 * y / span;
    return double(FVerticalScale) * (FHeight - 1 - y) / span;
}

QString TMMSpectrum::InfoText(int x, int y) const
{
    QString text = QString::asprintf("%2.3f KHz", FrequencyAt(x) / 1000);
    if (FKind == skScroll)
        return text;
    if (FLogAmp)
        return text + QString::asprintf(" %2.1f dB", LevelAt(y));
    return text + QString::asprintf(VerticalScale() < 10 ? " %5.3f V" : " %4.2f V", LevelAt(y));
}

TRect TMMSpectrum::InfoBoxRect(int x, int y, int textWidth, int textHeight) const
{
    if (!FDisplay.Contains(x, y))
        return {};
    const int w = textWidth + 4;
    const int h = textHeight + 2;
    int left = x - FDisplay.Left;
    int top = y - FDisplay.Top + 15;
    if (top + h > FHeight)
        top -= 40;
    if (left + w > FWidth)
        left = FWidth - w;
    top = std::max(top, 0);
    return {left, top, left + w, top + h};
}

void TMMSpectrum::Paint(QPainter& canvas)
{
    const int b = Bevel().BevelExtend();
    if (FDrawAmpScale || FDrawFreqScale) {
        const QWidget* parent = parentWidget();
        canvas.fillRect(rect(), parent ? parent->palette().color(QPalette::Window) : Qt::white);
    }
    Bevel().Paint(canvas,
                  {FDisplay.Left - b, FDisplay.Top - b, FDisplay.Right + b, FDisplay.Bottom + b},
                  true);
    canvas.setFont(ScaleFont());
    if (FDrawAmpScale)
        DrawAmplitudeScales(canvas);
    if (FDrawFreqScale)
        DrawFrequencyScale(canvas);
    if (FDrawAmpScale && FDrawFreqScale) {
        canvas.setPen(ToQColor(FScaleTextColor));
        const QString unit = FLogAmp ? QStringLiteral("db") : QStringLiteral("V");
        const int unitRight = FLogAmp ? 23 : 16;
        const int top = height() - 32;
        canvas.drawText(QRect(0, top, unitRight, 12), Qt::AlignRight | Qt::AlignTop, unit);
        canvas.drawText(QRect(width() - 20, top, 20, 12), Qt::AlignLeft | Qt::AlignTop, unit);
        canvas.drawText(QRect(width() - 30, height() - 20, 30, 12), Qt::AlignLeft | Qt::AlignTop,
                        QStringLiteral("Hz"));
    }
    DrawFrame(&canvas, false);
}

void TMMSpectrum::DrawFrequencyScale(QPainter& canvas)
{
    const int d = VerticalGridLines();
    const int top = FDisplay.Bottom + Bevel().BevelExtend() + 3;
    canvas.setPen(ToQColor(FScaleLineColor));
    const int x0 = FDisplay.Left;
    canvas.drawLine(x0, top, x0 + FWidth - 1, top);
    const QFontMetrics metrics(canvas.font());
    for (int k = 0; k <= d; ++k) {
        const int x = x0 + int(RoundHalfEven(double(FWidth - 1) * k / d));
        canvas.setPen(ToQColor(FScaleLineColor));
        canvas.drawLine(x, top, x, top + 2);
        const double f =
            FLogFreq ? FStartFrequency * std::exp(k * std::log(FFFTLength / 2.0) / (d * FZoom))
                     : FStartFrequency + k * (FSampleRate / 2.0 - FStartFrequency) / d / FZoom;
        const QString label = QString::asprintf("%.0f", f);
        canvas.save();
        canvas.translate(x + metrics.ascent() / 2, top + 6);
        canvas.rotate(90);
        canvas.setPen(ToQColor(FScaleTextColor));
        canvas.drawText(0, 0, label);
        canvas.restore();
    }
}

void TMMSpectrum::DrawAmplitudeScales(QPainter& canvas)
{
    const int n = HorizontalGridLines(FLogAmp);
    const double vs = FVerticalScale;
    const QFontMetrics metrics(canvas.font());
    for (int k = 0; k <= n; ++k) {
        int row;
        QString left;
        QString right;
        if (FLogAmp) {
            row = k * (FHeight - 1) / n;
            const int db = int(RoundHalfEven(-60.0 * k / n));
            left = QString::asprintf("%d", db);
            right = QString::asprintf("%2d", db);
        } else {
            row = FHeight - int(k * vs * 32760 / n / (vs * 32768 / FHeight)) - 1;
            left = QString::asprintf(vs <= 0.095 ? "%5.3f" : "%4.2f", k * vs / n);
            right = left;
        }
        const int y = FDisplay.Top + row;
        canvas.setPen(ToQColor(FScaleLineColor));
        canvas.drawLine(FDisplay.Left - 4, y, FDisplay.Left - 2, y);
        canvas.drawLine(FDisplay.Right + 1, y, FDisplay.Right + 3, y);
        canvas.setPen(ToQColor(FScaleTextColor));
        const int baseline = y + metrics.ascent() / 2;
        canvas.drawText(QRect(-3, baseline - metrics.ascent(), 32 - 4, metrics.height()),
                        Qt::AlignRight | Qt::AlignTop, left);
        canvas.drawText(width() - 29 + 4, baseline, right);
    }
}

void TMMSpectrum::DrawPeakText(QPainter& screen)
{
    if (!FDisplayPeak || FHighest.value <= 5 || FHighest.bin < 0)
        return;
    const QString text = QString::asprintf("%7.1f Hz", BinFrequency(FHighest.bin)).trimmed();
    const QFont font = NamedFont("MS Sans Serif", 8, true);
    const QFontMetrics metrics(font);
    const int lift = FKind == skScroll ? FHeight - FHeight / 3 : 1;
    int x = FHighest.column;
    x = std::min(x, FWidth - 1 - metrics.horizontalAdvance(text));
    const int y = std::max(FHeight - FHighest.value - lift - metrics.height(), 0);
    screen.setFont(font);
    screen.setPen(Qt::white);
    screen.drawText(FDisplay.Left + x, FDisplay.Top + y + metrics.ascent(), text);
}

void TMMSpectrum::DrawInfoBox(QPainter& screen)
{
    if (!FInfoActive)
        return;
    const QFont font = NamedFont("MS Sans Serif", 8, false);
    const QFontMetrics metrics(font);
    const int x = FInfoPoint.X - FDisplay.Left;
    const int y = FInfoPoint.Y - FDisplay.Top;
    const QString text = InfoText(x, y);
    const TRect box =
        InfoBoxRect(FInfoPoint.X, FInfoPoint.Y, metrics.horizontalAdvance(text), metrics.height());
    if (box.IsEmpty())
        return;
    const QRect area(FDisplay.Left + box.Left, FDisplay.Top + box.Top, box.Width(), box.Height());
    screen.fillRect(area, Qt::white);
    screen.setPen(Qt::black);
    screen.drawRect(area.adjusted(0, 0, -1, -1));
    screen.setFont(font);
    screen.setPen(ToQColor(clInfoText));
    screen.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void TMMSpectrum::mousePressEvent(QMouseEvent* event)
{
    TMMDIBGraphicControl::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !FShowInfo || !isEnabled() || FInfoActive)
        return;
    FSavedToolTip = toolTip();
    setToolTip(QString());
    const QPoint at = event->position().toPoint();
    FInfoPoint = {at.x(), at.y()};
    FInfoActive = true;
    update();
}

void TMMSpectrum::mouseMoveEvent(QMouseEvent* event)
{
    TMMDIBGraphicControl::mouseMoveEvent(event);
    if (!FInfoActive)
        return;
    const QPoint at = event->position().toPoint();
    FInfoPoint = {at.x(), at.y()};
    update();
}

void TMMSpectrum::mouseReleaseEvent(QMouseEvent* event)
{
    TMMDIBGraphicControl::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        EndInfo();
}

void TMMSpectrum::EndInfo()
{
    if (!FInfoActive)
        return;
    FInfoActive = false;
    setToolTip(FSavedToolTip);
    update();
}
