#pragma once

#include <string>

namespace platform {

// The sound system's name for the capture device with this product name (the name the
// device list shows), so that a program other than ours can open the same device.
// Empty when no device has that name.
std::string CapturePcmForProductName(const std::string& productName);

} // namespace platform
