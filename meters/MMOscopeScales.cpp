// What the oscilloscope paints around and over its image: the frame, the
// amplitude and time scales in their margins, and the read-out box.
#include "meters/MMOscope.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>
#include <cstdlib>

namespace {

QRect ToQRect(const TRect& r)
{
    return {r.Left, r.Top, r.Width(), r.Height()};
}

QFont ReadOutFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    return font;
}

} // namespace

void TMMOscope::Paint(QPainter& canvas)
{
    Bevel().Paint(canvas, ClientRect(), true);
    DrawScales(canvas);
    DrawUpdate(&canvas, false);
    if (FReadOutHeld)
        DrawReadOut(canvas);
}

std::vector<std::pair<int, QString>> TMMOscope::AmpScaleLabels() const
{
    std::vector<std::pair<int, QString>> labels;
    const int n = AmpDivisions(FHeight);
    for (int c = 0; c <= n; ++c) {
        const double volts = FKind == okSpikes ? double(c) / n : -1.0 + 2.0 * c / n;
        labels.emplace_back(FPlot.Top + GridRow(c, n, FHeight), QString::number(volts, 'g', 3));
    }
    return labels;
}

std::vector<std::pair<int, QString>> TMMOscope::TimeScaleLabels() const
{
    std::vector<std::pair<int, QString>> labels;
    const int t = TimeDivisions(FColumnCount);
    const int blockMs = BlockMilliseconds();
    for (int k = 0; k <= t; ++k) {
        const int column = GridColumn(k, t, FColumnCount);
        labels.emplace_back(FPlot.Left + column,
                            QString::number(ReadOutTime(column, blockMs, FColumnCount), 'g', 3));
    }
    return labels;
}

// Labels that would touch the one drawn before are left out.
void TMMOscope::DrawScales(QPainter& canvas)
{
    if (!FDrawAmpScale && !FDrawTimeScale)
        return;
    const QWidget* owner = parentWidget() != nullptr ? parentWidget() : this;
    QRegion margins(ToQRect(InnerRect()));
    margins -= ToQRect(FPlot);
    canvas.save();
    canvas.setClipRegion(margins);
    canvas.fillRect(ToQRect(InnerRect()), owner->palette().color(QPalette::Window));
    canvas.restore();

    QFont font = canvas.font();
    font.setPixelSize(9);
    canvas.setFont(font);
    const QFontMetrics metrics(font);
    const int textHeight = metrics.height();
    const QPen line(ToQColor(FScaleLineColor));
    const QPen text(ToQColor(FScaleTextColor));

    if (FDrawAmpScale) {
        int lastRow = -textHeight;
        for (const auto& [row, label] : AmpScaleLabels()) {
            canvas.setPen(line);
            canvas.drawLine(FPlot.Left - 4, row, FPlot.Left - 1, row);
            canvas.drawLine(FPlot.Right, row, FPlot.Right + 3, row);
            if (std::abs(row - lastRow) < textHeight)
                continue;
            lastRow = row;
            canvas.setPen(text);
            const int top = row - textHeight / 2;
            canvas.drawText(QRect(FPlot.Left - 32, top, 26, textHeight),
                            Qt::AlignRight | Qt::AlignVCenter, label);
            canvas.drawText(QRect(FPlot.Right + 6, top, 26, textHeight),
                            Qt::AlignLeft | Qt::AlignVCenter, label);
        }
    }
    if (FDrawTimeScale) {
        int lastRight = -1000;
        for (const auto& [column, label] : TimeScaleLabels()) {
            canvas.setPen(line);
            canvas.drawLine(column, FPlot.Bottom, column, FPlot.Bottom + 3);
            const int width = metrics.horizontalAdvance(label);
            const int left = column - width / 2;
            if (left < lastRight + 3)
                continue;
            lastRight = left + width;
            canvas.setPen(text);
            canvas.drawText(left, FPlot.Bottom + 5 + metrics.ascent(), label);
        }
    }
    if (FDrawAmpScale && FDrawTimeScale) {
        canvas.setPen(text);
        QFont caption(QStringLiteral("ARIAL"));
        caption.setPointSize(10);
        canvas.setFont(caption);
        for (const int x : {16, width() - 14}) {
            canvas.save();
            canvas.translate(x, height() - 34);
            canvas.rotate(-90);
            canvas.drawText(0, 0, QStringLiteral("V"));
            canvas.restore();
        }
        canvas.setFont(font);
        canvas.drawText(width() - 30, height() - 20, QStringLiteral("mS"));
    }
}

void TMMOscope::UpdateReadOut(int x, int y)
{
    // The reading never leaves the plot, wherever the pointer goes.
    x = std::clamp(x, FPlot.Left, FPlot.Right - 1);
    y = std::clamp(y, FPlot.Top, FPlot.Bottom - 1);
    const double ms = ReadOutTime(x - FPlot.Left, BlockMilliseconds(), FColumnCount);
    FReadOut = ReadOutText(ms, ReadOutVoltage(y - FPlot.Top, FHeight, FKind));
    const QFontMetrics metrics(ReadOutFont());
    FReadOutRect =
        ReadOutBox({x, y}, metrics.horizontalAdvance(FReadOut) + 8, metrics.height() + 4, FPlot);
    update();
}

void TMMOscope::EndReadOut()
{
    if (!FReadOutHeld)
        return;
    FReadOutHeld = false;
    FReadOut.clear();
    FReadOutRect = {};
    setToolTip(FSuspendedHint);
    update();
}

void TMMOscope::DrawReadOut(QPainter& canvas)
{
    const QRect box = ToQRect(FReadOutRect);
    canvas.fillRect(box, Qt::white);
    canvas.setPen(Qt::black);
    canvas.drawRect(box.adjusted(0, 0, -1, -1));
    canvas.setFont(ReadOutFont());
    canvas.setPen(ToQColor(clInfoText));
    canvas.drawText(box, Qt::AlignCenter, FReadOut);
}
