#include "platform/AlsaCapture.h"
#include "WaveInFixture.h"

#include "support/TempFolder.h"

#include <alsa/asoundlib.h>
#include <gmock/gmock.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

using namespace audiotest;

namespace {

// Gives ALSA a private configuration in a temporary home, read again on entry and
// on exit, so that "default" is whatever the test needs on a machine without a
// sound card.
class AlsaHome {
public:
    explicit AlsaHome(const std::string& configuration)
    {
        testsupport::WriteBytes(folder_ / ".asoundrc", configuration);
        if (const char* home = std::getenv("HOME"))
            oldHome_ = home;
        ::setenv("HOME", folder_.path().c_str(), 1);
        snd_config_update_free_global();
    }
    ~AlsaHome()
    {
        ::setenv("HOME", oldHome_.c_str(), 1);
        snd_config_update_free_global();
    }

private:
    testsupport::TempFolder folder_;
    std::string oldHome_;
};

// "default" reads a raw file.
std::string FileDevice(const std::filesystem::path& raw)
{
    return "pcm.!default {\n"
           "    type plug\n"
           "    slave.pcm \"tonefile\"\n"
           "}\n"
           "pcm.tonefile {\n"
           "    type file\n"
           "    slave.pcm \"null\"\n"
           "    file \"/dev/null\"\n"
           "    infile \"" +
           raw.string() +
           "\"\n"
           "    format \"raw\"\n"
           "}\n";
}

// 1 kHz at 44.1 kHz, half scale, the right channel inverted, two seconds.
std::string ToneBytes()
{
    std::string bytes;
    for (int i = 0; i < 2 * 44100; ++i) {
        const auto left = static_cast<std::int16_t>(
            std::lround(16384.0 * std::sin(2.0 * std::numbers::pi * 1000.0 * i / 44100.0)));
        const auto right = static_cast<std::int16_t>(-left);
        bytes.append(reinterpret_cast<const char*>(&left), 2);
        bytes.append(reinterpret_cast<const char*>(&right), 2);
    }
    return bytes;
}

TEST(AlsaCaptureTest, CapturesAKnownToneThroughAlsa)
{
    snd_pcm_t* null = nullptr;
    if (snd_pcm_open(&null, "null", SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
        GTEST_SKIP() << "this ALSA installation has no null device to pace a file capture";
    snd_pcm_close(null);
    testsupport::TempFolder data;
    const std::string tone = ToneBytes();
    testsupport::WriteBytes(data / "tone.raw", tone);
    AlsaHome home(FileDevice(data / "tone.raw"));

    snd_pcm_t* probe = nullptr;
    ASSERT_GE(snd_pcm_open(&probe, "default", SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK), 0)
        << "the file-backed default device does not open";
    snd_pcm_close(probe);
    platform::QueuedWaveInDriver driver(std::make_unique<platform::AlsaCaptureBackend>());
    platform::SetActiveWaveInDriver(&driver);
    std::vector<std::string> reported;
    platform::SetAppExceptionHandler(
        [&](const std::exception& e) { reported.push_back(e.what()); });
    {
        TMMWaveIn in;
        Sink sink;
        sink.keepSamples = true;
        in.SetOutput(&sink);
        in.SetCallBackMode(cmThread);
        in.SetBufferSize(4096);
        in.SetNumBuffers(20);
        in.SetMode(mStereo);
        in.SetBitLength(b16Bit);
        in.SetSampleRate(44100);
        in.SetTimeFormat(tfMillisecond);
        in.SetDeviceID(MapperId);
        EXPECT_EQ(in.GetProductName(), "Default");
        in.SetMaxRecordTime(200);
        in.Start();
        ASSERT_TRUE(PumpUntil([&] { return !in.Started(); }));
        in.Close();
        std::lock_guard lock(sink.mutex);
        ASSERT_EQ(sink.samples.size(), 35280u);
        EXPECT_EQ(std::memcmp(sink.samples.data(), tone.data(), sink.samples.size()), 0)
            << "the captured samples are the file's";
    }
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(driver.OpenCount(), 0u);
    platform::SetAppExceptionHandler(nullptr);
    platform::SetActiveWaveInDriver(nullptr);
}

TEST(AlsaCaptureTest, ACardThatCannotBeOpenedReportsAlsasOwnText)
{
    AlsaHome home("pcm.!default {\n    type hw\n    card 31\n}\n");
    platform::QueuedWaveInDriver driver(std::make_unique<platform::AlsaCaptureBackend>());
    platform::SetActiveWaveInDriver(&driver);
    {
        TMMWaveIn in;
        in.SetMode(mStereo);
        in.SetBitLength(b16Bit);
        in.SetSampleRate(44100);
        in.SetDeviceID(MapperId);
        std::string message;
        try {
            in.Start();
        } catch (const EMMWaveInError& e) {
            message = e.what();
        }
        // The device text is ALSA's own, not a complaint about the format.
        EXPECT_THAT(message, ::testing::StartsWith("WaveInOpen:\n\rCapture device \"Default\": " +
                                                   std::string(snd_strerror(-ENOENT)) + ". "));
        EXPECT_FALSE(in.Opened());
    }
    EXPECT_EQ(driver.OpenCount(), 0u);
    platform::SetActiveWaveInDriver(nullptr);
}

TEST(AlsaCaptureTest, ListsTheDefaultDeviceFirstWithShortNames)
{
    platform::AlsaCaptureBackend alsa;
    const auto devices = alsa.Devices();
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(devices[0].pcmName, "default");
    for (const auto& device : devices) {
        EXPECT_LE(device.szPname.size(), platform::kMaxProductNameLength);
        EXPECT_FALSE(device.pcmName.empty());
    }
    EXPECT_EQ(alsa.ErrorText(-ENODEV), "No such device");
}

} // namespace
