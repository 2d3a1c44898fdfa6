#include "StationFixture.h"
#include "meters/MMMeter.h"

#include <QFrame>

namespace {

using apptest::ProbeWindow;

class MeterPanelTest : public apptest::StationTest {};

TEST_F(MeterPanelTest, NeedlesSitSideBySideInTheVuPanelFedByTheConnector)
{
    ProbeWindow window(Services());
    ASSERT_NE(window.MMMeter2, nullptr);
    ASSERT_NE(window.MMMeter1, nullptr);
    EXPECT_EQ(window.MMMeter2->geometry(), QRect(0, 0, 85, 57));
    EXPECT_EQ(window.MMMeter1->geometry(), QRect(85, 0, 85, 57));
    for (TMMMeter* meter : {window.MMMeter2, window.MMMeter1}) {
        EXPECT_EQ(meter->parentWidget(), window.PVU);
        EXPECT_EQ(meter->InnerWidth(), 81);
        EXPECT_EQ(meter->InnerHeight(), 53);
        EXPECT_EQ(meter->BytesPerRefresh(), 80) << "20 frames of 16-bit stereo";
    }
    EXPECT_EQ(window.MMMeter2->Engine().Channel(), chLeft);
    EXPECT_EQ(window.MMMeter1->Engine().Channel(), chRight);
    ASSERT_NE(window.MMConnector1, nullptr);
    EXPECT_EQ(window.MMConnector1->Meter1(), window.MMMeter1);
    EXPECT_EQ(window.MMConnector1->Meter2(), window.MMMeter2);
}

} // namespace
