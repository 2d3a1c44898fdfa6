#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The component type of a source line, from the name of the sound system's mixer
// element ("Line" is line in, "Mic Boost" a microphone, "CD" a CD player).
std::uint32_t SourceTypeForElement(const std::string& name);

// The mixer control device that belongs to a capture device ("sysdefault:CARD=X"
// and "plughw:1,0" are served by the card's control, "pulse" by the server's).
std::string ControlNameForCapture(const std::string& pcmName);

} // namespace platform
