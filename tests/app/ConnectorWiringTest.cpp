#include "StationFixture.h"

#include <QCoreApplication>

using namespace apptest;

namespace {

class ConnectorWiringTest : public StationTest {};

TEST_F(ConnectorWiringTest, TheConnectorSitsBehindTheWaveInputWithItsDefaults)
{
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    ASSERT_TRUE(window.MMConnector1);
    TMMConnector& connector = *window.MMConnector1;
    EXPECT_EQ(connector.GetInput(), window.WaveIn.get());
    EXPECT_EQ(window.WaveIn->GetOutput(), &connector);
    EXPECT_FALSE(connector.EnterIdle());
    EXPECT_TRUE(connector.Enabled());
    EXPECT_TRUE(connector.AutoTrigger());
    EXPECT_TRUE(connector.Synchronize());
    EXPECT_TRUE(connector.RealTime());
    EXPECT_TRUE(connector.RefreshOnStop());
    EXPECT_EQ(connector.Speed(), 5000);
    EXPECT_EQ(connector.TriggerMode(), tmNone);
    ASSERT_NE(connector.GetStreamFormat(), nullptr); // the station's format came down
    EXPECT_EQ(std::uint32_t{connector.GetStreamFormat()->nAvgBytesPerSec}, 176400u);
}

TEST_F(ConnectorWiringTest, CaptureStartingAtTheFirstShowRunsTheRefreshLoop)
{
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    int passes = 0;
    window.MMConnector1->OnTrigger = [&](TMMComponent*) { ++passes; };
    window.show();
    ASSERT_TRUE(window.WaveIn->Started());
    EXPECT_TRUE(window.MMConnector1->Running());
    EXPECT_EQ(window.MMConnector1->CopyBufferSize(), 4096);
    for (int turn = 0; turn < 5 && passes == 0; ++turn)
        QCoreApplication::processEvents();
    EXPECT_TRUE(window.MMConnector1->Active());
    EXPECT_GT(passes, 0);
}

} // namespace
