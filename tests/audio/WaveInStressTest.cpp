#include "WaveInFixture.h"

#include <QtGlobal>

#include <random>

using namespace audiotest;
using platform::VirtualCaptureBackend;

namespace {

int Cycles()
{
    const int fromEnvironment = qEnvironmentVariableIntValue("SONAVIA_STRESS_CYCLES");
    return fromEnvironment > 0 ? fromEnvironment : 2000;
}

// Runs in the buffer-thread mode of the program and in the window mode, where
// buffers and stops share the user-interface thread.
class WaveInStressTest : public WaveInTestBase, public ::testing::WithParamInterface<TMMCBMode> {};

// Opens, starts, pauses, stops and closes the device thousands of times while
// buffers flow as fast as the buffer thread takes them, changing properties in
// between. Every byte the device recorded must reach the chain, every buffer must
// come back, and nothing may stay open.
TEST_P(WaveInStressTest, ThousandsOfCyclesLoseNothingAndLeaveNothingOpen)
{
    backend->SetPacing(VirtualCaptureBackend::Pacing::FreeRunning);
    backend->SetSignal(VirtualCaptureBackend::Signal::Noise);
    TMMWaveIn in;
    Sink sink;
    in.SetOutput(&sink);
    in.SetCallBackMode(GetParam());
    in.SetMode(mStereo);
    in.SetBitLength(b16Bit);
    in.SetSampleRate(44100);
    int errors = 0;
    in.OnError = [&](TMMComponent*) { ++errors; };
    int stops = 0;
    in.OnStop = [&](TMMComponent*) { ++stops; };

    std::mt19937 random(12345);
    const int cycles = GetParam() == cmThread ? Cycles() : Cycles() / 8;
    int deferredStops = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const int choice = static_cast<int>(random() % 8);
        if (!in.Opened()) {
            // Properties only change while closed.
            in.SetBufferSize(64 << (random() % 4));
            in.SetNumBuffers(2 + static_cast<int>(random() % 6));
            in.SetSampleRate(random() % 2 ? 44100 : 22050);
            in.SetMode(random() % 2 ? mStereo : mMono);
        }
        const bool limited = choice == 0;
        in.SetTimeFormat(tfByte);
        in.SetMaxRecordTime(limited ? 2000 : -1);
        const std::int64_t before = sink.Bytes();
        in.Start();
        ASSERT_TRUE(in.Started()) << "cycle " << cycle;
        in.SetPriority(static_cast<TThreadPriority>(random() % 4));
        if (limited) {
            // The limit stops the device from the buffer thread, through the window.
            ASSERT_TRUE(PumpUntil([&] { return !in.Started(); })) << "cycle " << cycle;
            ASSERT_EQ(sink.Bytes() - before, in.MaxRecordBytes()) << "cycle " << cycle;
            ++deferredStops;
        } else {
            ASSERT_TRUE(PumpUntil([&] { return sink.Buffers() > 0 && sink.Bytes() > before; }))
                << "cycle " << cycle;
            if (choice == 1) {
                in.Pause();
                in.Restart();
            }
            if (choice == 2) {
                in.Close(); // straight from recording
                ASSERT_TRUE(PumpUntil([&] { return !in.Opened(); })) << "cycle " << cycle;
            } else {
                in.Stop();
                ASSERT_TRUE(PumpUntil([&] { return !in.Started(); })) << "cycle " << cycle;
            }
        }
        ASSERT_EQ(in.QueuedCount(), 0) << "cycle " << cycle;
        ASSERT_EQ(sink.Bytes() - before, in.BytesRecorded())
            << "every recorded byte reached the chain";
        if (choice >= 5) {
            in.Close();
            ASSERT_FALSE(in.Opened());
            ASSERT_EQ(driver->OpenCount(), 0u);
            ASSERT_EQ(DSPThreadCount(), 0u);
        }
    }
    in.Close();
    EXPECT_EQ(errors, 0);
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(stops, cycles);
    EXPECT_GT(deferredStops, 0);
    EXPECT_EQ(driver->OpenCount(), 0u);
    EXPECT_EQ(backend->OpenStreams(), 0);
    EXPECT_EQ(DSPThreadCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(CallbackModes, WaveInStressTest, ::testing::Values(cmThread, cmWindow),
                         [](const auto& info) {
                             return std::string(info.param == cmThread ? "Thread" : "Window");
                         });

} // namespace
