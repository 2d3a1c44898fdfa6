#include "StationFixture.h"
#include "meters/MMLevel.h"
#include "meters/MMLevelScale.h"

#include <QFrame>
#include <QLabel>

namespace {

using apptest::ProbeWindow;

class LevelPanelTest : public apptest::StationTest {};

TEST_F(LevelPanelTest, BarsAndScaleSitInTheLevelPanelWithTheStudioSettings)
{
    ProbeWindow window(Services());
    ASSERT_NE(window.MMLevel1, nullptr);
    ASSERT_NE(window.MMLevel2, nullptr);
    for (TMMLevel* bar : {window.MMLevel1, window.MMLevel2}) {
        EXPECT_EQ(bar->parentWidget(), window.PLevel);
        EXPECT_EQ(bar->size(), QSize(158, 18));
        EXPECT_EQ(bar->SpotCount(), 79);
        EXPECT_EQ(bar->ZoneLimit1(), 39);
        EXPECT_EQ(bar->ZoneLimit2(), 63);
        EXPECT_EQ(bar->BarColor(0), clLime);
        EXPECT_EQ(bar->BarColor(1), clYellow);
        EXPECT_EQ(bar->BarColor(2), clRed);
        EXPECT_EQ(bar->InactiveColor(0), clGray);
        EXPECT_TRUE(bar->ActiveDoted());
        EXPECT_TRUE(bar->InactiveDoted());
        EXPECT_EQ(bar->Engine().Samples(), 99);
        EXPECT_EQ(bar->Engine().NumPeaks(), 2);
        EXPECT_EQ(bar->Engine().DecayMode(), dmStepUp);
        EXPECT_EQ(bar->Engine().Decay(), 8);
        EXPECT_EQ(bar->BytesPerRefresh(), 396);
    }
    ASSERT_NE(window.MMConnector1, nullptr);
    EXPECT_EQ(window.MMConnector1->Level1(), window.MMLevel1);
    EXPECT_EQ(window.MMConnector1->Level2(), window.MMLevel2);
    EXPECT_EQ(window.MMLevel1->Engine().Channel(), chLeft);
    EXPECT_EQ(window.MMLevel2->Engine().Channel(), chRight);
    EXPECT_LT(window.MMLevel1->y(), window.MMLevel2->y());
    EXPECT_EQ(window.LLevelL->text(), "L");
    EXPECT_EQ(window.LLevelR->text(), "R");
    EXPECT_LT(window.LLevelL->x() + window.LLevelL->width(), window.MMLevel1->x() + 1);

    ASSERT_NE(window.MMLevelScale1, nullptr);
    EXPECT_EQ(window.MMLevelScale1->width(), 275);
    EXPECT_GE(window.MMLevelScale1->y(), 56) << "below the panel's visible area";
    EXPECT_EQ(window.MMLevelScale1->Point2(), 80);
    EXPECT_EQ(window.MMLevelScale1->Scale().TickCount(), 11);
}

TEST_F(LevelPanelTest, EqualizerButtonCyclesThePanels)
{
    ProbeWindow window(Services());
    const QFrame* area = window.PEqualizadores;
    // The panel in front: the one holding whatever shows at the area's centre.
    auto top = [&] {
        QWidget* shown = area->childAt(85, 28);
        while (shown != nullptr && shown->parentWidget() != area)
            shown = shown->parentWidget();
        return shown;
    };
    ASSERT_EQ(top(), window.PSpectrum);
    // Only the front panel is shown, so the displays behind it skip their work.
    auto onlyFrontShown = [&] {
        int shown = 0;
        for (const QFrame* panel :
             {window.PVU, window.PLevel, window.POsciloscopio, window.PSpectrum})
            shown += panel->isVisibleTo(area) ? 1 : 0;
        return shown == 1 && top()->isVisibleTo(area);
    };
    EXPECT_TRUE(onlyFrontShown());
    window.BEqualizerClick();
    EXPECT_EQ(top(), window.POsciloscopio);
    window.BEqualizerClick();
    EXPECT_EQ(top(), window.PLevel) << "the bar levels show second";
    window.BEqualizerClick();
    EXPECT_EQ(top(), window.PVU) << "the needle meters show third";
    EXPECT_TRUE(onlyFrontShown());
    window.BEqualizerClick();
    EXPECT_EQ(top(), window.PSpectrum) << "the fourth press shows the spectrum again";
    window.BEqualizerClick();
    EXPECT_EQ(top(), window.POsciloscopio);
    EXPECT_EQ(window.FPanelIndex, 1);
}

} // namespace
