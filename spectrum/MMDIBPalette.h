#pragma once

#include "audio/MMColors.h"

#include <QImage>
#include <QRgb>
#include <array>
#include <cstdint>
#include <vector>

// A logical palette handed to a surface. Only a version of at least 768 and at
// most 256 entries is accepted, as the platform's palette objects require.
struct TLogPalette {
    std::uint16_t Version = 0x300;
    std::vector<QRgb> Entries;
};

inline constexpr int kPaletteSize = 256;
inline constexpr int kStaticColorCount = 20;

// The 256-entry palette of an 8-bit surface: the 20 static colours in entries
// 0-9 and 246-255, the picture's or the custom colours in between, black otherwise.
class TDIBPalette {
public:
    TDIBPalette(); // static colours only

    // Entries 10-244 from an indexed background picture, else entries 10-246 from
    // an acceptable custom palette.
    void Build(const QImage* backGround, const TLogPalette* custom);

    QRgb Entry(int index) const { return fEntries[std::size_t(index)]; }
    const QList<QRgb>& ColorTable() const { return fTable; }

    // Index of the entry nearest to the colour (least squared RGB distance; the
    // lowest index wins a tie).
    std::uint8_t NearestIndex(TColor color) const;

    static bool IsAcceptable(const TLogPalette& palette);

private:
    std::array<QRgb, kPaletteSize> fEntries{};
    QList<QRgb> fTable;
};
