#pragma once

#include "platform/CaptureBackend.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// An in-process capture device for tests and benchmarks: it records a generated
// signal or a WAV file, either at the pace of the format's sample rate (measured
// on the steady clock) or as fast as buffers are queued.
class VirtualCaptureBackend final : public CaptureBackend {
public:
    enum class Signal { Silence, Sine, FullScale, Noise, WavFile };
    enum class Pacing { Clock, FreeRunning };
    // How reads behave: normally, hanging until told otherwise (as a sound system
    // whose server died), or coming back empty (as a device that went quiet).
    enum class ReadMode { Normal, Hang, Empty };

    struct Device {
        std::string name;
        std::uint32_t formats = kAllStandardFormats; // the standard-format bits it reports
        std::uint16_t channels = 2;
    };

    VirtualCaptureBackend();

    // Everything below may be changed between opens; a stream keeps what it
    // found when it was opened.
    void SetDevices(std::vector<Device> devices);
    void SetSignal(Signal signal, double frequencyHz = 1000.0, double amplitude = 0.5);
    // Loops the samples of a PCM WAV file; a format that differs from the file's
    // is refused.
    void SetWavFile(const std::filesystem::path& file);
    void SetPacing(Pacing pacing);
    // The next opens fail with this negative error (0: they succeed).
    void SetOpenError(int error);
    // Each stream fails with -ENODEV, as an unplugged card, after this many bytes
    // (negative: never). Applies to open streams at once.
    void SetFailAfterBytes(long long bytes) { failAfterBytes_ = bytes; }
    // Applies to open streams at once; leaving Hang releases the hung reads.
    void SetReadMode(ReadMode mode);

    std::vector<WaveInCaps> Devices() override;
    int Query(const WaveInCaps& device, const TWaveFormatEx& format) override;
    std::unique_ptr<CaptureStream> Open(const WaveInCaps& device, const TWaveFormatEx& format,
                                        int& error) override;
    std::string ErrorText(int error) override;

    // Streams open right now, and opened in all.
    int OpenStreams() const { return openStreams_; }
    int StreamsOpened() const { return streamsOpened_; }

private:
    class Stream;
    struct WavData {
        TWaveFormatEx format{};
        std::vector<char> samples;
    };

    int CheckFormat(const WaveInCaps& device, const TWaveFormatEx& format);

    mutable std::mutex mutex_;
    std::vector<Device> devices_;
    Signal signal_ = Signal::Sine;
    double frequency_ = 1000.0;
    double amplitude_ = 0.5;
    WavData wav_;
    Pacing pacing_ = Pacing::Clock;
    int openError_ = 0;
    std::atomic<long long> failAfterBytes_{-1};
    std::mutex readModeMutex_;
    std::condition_variable readModeChanged_;
    ReadMode readMode_ = ReadMode::Normal;
    std::atomic<int> openStreams_{0};
    std::atomic<int> streamsOpened_{0};
};

} // namespace platform
