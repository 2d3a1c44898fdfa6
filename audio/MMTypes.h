#pragma once

#include <cstdint>

// Enumerations shared by every audio component and display. Their ordinals are
// part of the arithmetic (bytes per sample = TMMBits + 1, channels = TMMMode + 1).

enum TMMBits : std::uint8_t { b8Bit = 0, b16Bit = 1 };
enum TMMMode : std::uint8_t { mMono = 0, mStereo = 1, mMultiChannel = 2 };
enum TMMChannel : std::uint8_t { chBoth = 0, chLeft = 1, chRight = 2 };
enum TMMDecayMode : std::uint8_t { dmNone = 0, dmStepUp = 1, dmExponential = 2, dmUniform = 3 };
enum TMMCBMode : std::uint8_t { cmWindow = 0, cmCallback = 1, cmThread = 2 };
enum TMMTimeFormats : std::uint8_t { tfMillisecond = 0, tfByte = 1, tfSample = 2 };
enum TMMTriggerMode : std::uint8_t { tmNone = 0, tmUpFlank = 1, tmDownFlank = 2 };
enum TThreadPriority : std::uint8_t {
    tpIdle = 0,
    tpLowest = 1,
    tpLower = 2,
    tpNormal = 3,
    tpHigher = 4,
    tpHighest = 5,
    tpTimeCritical = 6
};

// Platform priority values of TThreadPriority, in ordinal order.
inline constexpr int kThreadPriorityValues[] = {-15, -2, -1, 0, 1, 2, 15};

using TMMDeviceId = std::int32_t;
inline constexpr TMMDeviceId MapperId = -1;  // the wave mapper: picks a real device
inline constexpr TMMDeviceId InvalidId = -2; // no usable device
