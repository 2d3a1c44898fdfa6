#pragma once

#include "platform/VirtualMixer.h"

namespace testsupport {

// A studio sound card as the system's mixer shows it: a playback destination
// (speakers) whose sources are line in, CD and microphone, and a recording
// destination whose sources are microphone, line in and CD, with a multiplexer
// listing them in the order line in, CD, microphone. Line in is the first line of
// its type on the card, but on the playback side.
platform::VirtualMixerService::Card StudioMixerCard(const std::string& name = "Placa Estúdio");

// Installed as the active mixer service for the fixture's lifetime.
class InstalledVirtualMixer {
public:
    InstalledVirtualMixer() { platform::SetActiveMixerService(&service); }
    ~InstalledVirtualMixer() { platform::SetActiveMixerService(nullptr); }
    InstalledVirtualMixer(const InstalledVirtualMixer&) = delete;
    InstalledVirtualMixer& operator=(const InstalledVirtualMixer&) = delete;

    platform::VirtualMixerService service;
};

} // namespace testsupport
