#include "StationFixture.h"
#include "spectrum/MMSpectrum.h"

#include <QFrame>

namespace {

using apptest::ProbeWindow;

class SpectrumPanelTest : public apptest::StationTest {};

// What the studio settings make of the 170 x 56 panel: 28 spots with zones at 14
// and 21, 32 bars of one bin each on a +3 dB per octave linear axis, 256-byte
// blocks from the connector's first spectrum slot.
TEST_F(SpectrumPanelTest, StudioSpectrumFillsItsPanelWithThirtyTwoBarsOfTwentyEightSpots)
{
    ProbeWindow window(Services());
    TMMSpectrum* spectrum = window.MMSpectrum2;
    ASSERT_NE(spectrum, nullptr);
    EXPECT_EQ(spectrum->parentWidget(), window.PSpectrum);
    EXPECT_EQ(spectrum->DisplayRect(), (TRect{0, 0, 170, 56}));
    const SpotGeometry& spots = spectrum->Spots();
    EXPECT_EQ(spots.spots, 28);
    EXPECT_EQ(spots.bottomOffset, 0);
    EXPECT_EQ(spots.t1, 14);
    EXPECT_EQ(spots.t2, 21);
    EXPECT_EQ(spectrum->Shift(), 21);
    std::vector<int> barStarts;
    for (int column = 0; column < 170; ++column)
        if (spectrum->FirstBin(column) >= 0)
            barStarts.push_back(column);
    ASSERT_EQ(barStarts.size(), 32u);
    const struct {
        int bin, factor;
    } factors[] = {{0, 930}, {1, 1315}, {5, 2278}, {31, 5260}};
    for (const auto& f : factors) {
        EXPECT_EQ(spectrum->FirstBin(barStarts[std::size_t(f.bin)]), f.bin);
        EXPECT_EQ(spectrum->ColumnFactor(barStarts[std::size_t(f.bin)]), f.factor) << f.bin;
    }
    EXPECT_EQ(spectrum->BytesPerRefresh(), 256);
    EXPECT_EQ(window.MMConnector1->Spectrum(1), spectrum);
}

} // namespace
