#pragma once

#include <cstdint>

// Microseconds on a monotonic clock.
std::uint64_t MicrosecondClock();

// Waits ms milliseconds; with pumpMessages the user-interface events keep being
// served meanwhile. Ends early when the application is shutting down.
void PumpingDelay(std::uint32_t ms, bool pumpMessages);
