#include "spectrum/MMSpectrum.h"

#include <QCoreApplication>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

// 64 frames of 16-bit stereo: a loud tone in bin 8 over noise, so bars of many
// heights, some in the red zone.
std::vector<std::uint8_t> Noise(std::uint32_t seed)
{
    std::vector<std::uint8_t> block(256);
    for (int i = 0; i < 64; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double tone = 14000 * std::sin(2 * M_PI * 8 * i / 64);
        const auto v = std::int16_t(int(seed >> 16) % 12000 - 6000 + int(tone));
        const std::int16_t pair[2] = {v, v};
        std::memcpy(block.data() + 4 * i, pair, 4);
    }
    return block;
}

// The studio look on a frameless 170 x 56 display: 28 spots, zones at 14 and 21.
struct Studio {
    TMMSpectrum s;
    Studio()
    {
        s.Bevel().SetBevelOuter(bvNone);
        s.SetBounds(0, 0, 170, 56);
        s.SetBarColor(0, clLime);
        s.SetBarColor(1, clYellow);
        for (int zone = 0; zone < 3; ++zone)
            s.SetInactiveColor(zone, clBlack);
        s.SetPoint2(75);
        s.SetInactiveDoted(true);
        s.SetMode(mStereo);
        s.SetBitLength(b16Bit);
        s.SetSampleRate(44100);
        s.SetFFTLength(64);
        s.SetVerticalScale(20);
        s.show();
        QCoreApplication::processEvents();
    }
    // RGB of a pixel of the picture, whatever the surface depth.
    QRgb At(int x, int y) const
    {
        const TMMDIBCanvas& dib = s.DIBCanvas();
        const std::uint32_t p = dib.Pixel(x, y);
        return dib.BitsPerPixel() == 8 ? dib.Palette().Entry(int(p)) & 0xFFFFFF : p;
    }
};

TEST(SpectrumDraw, BarsLightSpotsByValueInThreeZonesOnEitherDepth)
{
    const QRgb zoneColor[3] = {0x00FF00, 0xFFFF00, 0xFF0000};
    Studio v;
    v.s.ConsumePcm(Noise(7).data());
    const std::vector<TSpectrumBar> bars = v.s.Bars();
    ASSERT_EQ(bars.size(), 32u);
    std::vector<QRgb> eightBit;
    for (int y = 0; y < 56; ++y)
        for (int x = 0; x < 170; ++x)
            eightBit.push_back(v.At(x, y));
    int tallest = 0;
    for (const TSpectrumBar& bar : bars) {
        const int expected = std::clamp(int(std::nearbyint(bar.value * 28.0 / 56 + 0.5)), 0, 28);
        tallest = std::max(tallest, expected);
        int lit = 0;
        for (int k = 1; k <= 28; ++k) {
            const QRgb rgb = v.At(bar.first, 57 - 2 * k); // spot k's single row
            if (rgb == 0)
                continue;
            ++lit;
            EXPECT_EQ(rgb, zoneColor[k > 21 ? 2 : k > 14 ? 1 : 0]) << "spot " << k;
        }
        EXPECT_EQ(lit, expected) << "bar at column " << bar.first << ", value " << bar.value;
        EXPECT_EQ(v.At(bar.end - 1, 55), 0u) << "one column narrower on the right";
    }
    EXPECT_GT(tallest, 21) << "the noise should reach the red zone";

    v.s.SetBitsPerPixel(24);
    v.s.repaint();
    std::size_t i = 0;
    for (int y = 0; y < 56; ++y)
        for (int x = 0; x < 170; ++x)
            ASSERT_EQ(v.At(x, y), eightBit[i++]) << "24-bit differs at " << x << "," << y;
}

TEST(SpectrumDraw, OnDrawBarReplacesTheSpotsAndCountsPixels)
{
    Studio v;
    std::vector<int> spots;
    v.s.SetOnDrawBar([&](TMMSpectrum*, TMMDIBCanvas&, TRect& rect, int nSpots, int) {
        EXPECT_EQ(rect.Height(), 56);
        spots.push_back(nSpots);
    });
    v.s.ConsumePcm(Noise(3).data());
    const std::vector<TSpectrumBar> bars = v.s.Bars();
    ASSERT_EQ(spots.size(), bars.size());
    for (std::size_t i = 0; i < bars.size(); ++i)
        EXPECT_EQ(spots[i], std::clamp(int(std::nearbyint(bars[i].value + 0.5)), 0, 56));
    for (int y = 0; y < 56; ++y)
        for (int x = 0; x < 170; ++x)
            ASSERT_EQ(v.At(x, y), 0u) << "the component drew at " << x << "," << y;
}

TEST(SpectrumDraw, LineKindsDrawAtTheBarsHeights)
{
    for (TMMSpectrumKind kind : {skDots, skLines}) {
        Studio v;
        v.s.SetKind(kind);
        v.s.SetBitsPerPixel(24);
        v.s.ConsumePcm(Noise(5).data());
        for (const TSpectrumBar& bar : v.s.Bars()) {
            const int x = kind == skDots ? bar.first : bar.first + (bar.end - bar.first) / 2;
            const int y = std::clamp(56 - bar.value - 1, 0, 55);
            EXPECT_NE(v.At(x, y), 0u) << int(kind) << " bar at " << bar.first;
        }
    }
}

} // namespace
