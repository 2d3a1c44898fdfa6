#include "spectrum/MMDIBPalette.h"

namespace {

constexpr QRgb kLowStatic[10] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),     qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128),   qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(192, 220, 192), qRgb(166, 202, 240),
};
constexpr QRgb kHighStatic[10] = {
    qRgb(255, 251, 240), qRgb(160, 160, 164), qRgb(128, 128, 128), qRgb(255, 0, 0),
    qRgb(0, 255, 0),     qRgb(255, 255, 0),   qRgb(0, 0, 255),     qRgb(255, 0, 255),
    qRgb(0, 255, 255),   qRgb(255, 255, 255),
};

} // namespace

TDIBPalette::TDIBPalette()
{
    Build(nullptr, nullptr);
}

bool TDIBPalette::IsAcceptable(const TLogPalette& palette)
{
    return palette.Version >= 768 && palette.Entries.size() <= kPaletteSize;
}

void TDIBPalette::Build(const QImage* backGround, const TLogPalette* custom)
{
    fEntries.fill(qRgb(0, 0, 0));
    for (int i = 0; i < 10; ++i) {
        fEntries[std::size_t(i)] = kLowStatic[i];
        fEntries[std::size_t(246 + i)] = kHighStatic[i];
    }
    if (backGround && !backGround->isNull() && !backGround->colorTable().isEmpty()) {
        const QList<QRgb> table = backGround->colorTable();
        for (int i = 10; i <= 244 && i < table.size(); ++i)
            fEntries[std::size_t(i)] = table[i] | 0xFF000000u;
    } else if (custom && IsAcceptable(*custom)) {
        for (int i = 10; i <= 246 && i < int(custom->Entries.size()); ++i)
            fEntries[std::size_t(i)] = custom->Entries[std::size_t(i)] | 0xFF000000u;
    }
    // Entry 246 is a static colour whatever the custom palette says.
    fEntries[246] = kHighStatic[0];
    fTable = QList<QRgb>(fEntries.begin(), fEntries.end());
}

std::uint8_t TDIBPalette::NearestIndex(TColor color) const
{
    const TColor rgb = ColorToRGB(color);
    const int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < kPaletteSize; ++i) {
        const QRgb e = fEntries[std::size_t(i)];
        const long dr = qRed(e) - r, dg = qGreen(e) - g, db = qBlue(e) - b;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
            if (distance == 0)
                break;
        }
    }
    return std::uint8_t(best);
}
