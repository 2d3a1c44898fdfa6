#pragma once

#include <string>

namespace platform {

// What the operator reads when the sound system refuses or loses a capture device:
// the device as the card list names it, the system's own words for the error, and
// what to do about it.
std::string CaptureFailureText(const std::string& deviceName, int error,
                               const std::string& systemText);

} // namespace platform
