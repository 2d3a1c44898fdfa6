#include "platform/QueuedWaveInDriver.h"
#include "platform/VirtualCapture.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

using namespace platform;

namespace {

TWaveFormatEx Pcm(int bits, int channels, std::uint32_t rate)
{
    TWaveFormatEx f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = static_cast<std::uint16_t>(channels);
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = static_cast<std::uint16_t>(bits);
    f.nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    f.nAvgBytesPerSec = f.nBlockAlign * rate;
    return f;
}

// One buffer with its own memory.
struct Buffer {
    explicit Buffer(std::size_t size) : data(size)
    {
        header.lpData = data.data();
        header.dwBufferLength = static_cast<std::uint32_t>(size);
    }
    std::vector<char> data;
    TWaveHdr header{};
};

// Keeps every notice the device sends.
struct Notices {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::uint32_t> messages;
    std::vector<TWaveHdr*> done;
    std::vector<MMResult> failures;

    WaveInCallback Callback()
    {
        return [this](HWaveIn, std::uint32_t msg, std::uintptr_t param) {
            std::lock_guard lock(mutex);
            messages.push_back(msg);
            if (msg == MM_WIM_DATA)
                done.push_back(reinterpret_cast<TWaveHdr*>(param));
            if (msg == MM_WIM_ERROR)
                failures.push_back(static_cast<MMResult>(param));
            arrived.notify_all();
        };
    }
    bool WaitDone(std::size_t count)
    {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(5),
                                [&] { return done.size() >= count; });
    }
    bool WaitFailure()
    {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(5), [&] { return !failures.empty(); });
    }
};

class QueuedWaveInDriverTest : public ::testing::Test {
protected:
    QueuedWaveInDriverTest()
    {
        auto owned = std::make_unique<VirtualCaptureBackend>();
        backend = owned.get();
        driver = std::make_unique<QueuedWaveInDriver>(std::move(owned));
    }

    HWaveIn OpenDevice(const TWaveFormatEx& format)
    {
        HWaveIn handle = 0;
        EXPECT_EQ(driver->Open(&handle, 0, format, notices.Callback(), 0), MMSYSERR_NOERROR);
        return handle;
    }

    void Queue(HWaveIn handle, std::vector<std::unique_ptr<Buffer>>& buffers)
    {
        for (auto& b : buffers) {
            ASSERT_EQ(driver->PrepareHeader(handle, &b->header), MMSYSERR_NOERROR);
            ASSERT_EQ(driver->AddBuffer(handle, &b->header), MMSYSERR_NOERROR);
        }
    }

    VirtualCaptureBackend* backend = nullptr;
    std::unique_ptr<QueuedWaveInDriver> driver;
    Notices notices;
};

TEST_F(QueuedWaveInDriverTest, FillsTheQueuedBuffersInOrderWithOneNoticeEach)
{
    backend->SetPacing(VirtualCaptureBackend::Pacing::FreeRunning);
    const HWaveIn handle = OpenDevice(Pcm(16, 2, 44100));
    ASSERT_NE(handle, 0u);
    std::vector<std::unique_ptr<Buffer>> buffers;
    for (int i = 0; i < 4; ++i)
        buffers.push_back(std::make_unique<Buffer>(4096));
    Queue(handle, buffers);
    ASSERT_EQ(driver->Start(handle), MMSYSERR_NOERROR);
    ASSERT_TRUE(notices.WaitDone(4));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(notices.done[i], &buffers[i]->header) << "in the order they were queued";
        EXPECT_EQ(buffers[i]->header.dwBytesRecorded, 4096u);
        EXPECT_EQ(HeaderFlags(&buffers[i]->header), WHDR_DONE | WHDR_PREPARED);
    }
    MMTime position;
    ASSERT_EQ(driver->GetPosition(handle, position), MMSYSERR_NOERROR);
    EXPECT_EQ(position.value, 4u * 1024u);
    EXPECT_EQ(notices.messages.front(), MM_WIM_OPEN);
    EXPECT_EQ(driver->Close(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(notices.messages.back(), MM_WIM_CLOSE);
    EXPECT_EQ(driver->OpenCount(), 0u);
}

TEST_F(QueuedWaveInDriverTest, RefusesMisuseOfHeadersAndHandles)
{
    const HWaveIn handle = OpenDevice(Pcm(16, 2, 44100));
    Buffer buffer(4096);
    EXPECT_EQ(driver->AddBuffer(handle, &buffer.header), WAVERR_UNPREPARED);
    ASSERT_EQ(driver->PrepareHeader(handle, &buffer.header), MMSYSERR_NOERROR);
    ASSERT_EQ(driver->AddBuffer(handle, &buffer.header), MMSYSERR_NOERROR);
    EXPECT_EQ(driver->AddBuffer(handle, &buffer.header), WAVERR_STILLPLAYING);
    EXPECT_EQ(driver->UnprepareHeader(handle, &buffer.header), WAVERR_STILLPLAYING);
    EXPECT_EQ(driver->Close(handle), WAVERR_STILLPLAYING);
    ASSERT_EQ(driver->Reset(handle), MMSYSERR_NOERROR);
    // The reset has handed the buffer back before it returned.
    EXPECT_EQ(HeaderFlags(&buffer.header) & WHDR_DONE, WHDR_DONE);
    EXPECT_EQ(notices.done.size(), 1u);
    EXPECT_EQ(driver->UnprepareHeader(handle, &buffer.header), MMSYSERR_NOERROR);
    EXPECT_EQ(driver->Close(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(driver->Start(handle), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(driver->Close(handle), MMSYSERR_INVALHANDLE);
}

TEST_F(QueuedWaveInDriverTest, StopHandsBackOnlyThePartlyFilledBuffer)
{
    // At the clock's pace a 2-second buffer is still filling when the stop comes.
    const HWaveIn handle = OpenDevice(Pcm(16, 2, 44100));
    std::vector<std::unique_ptr<Buffer>> buffers;
    buffers.push_back(std::make_unique<Buffer>(2 * 176400));
    buffers.push_back(std::make_unique<Buffer>(4096));
    Queue(handle, buffers);
    ASSERT_EQ(driver->Start(handle), MMSYSERR_NOERROR);
    MMTime position;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        driver->GetPosition(handle, position);
    } while (position.value == 0 && std::chrono::steady_clock::now() < deadline);
    ASSERT_EQ(driver->Stop(handle), MMSYSERR_NOERROR);
    ASSERT_EQ(notices.done.size(), 1u);
    EXPECT_EQ(notices.done[0], &buffers[0]->header);
    const auto recorded = buffers[0]->header.dwBytesRecorded;
    EXPECT_GT(recorded, 0u);
    EXPECT_LT(recorded, 2u * 176400u);
    EXPECT_EQ(recorded % 4, 0u) << "whole frames only";
    EXPECT_EQ(HeaderFlags(&buffers[1]->header) & WHDR_INQUEUE, WHDR_INQUEUE);
    ASSERT_EQ(driver->Reset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(notices.done.size(), 2u);
    driver->GetPosition(handle, position);
    EXPECT_EQ(position.value, 0u) << "a reset starts the position again";
    EXPECT_EQ(driver->Close(handle), MMSYSERR_NOERROR);
}

TEST_F(QueuedWaveInDriverTest, QueriesDevicesAndFormats)
{
    backend->SetDevices({{"Mono card", kAllStandardFormats, 1}, {"Stereo card"}});
    EXPECT_EQ(driver->GetNumDevs(), 2u);
    WaveInCaps caps;
    ASSERT_EQ(driver->GetDevCaps(-1, caps), MMSYSERR_NOERROR);
    EXPECT_EQ(caps.szPname, "Mono card") << "the mapper routes to the first device";
    EXPECT_EQ(driver->GetDevCaps(2, caps), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(driver->Open(nullptr, 0, Pcm(16, 2, 44100), {}, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
    EXPECT_EQ(driver->Open(nullptr, 1, Pcm(16, 2, 44100), {}, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    EXPECT_EQ(driver->Open(nullptr, 1, Pcm(24, 2, 44100), {}, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
    EXPECT_EQ(driver->Open(nullptr, 7, Pcm(16, 2, 44100), {}, WAVE_FORMAT_QUERY),
              MMSYSERR_BADDEVICEID);
    EXPECT_EQ(driver->OpenCount(), 0u) << "a query opens nothing";
}

TEST_F(QueuedWaveInDriverTest, ErrorTextsNameTheFailure)
{
    std::string text;
    ASSERT_TRUE(driver->GetErrorText(kSystemErrorBase + ENODEV, text));
    EXPECT_EQ(text, "No such device") << "before any device was opened";
    ASSERT_TRUE(driver->GetErrorText(WAVERR_BADFORMAT, text));
    EXPECT_NE(text.find("format"), std::string::npos);
    EXPECT_FALSE(driver->GetErrorText(999, text));
}

TEST_F(QueuedWaveInDriverTest, AFailedOpenNamesTheDeviceAndWhatToDo)
{
    const struct {
        int error;
        const char* advice;
    } cases[] = {
        {ENOENT, "start the sound server"},  {ECONNREFUSED, "start the sound server"},
        {EBUSY, "Another program holds it"}, {EACCES, "\"audio\" group"},
        {EIO, "resumes by itself"},          {ETIMEDOUT, "Check the card and the sound"},
    };
    backend->SetDevices({{"Default"}, {"Placa USB"}});
    for (const auto& c : cases) {
        backend->SetOpenError(-c.error);
        HWaveIn handle = 0;
        const MMResult result = driver->Open(&handle, 1, Pcm(16, 2, 44100), notices.Callback(), 0);
        std::string text;
        ASSERT_TRUE(driver->GetErrorText(result, text));
        EXPECT_EQ(
            text.rfind("Capture device \"Placa USB\": " + std::string(std::strerror(c.error)), 0),
            0u)
            << text;
        EXPECT_NE(text.find(c.advice), std::string::npos) << text;
        EXPECT_LE(text.size(), 255u);
    }
}

TEST_F(QueuedWaveInDriverTest, ALostDeviceIsReportedOnceAndStaysDown)
{
    backend->SetPacing(VirtualCaptureBackend::Pacing::FreeRunning);
    backend->SetFailAfterBytes(4096 + 1000);
    const HWaveIn handle = OpenDevice(Pcm(16, 2, 44100));
    std::vector<std::unique_ptr<Buffer>> buffers;
    for (int i = 0; i < 3; ++i)
        buffers.push_back(std::make_unique<Buffer>(4096));
    Queue(handle, buffers);
    ASSERT_EQ(driver->Start(handle), MMSYSERR_NOERROR);
    ASSERT_TRUE(notices.WaitFailure());
    EXPECT_EQ(notices.failures[0], kSystemErrorBase + ENODEV);
    EXPECT_EQ(notices.done.size(), 1u);
    EXPECT_EQ(driver->Start(handle), kSystemErrorBase + ENODEV);
    // The client can still take its buffers back and close.
    ASSERT_EQ(driver->Reset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(notices.done.size(), 3u);
    EXPECT_EQ(notices.failures.size(), 1u);
    EXPECT_EQ(driver->Close(handle), MMSYSERR_NOERROR);
}

TEST_F(QueuedWaveInDriverTest, ClockPacingDeliversNoFasterThanTheSampleRate)
{
    const HWaveIn handle = OpenDevice(Pcm(8, 1, 8000));
    std::vector<std::unique_ptr<Buffer>> buffers;
    buffers.push_back(std::make_unique<Buffer>(400)); // 50 ms
    Queue(handle, buffers);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(driver->Start(handle), MMSYSERR_NOERROR);
    ASSERT_TRUE(notices.WaitDone(1));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(45));
    EXPECT_EQ(driver->Close(handle), MMSYSERR_NOERROR);
}

TEST(VirtualCaptureTest, SignalsHaveTheirShape)
{
    VirtualCaptureBackend backend;
    backend.SetPacing(VirtualCaptureBackend::Pacing::FreeRunning);
    const WaveInCaps device = backend.Devices().at(0);
    int error = 0;

    backend.SetSignal(VirtualCaptureBackend::Signal::Silence);
    auto stream = backend.Open(device, Pcm(8, 1, 8000), error);
    ASSERT_TRUE(stream);
    std::vector<char> bytes(16);
    stream->Start();
    ASSERT_EQ(stream->Read(bytes.data(), bytes.size()), 16);
    for (char b : bytes)
        EXPECT_EQ(static_cast<unsigned char>(b), 128) << "8-bit silence sits at 128";

    backend.SetSignal(VirtualCaptureBackend::Signal::Sine, 1000.0, 0.5);
    stream = backend.Open(device, Pcm(16, 1, 8000), error);
    std::vector<std::int16_t> sine(8);
    stream->Start();
    ASSERT_EQ(stream->Read(reinterpret_cast<char*>(sine.data()), 16), 16);
    EXPECT_EQ(sine[0], 0);
    EXPECT_EQ(sine[2], 16384) << "a quarter period at 1 kHz of 8 kHz, half amplitude";
    EXPECT_EQ(sine[6], -16384);

    backend.SetSignal(VirtualCaptureBackend::Signal::Noise, 0, 1.0);
    stream = backend.Open(device, Pcm(16, 1, 8000), error);
    std::vector<std::int16_t> noise(1000);
    stream->Start();
    stream->Read(reinterpret_cast<char*>(noise.data()), 2000);
    int distinct = 0;
    for (std::size_t i = 1; i < noise.size(); ++i)
        distinct += noise[i] != noise[i - 1];
    EXPECT_GT(distinct, 990);
}

TEST(VirtualCaptureTest, PlaysAWavFileInALoopAndRefusesOtherFormats)
{
    testsupport::TempFolder folder;
    const auto format = Pcm(16, 1, 8000);
    std::string file = "RIFF";
    const std::int16_t samples[3] = {100, -200, 300};
    auto le32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    file += le32(4 + 8 + 16 + 8 + sizeof samples) + "WAVE" + "fmt " + le32(16);
    file += std::string(reinterpret_cast<const char*>(&format), 16);
    file += "data" + le32(sizeof samples) + std::string(reinterpret_cast<const char*>(samples), 6);
    testsupport::WriteBytes(folder / "t.wav", file);

    VirtualCaptureBackend backend;
    backend.SetPacing(VirtualCaptureBackend::Pacing::FreeRunning);
    backend.SetWavFile(folder / "t.wav");
    const WaveInCaps device = backend.Devices().at(0);
    EXPECT_EQ(backend.Query(device, Pcm(16, 2, 8000)), -EINVAL);
    int error = 0;
    auto stream = backend.Open(device, format, error);
    ASSERT_TRUE(stream);
    std::int16_t got[7] = {};
    stream->Start();
    ASSERT_EQ(stream->Read(reinterpret_cast<char*>(got), sizeof got), 14);
    EXPECT_EQ(got[0], 100);
    EXPECT_EQ(got[2], 300);
    EXPECT_EQ(got[3], 100);
    EXPECT_EQ(got[6], 100);
    testsupport::WriteBytes(folder / "bad.wav", "RIFF....WAVEjunk");
    EXPECT_THROW(backend.SetWavFile(folder / "bad.wav"), std::runtime_error);
}

} // namespace

namespace {

// A driver that gives up on a device quickly, so a test need not wait seconds.
class StuckDeviceTest : public ::testing::Test {
protected:
    StuckDeviceTest()
    {
        auto owned = std::make_unique<VirtualCaptureBackend>();
        backend = owned.get();
        CaptureLimits limits;
        limits.read = std::chrono::milliseconds(150);
        limits.silence = std::chrono::milliseconds(150);
        limits.check = std::chrono::milliseconds(20);
        driver = std::make_unique<QueuedWaveInDriver>(std::move(owned), limits);
    }
    ~StuckDeviceTest() override { backend->SetReadMode(VirtualCaptureBackend::ReadMode::Normal); }

    HWaveIn OpenAndStart(std::vector<std::unique_ptr<Buffer>>& buffers)
    {
        HWaveIn handle = 0;
        EXPECT_EQ(driver->Open(&handle, 0, Pcm(16, 2, 44100), notices.Callback(), 0),
                  MMSYSERR_NOERROR);
        for (int i = 0; i < 3; ++i) {
            buffers.push_back(std::make_unique<Buffer>(4096));
            driver->PrepareHeader(handle, &buffers.back()->header);
            driver->AddBuffer(handle, &buffers.back()->header);
        }
        EXPECT_EQ(driver->Start(handle), MMSYSERR_NOERROR);
        return handle;
    }

    VirtualCaptureBackend* backend = nullptr;
    std::unique_ptr<QueuedWaveInDriver> driver;
    Notices notices;
};

TEST_F(StuckDeviceTest, AReadThatHangsIsGivenUpAndNothingWaitsForIt)
{
    backend->SetReadMode(VirtualCaptureBackend::ReadMode::Hang);
    std::vector<std::unique_ptr<Buffer>> buffers;
    const HWaveIn handle = OpenAndStart(buffers);
    ASSERT_TRUE(notices.WaitFailure());
    EXPECT_EQ(notices.failures[0], kDeviceNotResponding);
    EXPECT_EQ(driver->Start(handle), kDeviceNotResponding);
    std::string text;
    ASSERT_TRUE(driver->GetErrorText(kDeviceNotResponding, text));
    EXPECT_NE(text.find("stopped responding"), std::string::npos);

    // The client's usual way out does not wait for the stuck thread.
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(driver->Stop(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(driver->Reset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(notices.done.size(), 3u) << "the reset hands every queued buffer back";
    for (auto& b : buffers)
        EXPECT_EQ(driver->UnprepareHeader(handle, &b->header), MMSYSERR_NOERROR);
    EXPECT_EQ(driver->Close(handle), MMSYSERR_NOERROR);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    EXPECT_EQ(notices.failures.size(), 1u);

    // Once the sound system lets go, the left-behind thread ends and frees its stream.
    backend->SetReadMode(VirtualCaptureBackend::ReadMode::Normal);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (backend->OpenStreams() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(backend->OpenStreams(), 0);
}

TEST_F(StuckDeviceTest, ADeviceThatGoesQuietIsReportedAsNotResponding)
{
    backend->SetReadMode(VirtualCaptureBackend::ReadMode::Empty);
    std::vector<std::unique_ptr<Buffer>> buffers;
    const HWaveIn handle = OpenAndStart(buffers);
    ASSERT_TRUE(notices.WaitFailure());
    EXPECT_EQ(notices.failures[0], kDeviceNotResponding);
    EXPECT_TRUE(notices.done.empty()) << "the buffers wait for the client's reset";
    EXPECT_EQ(driver->Start(handle), kDeviceNotResponding);
    EXPECT_EQ(driver->Reset(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(notices.done.size(), 3u);
    EXPECT_EQ(driver->Close(handle), MMSYSERR_NOERROR);
    EXPECT_EQ(backend->OpenStreams(), 0);
}

} // namespace
