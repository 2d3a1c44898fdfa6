#pragma once

#include "platform/CaptureBackend.h"

namespace platform {

// Capture through ALSA. The devices are "default" first (it reaches PulseAudio or
// PipeWire when one runs, so the first device follows the desktop's choice), then
// the sound servers' own PCMs and one entry per capture device of each card.
class AlsaCaptureBackend final : public CaptureBackend {
public:
    // ALSA's own messages on standard error are silenced: every failure comes back
    // as a result with its text.
    AlsaCaptureBackend();
    std::vector<WaveInCaps> Devices() override;
    int Query(const WaveInCaps& device, const TWaveFormatEx& format) override;
    std::unique_ptr<CaptureStream> Open(const WaveInCaps& device, const TWaveFormatEx& format,
                                        int& error) override;
    std::string ErrorText(int error) override;
};

} // namespace platform
