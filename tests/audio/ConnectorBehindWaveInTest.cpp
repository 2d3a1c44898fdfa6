#include "ConnectorDisplays.h"
#include "WaveInFixture.h"
#include "audio/MMConnector.h"

using namespace audiotest;
using namespace connector_test;
using platform::VirtualCaptureBackend;

namespace {

class ConnectorBehindWaveIn : public WaveInTestBase {};

// The station's chain: the wave input's buffer thread feeds the connector while
// the user-interface thread runs the refresh loop. Opening hands the wave input's
// buffer size down, stopping the input stops the connector and clears the displays.
TEST_F(ConnectorBehindWaveIn, CapturedBuffersReachTheDisplaysInSteps)
{
    backend->SetSignal(VirtualCaptureBackend::Signal::FullScale);
    TMMWaveIn in;
    TMMConnector connector;
    RecordingDisplay level(396), meter(80);
    connector.SetLevel1(&level);
    connector.SetMeter1(&meter);
    connector.SetEnterIdle(false);
    in.SetOutput(&connector);
    UseStationFormat(in);
    const TWaveFormatEx received = level.lastFormat; // the station's format came down the chain
    EXPECT_EQ(std::uint32_t{received.nSamplesPerSec}, 44100u);
    EXPECT_EQ(std::uint16_t{received.wBitsPerSample}, 16);
    EXPECT_EQ(std::uint16_t{received.nChannels}, 2);

    in.Start();
    EXPECT_TRUE(connector.Running());
    EXPECT_EQ(connector.CopyBufferSize(), 4096);
    ASSERT_TRUE(PumpUntil([&] { return level.firstSamples.size() >= 20; }));
    in.Stop();
    EXPECT_FALSE(connector.Running());
    EXPECT_EQ(level.clears, 1);
    // Real-time buffers: the needles' smaller steps come more often than the bars'.
    EXPECT_GT(meter.firstSamples.size(), level.firstSamples.size());
    in.Close();
    EXPECT_TRUE(reported.empty());
}

TEST_F(ConnectorBehindWaveIn, PausingTheInputReplaysSilenceUntilRestart)
{
    backend->SetSignal(VirtualCaptureBackend::Signal::FullScale);
    TMMWaveIn in;
    TMMConnector connector;
    RecordingDisplay meter(80);
    connector.SetMeter1(&meter);
    connector.SetSynchronize(false);
    in.SetOutput(&connector);
    UseStationFormat(in);
    in.Start();
    ASSERT_TRUE(PumpUntil([&] { return !meter.firstSamples.empty(); }));
    in.Pause();
    meter.lastBlock.clear();
    ASSERT_TRUE(PumpUntil([&] { return !meter.lastBlock.empty(); })); // the timer's replay
    EXPECT_EQ(meter.lastBlock, std::vector<std::uint8_t>(80, 0));
    in.Restart();
    ASSERT_TRUE(PumpUntil([&] {
        return meter.lastBlock != std::vector<std::uint8_t>(80, 0) && !meter.lastBlock.empty();
    }));
    in.Stop();
    in.Close();
    EXPECT_TRUE(reported.empty());
}

} // namespace
