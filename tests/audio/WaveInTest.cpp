#include "WaveInFixture.h"

#include <gmock/gmock.h>

#include "support/RecordingMessageBoxes.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>

using namespace audiotest;
using platform::VirtualCaptureBackend;

namespace {

class WaveInTest : public WaveInTestBase {};

TEST_F(WaveInTest, StartsWithItsDefaults)
{
    TMMWaveIn in;
    EXPECT_EQ(in.GetBufferSize(), 2048);
    EXPECT_EQ(in.GetNumBuffers(), 10);
    EXPECT_EQ(in.GetCallBackMode(), cmWindow);
    EXPECT_EQ(in.GetDeviceID(), 0);
    EXPECT_EQ(in.GetProductName(), "Virtual Input");
    EXPECT_EQ(in.GetMode(), mMono);
    EXPECT_EQ(in.GetBitLength(), b8Bit);
    EXPECT_EQ(in.GetSampleRate(), 11025);
    EXPECT_EQ(in.GetTimeFormat(), tfByte);
    EXPECT_EQ(in.GetMaxRecordTime(), -1);
    EXPECT_EQ(in.MaxRecordBytes(), INT32_MAX);
    EXPECT_EQ(in.GetPriority(), tpHigher);
    EXPECT_EQ(in.DeviceState(), TMMCustomWaveIn::dsClosed);
    ASSERT_NE(in.GetStreamFormat(), nullptr);
    EXPECT_EQ(in.GetStreamFormat()->nSamplesPerSec, 11025u);
    EXPECT_EQ(in.GetStreamFormat()->nBlockAlign, 1);
}

TEST_F(WaveInTest, PropertySettersClampOrIgnoreOutOfRangeValues)
{
    TMMWaveIn in;
    in.SetNumBuffers(1);
    EXPECT_EQ(in.GetNumBuffers(), 10);
    in.SetNumBuffers(1000);
    EXPECT_EQ(in.GetNumBuffers(), 500);
    in.SetBufferSize(10);
    EXPECT_EQ(in.GetBufferSize(), 32);
    in.SetSampleRate(200000);
    EXPECT_EQ(in.GetSampleRate(), 100000);
    in.SetSampleRate(5000);
    EXPECT_EQ(in.GetSampleRate(), 8000);
    in.SetMode(mStereo);
    in.SetMode(mMultiChannel);
    EXPECT_EQ(in.GetMode(), mStereo);
    in.SetBitLength(b16Bit);
    ASSERT_NE(in.GetStreamFormat(), nullptr);
    EXPECT_EQ(in.GetStreamFormat()->nChannels, 2);
    EXPECT_EQ(in.GetStreamFormat()->wBitsPerSample, 16);
    EXPECT_EQ(in.GetStreamFormat()->nSamplesPerSec, 8000u);
}

TEST_F(WaveInTest, BufferSizeIsUsedInWholeFramesAtOpen)
{
    TMMWaveIn in;
    UseStationFormat(in);
    in.SetBufferSize(10);
    in.Open();
    EXPECT_EQ(in.GetBufferSize(), 32);
    in.Close();
    in.SetBufferSize(4098);
    in.Open();
    EXPECT_EQ(in.GetBufferSize(), 4096);
    in.Close();
    EXPECT_EQ(in.GetBufferSize(), 4098);
}

TEST_F(WaveInTest, ADeviceIdOutOfRangeBecomesInvalidAndRefusesToOpen)
{
    backend->SetDevices({{"Card A"}, {"Card B"}});
    TMMWaveIn in;
    EXPECT_EQ(in.DeviceCount(), 2);
    in.SetDeviceID(1);
    EXPECT_EQ(in.GetProductName(), "Card B");
    in.SetDeviceID(5);
    EXPECT_EQ(in.GetDeviceID(), InvalidId);
    EXPECT_EQ(in.GetProductName(), "No wave audio recording device found");
    int errors = 0;
    in.OnError = [&](TMMComponent*) { ++errors; };
    EXPECT_EQ(ErrorOf([&] { in.Open(); }), "Invalid DeviceID");
    EXPECT_EQ(errors, 1);
}

TEST_F(WaveInTest, WithoutAnyDeviceTheMapperStaysAndOpenSaysSo)
{
    backend->SetDevices({});
    TMMWaveIn in;
    EXPECT_EQ(in.DeviceCount(), 0);
    EXPECT_EQ(in.GetDeviceID(), InvalidId) << "device 0 does not exist";
    in.SetDeviceID(MapperId);
    EXPECT_EQ(in.GetDeviceID(), MapperId);
    EXPECT_EQ(in.GetProductName(), "No wave audio recording device found");
    EXPECT_EQ(ErrorOf([&] { in.Open(); }), "No wave audio recording device found");
}

TEST_F(WaveInTest, DeviceEnumerationAsTheSettingsWindowDoesIt)
{
    backend->SetDevices({{"Card A"}, {"A name far longer than thirty-one characters"}});
    TMMWaveIn in;
    std::vector<std::string> names;
    for (int id = 0; id < in.DeviceCount(); ++id) {
        in.SetDeviceID(id);
        names.push_back(in.GetProductName());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Card A", "A name far longer than thirty-o"}));
}

TEST_F(WaveInTest, PropertyChangesWhileOpenAreRefused)
{
    TMMWaveIn in;
    UseStationFormat(in);
    in.Open();
    const std::string message = "Change to property while device was open";
    EXPECT_EQ(ErrorOf([&] { in.SetSampleRate(22050); }), message);
    EXPECT_EQ(ErrorOf([&] { in.SetMode(mMono); }), message);
    EXPECT_EQ(ErrorOf([&] { in.SetBitLength(b8Bit); }), message);
    EXPECT_EQ(ErrorOf([&] { in.SetNumBuffers(4); }), message);
    EXPECT_EQ(ErrorOf([&] { in.SetBufferSize(1024); }), message);
    // These two check before comparing, so even the same value is refused.
    EXPECT_EQ(ErrorOf([&] { in.SetDeviceID(MapperId); }), message);
    EXPECT_EQ(ErrorOf([&] { in.SetCallBackMode(cmThread); }), message);
    // The unchanged value passes the others.
    EXPECT_EQ(ErrorOf([&] { in.SetSampleRate(44100); }), "");
    EXPECT_EQ(in.GetSampleRate(), 44100);
    in.Close();
    EXPECT_EQ(ErrorOf([&] { in.SetSampleRate(22050); }), "");
}

TEST_F(WaveInTest, CallbackModeIsRefusedWithItsMessageBox)
{
    testsupport::RecordingMessageBoxes boxes;
    TMMWaveIn in;
    in.SetCallBackMode(cmThread);
    in.SetCallBackMode(cmCallback);
    EXPECT_EQ(in.GetCallBackMode(), cmThread);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "TMMWaveIn");
    EXPECT_EQ(boxes.boxes[0].text, "\"CallBacks\" are called at interrupt time !\n\r"
                                   "This is currently only supported under Windows 95");
}

TEST_F(WaveInTest, MaxRecordTimeIsExpressedInBytesOfWholeFrames)
{
    TMMWaveIn in;
    UseStationFormat(in);
    in.SetMaxRecordTime(1000);
    EXPECT_EQ(in.MaxRecordBytes(), 176400);
    in.SetTimeFormat(tfByte);
    EXPECT_EQ(in.GetMaxRecordTime(), 176400);
    in.SetTimeFormat(tfSample);
    EXPECT_EQ(in.GetMaxRecordTime(), 44100);
    in.SetMaxRecordTime(1001); // frames
    EXPECT_EQ(in.MaxRecordBytes(), 4004);
    in.SetTimeFormat(tfByte);
    in.SetMaxRecordTime(4003); // bytes, rounded down to whole frames
    EXPECT_EQ(in.MaxRecordBytes(), 4000);
    in.SetMaxRecordTime(-1); // no limit: the largest 32-bit value in whole frames
    EXPECT_EQ(in.MaxRecordBytes(), INT32_MAX - 3);
}

TEST_F(WaveInTest, MaxRecordTimeCutsTheBufferThatCrossesTheLimitAndStops)
{
    backend->SetPacing(VirtualCaptureBackend::Pacing::FreeRunning);
    TMMWaveIn in;
    Sink sink;
    in.SetOutput(&sink);
    UseStationFormat(in);
    in.SetMaxRecordTime(1000);
    int stops = 0;
    in.OnStop = [&](TMMComponent*) { ++stops; };
    in.Start();
    ASSERT_TRUE(PumpUntil([&] { return !in.Started(); }));
    EXPECT_EQ(sink.Bytes(), 176400);
    EXPECT_EQ(in.BytesRecorded(), 176400);
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(in.Opened()) << "the limit stops, it does not close";
    EXPECT_EQ(in.DeviceState(), TMMCustomWaveIn::dsOpen);
    EXPECT_FALSE(sink.Started());
    in.Close();
    EXPECT_TRUE(reported.empty());
}

TEST_F(WaveInTest, AFormatTheDeviceCannotRecordIsRefusedWithTheExactMessage)
{
    // A device that lacks 44.1 kHz 16-bit stereo (bit 11).
    backend->SetDevices({{"Old card", platform::kAllStandardFormats & ~0x800u, 2}});
    TMMWaveIn in;
    UseStationFormat(in);
    EXPECT_EQ(ErrorOf([&] { in.Open(); }),
              "WaveInOpen:\n\rThe actual device can''t record this format");
    EXPECT_EQ(in.DeviceState(), TMMCustomWaveIn::dsClosed);
    in.SetMode(mMono); // bit 10 is there
    EXPECT_EQ(ErrorOf([&] { in.Open(); }), "");
    EXPECT_TRUE(in.Opened());
}

TEST_F(WaveInTest, RatesAboveTheBandsRelyOnTheDeviceQueryAlone)
{
    // 96000 would fall into the 22050 band if only its low 16 bits counted.
    backend->SetDevices({{"Hi-res", platform::kAllStandardFormats & ~0x080u, 2}});
    TMMWaveIn in;
    UseStationFormat(in);
    in.SetSampleRate(96000);
    EXPECT_EQ(ErrorOf([&] { in.Open(); }), "");
}

TEST_F(WaveInTest, AFailingDeviceOpenCarriesTheSystemText)
{
    backend->SetOpenError(-EBUSY);
    TMMWaveIn in;
    UseStationFormat(in);
    int errors = 0;
    in.OnError = [&](TMMComponent*) { ++errors; };
    EXPECT_THAT(ErrorOf([&] { in.Start(); }),
                ::testing::StartsWith(
                    "WaveInOpen:\n\rCapture device \"Virtual Input\": Device or resource busy. "));
    EXPECT_EQ(in.DeviceState(), TMMCustomWaveIn::dsClosed);
    EXPECT_FALSE(in.Opened());
    EXPECT_EQ(errors, 2) << "once raising, once from the handler that closes";
    EXPECT_EQ(driver->OpenCount(), 0u);
    EXPECT_EQ(DSPThreadCount(), 0u) << "the buffer thread ended with the failed open";
}

TEST_F(WaveInTest, PauseBeforeStartQueuesEverythingButRecordsOnlyAfterRestart)
{
    TMMWaveIn in;
    Sink sink;
    in.SetOutput(&sink);
    UseStationFormat(in);
    in.Open();
    in.Pause();
    EXPECT_EQ(in.DeviceState(), TMMCustomWaveIn::dsOpen | TMMCustomWaveIn::dsPaused);
    in.Restart(); // needs recording: nothing
    EXPECT_TRUE(in.Paused());
    in.Start();
    EXPECT_EQ(in.DeviceState(),
              TMMCustomWaveIn::dsOpen | TMMCustomWaveIn::dsPaused | TMMCustomWaveIn::dsRecording);
    EXPECT_EQ(in.QueuedCount(), 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(sink.Buffers(), 0) << "the device was not started";
    in.Restart();
    EXPECT_FALSE(in.Paused());
    ASSERT_TRUE(PumpUntil([&] { return sink.Buffers() >= 2; }));
    in.Close();
    EXPECT_EQ(in.DeviceState(), TMMCustomWaveIn::dsClosed);
}

TEST_F(WaveInTest, StartOpensAllocatesAndQueuesAndTheChainFollows)
{
    TMMWaveIn in;
    Sink sink;
    in.SetOutput(&sink);
    UseStationFormat(in);
    std::vector<std::string> events;
    in.OnOpen = [&](TMMComponent*) { events.push_back("open"); };
    in.OnStart = [&](TMMComponent*) { events.push_back("start"); };
    in.OnStop = [&](TMMComponent*) { events.push_back("stop"); };
    in.OnClose = [&](TMMComponent*) { events.push_back("close"); };
    in.Start();
    EXPECT_TRUE(in.Opened() && in.Started());
    EXPECT_TRUE(sink.Opened() && sink.Started());
    EXPECT_EQ(sink.GetBufferSize(), 4096);
    ASSERT_TRUE(PumpUntil([&] { return sink.Buffers() >= 3; }));
    EXPECT_GE(in.LastPosition(), 1024u) << "the position is read after each buffer";
    in.Stop();
    EXPECT_EQ(in.LastPosition(), 0u);
    EXPECT_FALSE(sink.Started());
    EXPECT_EQ(in.QueuedCount(), 0);
    in.Close();
    EXPECT_FALSE(sink.Opened());
    EXPECT_EQ(events, (std::vector<std::string>{"open", "start", "stop", "close"}));
}

TEST_F(WaveInTest, ReopeningWithTheSameSizeTakesTheBuffersFromThePool)
{
    TMMWaveIn in;
    UseStationFormat(in);
    in.Start();
    in.Close();
    const int streams = backend->StreamsOpened();
    in.Start();
    in.Close();
    EXPECT_EQ(backend->StreamsOpened(), streams + 1);
    EXPECT_EQ(backend->OpenStreams(), 0);
    EXPECT_EQ(driver->OpenCount(), 0u);
}

TEST_F(WaveInTest, CapturedSamplesReachTheChainUnchanged)
{
    backend->SetSignal(VirtualCaptureBackend::Signal::FullScale, 441.0);
    backend->SetPacing(VirtualCaptureBackend::Pacing::FreeRunning);
    TMMWaveIn in;
    Sink sink;
    sink.keepSamples = true;
    in.SetOutput(&sink);
    UseStationFormat(in);
    in.SetTimeFormat(tfByte);
    in.SetMaxRecordTime(4 * 200); // 200 frames: two half periods of 50 frames... and more
    in.Start();
    ASSERT_TRUE(PumpUntil([&] { return !in.Started(); }));
    std::lock_guard lock(sink.mutex);
    ASSERT_EQ(sink.samples.size(), 800u);
    std::vector<std::int16_t> frames(400);
    std::memcpy(frames.data(), sink.samples.data(), 800);
    // 441 Hz at 44.1 kHz: 50 frames high, 50 frames low, on both channels.
    EXPECT_EQ(frames[0], 32767);
    EXPECT_EQ(frames[1], 32767);
    EXPECT_EQ(frames[2 * 49], 32767);
    EXPECT_EQ(frames[2 * 50], -32768);
    EXPECT_EQ(frames[2 * 99 + 1], -32768);
    EXPECT_EQ(frames[2 * 100], 32767);
}

TEST_F(WaveInTest, WindowModeHandlesBuffersOnTheUserInterfaceThread)
{
    TMMWaveIn in;
    Sink sink;
    in.SetOutput(&sink);
    UseStationFormat(in, cmWindow);
    std::atomic<bool> offThread{false};
    const auto ui = std::this_thread::get_id();
    in.OnBufferReady = [&](TMMDSPComponent*, BufferHeader*) {
        if (std::this_thread::get_id() != ui)
            offThread = true;
    };
    in.Start();
    EXPECT_EQ(DSPThreadCount(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return sink.Buffers() >= 3; }));
    in.Stop();
    in.Close();
    EXPECT_FALSE(offThread);
}

// Holds the buffer thread inside OnBufferReady until the test lets it go.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool open = false;

    void Hold()
    {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [this] { return open; });
    }
    void WaitEntered()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return entered; });
    }
    void Release()
    {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
};

TEST_F(WaveInTest, CloseWhileABufferIsHandledIsDeferredUntilTheStopIsCarriedOut)
{
    TMMWaveIn in;
    Sink sink;
    in.SetOutput(&sink);
    UseStationFormat(in);
    Gate gate;
    std::atomic<bool> first{true};
    in.OnBufferReady = [&](TMMDSPComponent*, BufferHeader*) {
        if (first.exchange(false))
            gate.Hold();
    };
    int stops = 0, closes = 0;
    in.OnStop = [&](TMMComponent*) { ++stops; };
    in.OnClose = [&](TMMComponent*) { ++closes; };
    in.Start();
    gate.WaitEntered();

    in.Close();
    EXPECT_TRUE(in.Opened()) << "the close waits for the handler";
    EXPECT_TRUE(in.Started());
    EXPECT_EQ(closes, 0);

    gate.Release();
    ASSERT_TRUE(PumpUntil([&] { return !in.Opened(); }));
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(in.DeviceState(), TMMCustomWaveIn::dsClosed);
    EXPECT_EQ(driver->OpenCount(), 0u);
    EXPECT_EQ(DSPThreadCount(), 0u);
    EXPECT_TRUE(reported.empty());
}

TEST_F(WaveInTest, AnUnpluggedDeviceReachesTheApplicationHandlerAndCloses)
{
    backend->SetPacing(VirtualCaptureBackend::Pacing::FreeRunning);
    backend->SetFailAfterBytes(10 * 4096 + 100);
    TMMWaveIn in;
    Sink sink;
    in.SetOutput(&sink);
    UseStationFormat(in);
    in.Start();
    ASSERT_TRUE(PumpUntil([&] { return !reported.empty(); }));
    EXPECT_THAT(reported[0], ::testing::StartsWith(
                                 "WaveIn:\n\rCapture device \"Virtual Input\": No such device. "));
    EXPECT_FALSE(in.Opened());
    EXPECT_EQ(in.DeviceState(), TMMCustomWaveIn::dsClosed);
    // Whatever the buffer thread handled before the close came is whole buffers from
    // before the failure; the rest is dropped with the reset.
    EXPECT_LE(sink.Bytes(), 10 * 4096);
    EXPECT_EQ(sink.Bytes() % 4096, 0);
    EXPECT_EQ(driver->OpenCount(), 0u);
}

TEST_F(WaveInTest, ASoundSystemThatHangsIsReportedAndClosedWithoutHangingTheProgram)
{
    auto owned = std::make_unique<VirtualCaptureBackend>();
    VirtualCaptureBackend& hanging = *owned;
    platform::CaptureLimits limits;
    limits.read = std::chrono::milliseconds(150);
    limits.check = std::chrono::milliseconds(20);
    platform::QueuedWaveInDriver quick(std::move(owned), limits);
    platform::SetActiveWaveInDriver(&quick);
    {
        TMMWaveIn in;
        UseStationFormat(in);
        hanging.SetReadMode(VirtualCaptureBackend::ReadMode::Hang);
        in.Start();
        ASSERT_TRUE(PumpUntil([&] { return !reported.empty() && !in.Opened(); }));
        EXPECT_EQ(reported[0], "WaveIn:\n\rThe capture device stopped responding; check the card "
                               "or the sound server, then start the capture again.");
        EXPECT_EQ(quick.OpenCount(), 0u);
        EXPECT_EQ(DSPThreadCount(), 0u);
    }
    hanging.SetReadMode(VirtualCaptureBackend::ReadMode::Normal);
    ASSERT_TRUE(PumpUntil([&] { return hanging.OpenStreams() == 0; }));
    platform::SetActiveWaveInDriver(driver.get());
}

TEST_F(WaveInTest, AnErrorInTheChainEndsTheBufferThreadAndClosesTheDevice)
{
    TMMWaveIn in;
    Sink sink;
    in.SetOutput(&sink);
    UseStationFormat(in);
    in.OnBufferReady = [](TMMDSPComponent*, BufferHeader*) {
        throw EMMWaveInError("display failed");
    };
    int errors = 0;
    in.OnError = [&](TMMComponent*) { ++errors; };
    in.Start();
    ASSERT_TRUE(PumpUntil([&] { return !reported.empty() && !in.Opened(); }));
    EXPECT_EQ(reported[0], "display failed");
    EXPECT_GE(errors, 1);
    EXPECT_EQ(DSPThreadCount(), 0u);
    EXPECT_EQ(driver->OpenCount(), 0u);
    // The component can be used again.
    in.OnBufferReady = nullptr;
    in.Start();
    EXPECT_TRUE(in.Started());
    in.Close();
}

TEST_F(WaveInTest, DestroyingARecordingInputClosesTheDeviceSilently)
{
    Sink sink;
    int closes = 0;
    {
        TMMWaveIn in;
        in.SetOutput(&sink);
        UseStationFormat(in);
        in.OnClose = [&](TMMComponent*) { ++closes; };
        in.Start();
        ASSERT_TRUE(PumpUntil([&] { return sink.Buffers() >= 1; }));
    }
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(sink.GetInput(), nullptr);
    EXPECT_FALSE(sink.Opened());
    EXPECT_EQ(driver->OpenCount(), 0u);
    EXPECT_EQ(DSPThreadCount(), 0u);
}

TEST(AllocatorTest, ReusesFreeBlocksExactSizeFirst)
{
    TMMAllocator pool;
    void* big = pool.AllocBuffer(0, 200);
    void* exact = pool.AllocBuffer(0, 100);
    pool.FreeBuffer(big);
    EXPECT_EQ(big, nullptr);
    void* keep = exact;
    pool.FreeBuffer(exact);
    EXPECT_EQ(pool.AllocBuffer(0, 100), keep) << "the exact size wins over the first large one";
    void* second = pool.AllocBuffer(0, 100);
    EXPECT_EQ(pool.BlockCount(), 2u) << "the 200-byte block serves a 100-byte request";
    EXPECT_EQ(pool.BlocksInUse(), 2u);
    pool.FreeBuffer(second);
    EXPECT_EQ(pool.BlocksInUse(), 1u);
    pool.FreeAll();
    EXPECT_EQ(pool.BlockCount(), 0u);
}

} // namespace
