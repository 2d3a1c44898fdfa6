#include "platform/AlsaCapture.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <memory>
#include <set>

namespace platform {
namespace {

// How long one read waits for the card before the driver thread looks at its
// requests again.
constexpr int kReadWaitMs = 50;
// The latency asked of the sound system: a few buffers' worth.
constexpr unsigned kLatencyUs = 100000;

snd_pcm_format_t SampleFormat(const TWaveFormatEx& format)
{
    return format.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

PcmHandle OpenPcm(const std::string& name, int& error)
{
    snd_pcm_t* pcm = nullptr;
    // Non-blocking, so a busy card answers at once instead of stalling the caller.
    error = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    return PcmHandle(error < 0 ? nullptr : pcm);
}

bool Supports(snd_pcm_t* pcm, snd_pcm_format_t sampleFormat, unsigned channels, unsigned rate)
{
    snd_pcm_hw_params_t* params = nullptr;
    snd_pcm_hw_params_alloca(&params);
    return snd_pcm_hw_params_any(pcm, params) >= 0 &&
           snd_pcm_hw_params_test_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
           snd_pcm_hw_params_test_format(pcm, params, sampleFormat) >= 0 &&
           snd_pcm_hw_params_test_channels(pcm, params, channels) >= 0 &&
           snd_pcm_hw_params_test_rate(pcm, params, rate, 0) >= 0;
}

// The standard-format bits and the channel count a PCM reports. A PCM that cannot be
// opened now (busy) is assumed to take everything; its open will tell.
void Probe(WaveInCaps& caps)
{
    int error = 0;
    PcmHandle pcm = OpenPcm(caps.pcmName, error);
    if (!pcm) {
        caps.dwFormats = kAllStandardFormats;
        caps.wChannels = 2;
        return;
    }
    caps.dwFormats = 0;
    caps.wChannels = 0;
    std::uint32_t bit = 1;
    for (unsigned rate : kStandardRates) {
        for (snd_pcm_format_t sampleFormat : {SND_PCM_FORMAT_U8, SND_PCM_FORMAT_S16_LE}) {
            for (unsigned channels : {1u, 2u}) {
                // Bit order within a band: mono 8, stereo 8, mono 16, stereo 16.
                const unsigned shift =
                    (sampleFormat == SND_PCM_FORMAT_S16_LE ? 2 : 0) + channels - 1;
                if (Supports(pcm.get(), sampleFormat, channels, rate)) {
                    caps.dwFormats |= bit << shift;
                    caps.wChannels = std::max<std::uint16_t>(caps.wChannels, channels);
                }
            }
        }
        bit <<= 4;
    }
}

WaveInCaps Entry(const std::string& pcmName, const std::string& description)
{
    WaveInCaps caps;
    caps.pcmName = pcmName;
    const std::string firstLine = description.substr(0, description.find('\n'));
    caps.szPname = (firstLine.empty() ? pcmName : firstLine).substr(0, kMaxProductNameLength);
    caps.vDriverVersion = (SND_LIB_MAJOR << 8) | SND_LIB_MINOR;
    return caps;
}

std::string HintValue(void* hint, const char* id)
{
    char* value = snd_device_name_get_hint(hint, id);
    std::string text = value != nullptr ? value : "";
    std::free(value);
    return text;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

class AlsaStream final : public CaptureStream {
public:
    AlsaStream(PcmHandle pcm, unsigned blockAlign) : pcm_(std::move(pcm)), blockAlign_(blockAlign)
    {
    }

    int Start() override
    {
        const int error = snd_pcm_prepare(pcm_.get());
        return error < 0 ? error : snd_pcm_start(pcm_.get());
    }

    int Stop() override { return snd_pcm_drop(pcm_.get()); }

    long Read(char* destination, std::size_t bytes) override
    {
        const int ready = snd_pcm_wait(pcm_.get(), kReadWaitMs);
        if (ready == 0)
            return 0;
        snd_pcm_sframes_t got =
            ready < 0 ? ready : snd_pcm_readi(pcm_.get(), destination, bytes / blockAlign_);
        if (got == -EAGAIN)
            return 0;
        if (got < 0) {
            // An overrun or a suspend is recovered from; a lost card is not.
            const int error = snd_pcm_recover(pcm_.get(), static_cast<int>(got), 1);
            if (error < 0)
                return error;
            const int restart = snd_pcm_start(pcm_.get());
            return restart < 0 && restart != -EBADFD ? restart : 0;
        }
        return static_cast<long>(got) * blockAlign_;
    }

private:
    PcmHandle pcm_;
    unsigned blockAlign_;
};

void Quiet(const char*, int, const char*, int, const char*, ...) {}

} // namespace

AlsaCaptureBackend::AlsaCaptureBackend()
{
    snd_lib_error_set_handler(&Quiet);
}

std::vector<WaveInCaps> AlsaCaptureBackend::Devices()
{
    std::vector<WaveInCaps> list;
    std::string defaultDescription;
    void** hints = nullptr;
    std::vector<WaveInCaps> servers, cards;
    std::set<std::string> cardsWithDefault;
    if (snd_device_name_hint(-1, "pcm", &hints) >= 0) {
        for (void** hint = hints; *hint != nullptr; ++hint) {
            const std::string name = HintValue(*hint, "NAME");
            const std::string description = HintValue(*hint, "DESC");
            const std::string io = HintValue(*hint, "IOID");
            if (!io.empty() && io != "Input")
                continue;
            if (name == "default") {
                defaultDescription = description;
            } else if (name == "pulse" || name == "pipewire") {
                servers.push_back(Entry(name, description));
            } else if (StartsWith(name, "sysdefault:")) {
                cardsWithDefault.insert(name.substr(11));
                cards.push_back(Entry(name, description));
            } else if (StartsWith(name, "hw:")) {
                // Cards without a system default are reached through the plug layer.
                const std::string card = name.substr(3, name.find(',') - 3);
                if (!cardsWithDefault.contains(card))
                    cards.push_back(Entry("plug" + name, description));
            }
        }
        snd_device_name_free_hint(hints);
    }
    list.push_back(Entry("default", "Default"));
    list.insert(list.end(), servers.begin(), servers.end());
    list.insert(list.end(), cards.begin(), cards.end());
    for (WaveInCaps& caps : list) {
        Probe(caps);
        caps.wPid = static_cast<std::uint16_t>(&caps - list.data());
    }
    return list;
}

int AlsaCaptureBackend::Query(const WaveInCaps& device, const TWaveFormatEx& format)
{
    int error = 0;
    PcmHandle pcm = OpenPcm(device.pcmName, error);
    if (!pcm)
        return error;
    return Supports(pcm.get(), SampleFormat(format), format.nChannels, format.nSamplesPerSec)
               ? 0
               : -EINVAL;
}

std::unique_ptr<CaptureStream> AlsaCaptureBackend::Open(const WaveInCaps& device,
                                                        const TWaveFormatEx& format, int& error)
{
    PcmHandle pcm = OpenPcm(device.pcmName, error);
    if (!pcm)
        return nullptr;
    error = snd_pcm_set_params(pcm.get(), SampleFormat(format), SND_PCM_ACCESS_RW_INTERLEAVED,
                               format.nChannels, format.nSamplesPerSec, 1, kLatencyUs);
    if (error < 0)
        return nullptr;
    return std::make_unique<AlsaStream>(std::move(pcm), format.nBlockAlign);
}

std::string AlsaCaptureBackend::ErrorText(int error)
{
    return snd_strerror(error);
}

} // namespace platform
