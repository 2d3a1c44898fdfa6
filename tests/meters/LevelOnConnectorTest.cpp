#include "audio/MMConnector.h"
#include "audio/TickService.h"
#include "meters/LevelEngine.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// A bar display reduced to its measuring engine, as the bar meter embeds it.
class EngineOnlyBar final : public TMMDisplay {
public:
    EngineOnlyBar()
    {
        engine.SetRange(40);
        engine.SetSamples(99);
        engine.SetHooks({{}, [this] { ++redraws; }, {}, [this] { ++overflows; }, {}});
    }
    void SetStreamFormat(const TWaveFormatEx* format) override { engine.SetStreamFormat(format); }
    std::int32_t BytesPerRefresh() const override { return engine.BytesPerRefresh(); }
    void ConsumePcm(const std::uint8_t* data) override { engine.ConsumePcm(data); }
    void ClearDisplay() override { engine.ClearDisplay(); }

    LevelEngine engine{LevelKind::Bar};
    int redraws = 0;
    int overflows = 0;
};

// A captured buffer's whole road with every thread at work: the feeding thread
// copies into the connector, the user-interface thread measures in the refresh
// loop, and the timer thread moves the peak markers.
TEST(LevelOnConnector, FullScaleStereoReachesTheTopOfBothBars)
{
    EngineOnlyBar left, right;
    left.engine.SetChannel(chLeft);
    right.engine.SetChannel(chRight);
    TMMConnector connector;
    connector.SetLevel1(&left);
    connector.SetLevel2(&right);
    TWaveFormatEx format{};
    BuildPcmFormat(&format, 16, 2, 44100);
    connector.SetStreamFormat(&format);
    EXPECT_EQ(left.BytesPerRefresh(), 396);
    connector.SetBufferSize(4096);
    connector.ChainOpen();
    connector.ChainStart();

    // Left at full scale, right at 4370 (-17.5 dB).
    std::vector<std::int16_t> samples;
    for (int frame = 0; frame < 1024; ++frame) {
        samples.push_back(frame % 2 == 0 ? 32767 : -32767);
        samples.push_back(frame % 2 == 0 ? 4370 : -4370);
    }
    BufferHeader header{};
    header.hdr.lpData = reinterpret_cast<char*>(samples.data());
    header.hdr.dwBufferLength = header.hdr.dwBytesRecorded = 4096;

    std::atomic<bool> feeding{true};
    std::thread feeder([&] {
        while (feeding) {
            BufferHeader own = header;
            connector.BufferReady(&own);
            std::this_thread::sleep_for(std::chrono::milliseconds(23));
        }
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
    while (std::chrono::steady_clock::now() < end)
        QCoreApplication::processEvents();
    feeding = false;
    feeder.join();

    EXPECT_EQ(left.engine.DisplayedPosition(), 40);
    EXPECT_EQ(left.engine.PeakPosition(), 40);
    EXPECT_GT(left.overflows, 0);
    EXPECT_EQ(right.engine.DisplayedPosition(), 20);
    EXPECT_EQ(right.overflows, 0);
    EXPECT_GT(left.redraws, 0);

    connector.ChainStop(); // clears both bars
    EXPECT_EQ(left.engine.DisplayedPosition(), 0);
    EXPECT_EQ(right.engine.PeakPosition(), 0);
}

} // namespace
