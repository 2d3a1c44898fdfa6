#include "platform/VirtualCapture.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace platform {
namespace {

// How long a paced read waits at most before it returns what has come.
constexpr auto kLongestWait = std::chrono::milliseconds(20);

std::uint32_t Le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
}

} // namespace

class VirtualCaptureBackend::Stream final : public CaptureStream {
public:
    Stream(VirtualCaptureBackend& owner, const TWaveFormatEx& format, Signal signal,
           double frequency, double amplitude, std::vector<char> wavSamples, Pacing pacing)
        : owner_(owner), format_(format), signal_(signal), amplitude_(amplitude),
          phaseStep_(2.0 * std::numbers::pi * frequency / format.nSamplesPerSec),
          halfPeriodFrames_(std::max(1.0, format.nSamplesPerSec / (2.0 * frequency))),
          wav_(std::move(wavSamples)), pacing_(pacing)
    {
        ++owner_.openStreams_;
        ++owner_.streamsOpened_;
    }

    ~Stream() override { --owner_.openStreams_; }

    int Start() override
    {
        started_ = std::chrono::steady_clock::now();
        paced_ = 0;
        return 0;
    }

    int Stop() override { return 0; }

    long Read(char* destination, std::size_t bytes) override
    {
        {
            std::unique_lock lock(owner_.readModeMutex_);
            owner_.readModeChanged_.wait(lock,
                                         [this] { return owner_.readMode_ != ReadMode::Hang; });
            if (owner_.readMode_ == ReadMode::Empty) {
                lock.unlock();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                return 0;
            }
        }
        const std::size_t align = format_.nBlockAlign;
        std::uint64_t frames = bytes / align;
        if (pacing_ == Pacing::Clock)
            frames = std::min(frames, WaitForFrames(frames));
        std::size_t count = static_cast<std::size_t>(frames) * align;
        const long long failAfter = owner_.failAfterBytes_;
        if (failAfter >= 0) {
            if (delivered_ >= static_cast<std::uint64_t>(failAfter))
                return -ENODEV;
            count = std::min<std::uint64_t>(count, failAfter - delivered_) / align * align;
        }
        Generate(destination, count / align);
        delivered_ += count;
        paced_ += count / align;
        return static_cast<long>(count);
    }

private:
    // Waits until the clock says `wanted` frames are due, or the longest wait is up.
    std::uint64_t WaitForFrames(std::uint64_t wanted)
    {
        using namespace std::chrono;
        const auto due_at =
            started_ + microseconds((paced_ + wanted) * 1'000'000ull / format_.nSamplesPerSec);
        const auto now = steady_clock::now();
        std::this_thread::sleep_until(std::min(due_at, now + kLongestWait));
        const auto elapsed = duration_cast<microseconds>(steady_clock::now() - started_).count();
        const std::uint64_t due =
            static_cast<std::uint64_t>(elapsed) * format_.nSamplesPerSec / 1'000'000ull;
        return due > paced_ ? due - paced_ : 0;
    }

    // A sample value in -1..1 for the current frame.
    double NextValue()
    {
        switch (signal_) {
        case Signal::Sine: {
            const double v = amplitude_ * std::sin(phase_);
            phase_ = std::fmod(phase_ + phaseStep_, 2.0 * std::numbers::pi);
            return v;
        }
        case Signal::FullScale: {
            const bool high =
                std::fmod(static_cast<double>(frame_), 2.0 * halfPeriodFrames_) < halfPeriodFrames_;
            return high ? 1.0 : -1.0;
        }
        case Signal::Noise:
            noise_ ^= noise_ << 13;
            noise_ ^= noise_ >> 7;
            noise_ ^= noise_ << 17;
            return amplitude_ * (static_cast<double>(noise_ >> 11) / 4503599627370496.0 - 1.0);
        default:
            return 0.0;
        }
    }

    void Generate(char* out, std::size_t frames)
    {
        if (signal_ == Signal::WavFile) {
            CopyWav(out, frames * format_.nBlockAlign);
            return;
        }
        for (std::size_t i = 0; i < frames; ++i, ++frame_) {
            const double value = std::clamp(NextValue(), -1.0, 1.0);
            for (unsigned c = 0; c < format_.nChannels; ++c) {
                if (format_.wBitsPerSample == 8) {
                    *out++ =
                        static_cast<char>(std::lround(128.0 + value * (value < 0 ? 128 : 127)));
                } else {
                    const auto s = static_cast<std::int16_t>(
                        std::lround(value * (value < 0 ? 32768.0 : 32767.0)));
                    std::memcpy(out, &s, 2);
                    out += 2;
                }
            }
        }
    }

    void CopyWav(char* out, std::size_t bytes)
    {
        while (bytes > 0 && !wav_.empty()) {
            const std::size_t n = std::min(bytes, wav_.size() - wavOffset_);
            std::memcpy(out, wav_.data() + wavOffset_, n);
            out += n;
            bytes -= n;
            wavOffset_ = (wavOffset_ + n) % wav_.size();
        }
    }

    VirtualCaptureBackend& owner_;
    const TWaveFormatEx format_;
    const Signal signal_;
    const double amplitude_;
    const double phaseStep_;
    const double halfPeriodFrames_;
    std::vector<char> wav_;
    std::size_t wavOffset_ = 0;
    const Pacing pacing_;
    double phase_ = 0.0;
    std::uint64_t frame_ = 0;
    std::uint64_t noise_ = 0x9E3779B97F4A7C15ull;
    std::uint64_t delivered_ = 0;
    std::uint64_t paced_ = 0;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

VirtualCaptureBackend::VirtualCaptureBackend() : devices_{{"Virtual Input", kAllStandardFormats, 2}}
{
}

void VirtualCaptureBackend::SetDevices(std::vector<Device> devices)
{
    std::lock_guard lock(mutex_);
    devices_ = std::move(devices);
}

void VirtualCaptureBackend::SetSignal(Signal signal, double frequencyHz, double amplitude)
{
    std::lock_guard lock(mutex_);
    signal_ = signal;
    frequency_ = frequencyHz;
    amplitude_ = amplitude;
}

void VirtualCaptureBackend::SetWavFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        throw std::runtime_error("not a WAV file: " + file.string());
    WavData wav;
    bool haveFormat = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::uint32_t size = Le32(bytes.data() + at + 4);
        const std::size_t body = at + 8;
        const std::size_t available = std::min<std::size_t>(size, bytes.size() - body);
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && available >= 16) {
            std::memcpy(&wav.format, bytes.data() + body, 16);
            wav.format.cbSize = 0;
            haveFormat = true;
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            wav.samples.assign(bytes.begin() + body, bytes.begin() + body + available);
        }
        at = body + size + (size & 1);
    }
    if (!haveFormat || wav.format.wFormatTag != WAVE_FORMAT_PCM || wav.format.nBlockAlign == 0 ||
        wav.samples.size() < wav.format.nBlockAlign)
        throw std::runtime_error("not a PCM WAV file with samples: " + file.string());
    wav.samples.resize(wav.samples.size() / wav.format.nBlockAlign * wav.format.nBlockAlign);
    std::lock_guard lock(mutex_);
    wav_ = std::move(wav);
    signal_ = Signal::WavFile;
}

void VirtualCaptureBackend::SetPacing(Pacing pacing)
{
    std::lock_guard lock(mutex_);
    pacing_ = pacing;
}

void VirtualCaptureBackend::SetReadMode(ReadMode mode)
{
    {
        std::lock_guard lock(readModeMutex_);
        readMode_ = mode;
    }
    readModeChanged_.notify_all();
}

void VirtualCaptureBackend::SetOpenError(int error)
{
    std::lock_guard lock(mutex_);
    openError_ = error;
}

std::vector<WaveInCaps> VirtualCaptureBackend::Devices()
{
    std::lock_guard lock(mutex_);
    std::vector<WaveInCaps> list;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        WaveInCaps caps;
        caps.wMid = 0xFFFF;
        caps.wPid = static_cast<std::uint16_t>(i);
        caps.vDriverVersion = 0x0100;
        caps.szPname = devices_[i].name.substr(0, kMaxProductNameLength);
        caps.dwFormats = devices_[i].formats;
        caps.wChannels = devices_[i].channels;
        caps.pcmName = "virtual:" + std::to_string(i);
        list.push_back(caps);
    }
    return list;
}

int VirtualCaptureBackend::CheckFormat(const WaveInCaps& device, const TWaveFormatEx& format)
{
    if (format.nChannels > device.wChannels)
        return -EINVAL;
    if (signal_ == Signal::WavFile && (format.nChannels != wav_.format.nChannels ||
                                       format.wBitsPerSample != wav_.format.wBitsPerSample ||
                                       format.nSamplesPerSec != wav_.format.nSamplesPerSec))
        return -EINVAL;
    return 0;
}

int VirtualCaptureBackend::Query(const WaveInCaps& device, const TWaveFormatEx& format)
{
    std::lock_guard lock(mutex_);
    return CheckFormat(device, format);
}

std::unique_ptr<CaptureStream> VirtualCaptureBackend::Open(const WaveInCaps& device,
                                                           const TWaveFormatEx& format, int& error)
{
    std::lock_guard lock(mutex_);
    error = openError_ != 0 ? openError_ : CheckFormat(device, format);
    if (error != 0)
        return nullptr;
    return std::make_unique<Stream>(*this, format, signal_, frequency_, amplitude_, wav_.samples,
                                    pacing_);
}

std::string VirtualCaptureBackend::ErrorText(int error)
{
    return std::generic_category().message(error < 0 ? -error : error);
}

} // namespace platform
