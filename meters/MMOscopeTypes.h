#pragma once

#include "platform/Exception.h"

#include <cstdint>

enum TMMOscopeKind : std::uint8_t {
    okDots = 0,
    okConLines = 1,
    okVertLines = 2,
    okMirLines = 3,
    okSpikes = 4
};
enum TMMOscopeEffect : std::uint8_t { efNone = 0, efPeak = 1, efSplit = 2 };

SONAVIA_ERROR_CLASS(EMMOscopeError, platform::Exception)
