#pragma once

#include <cstdint>

// The shared 25 ms timer service: one thread ticks every 25 ms and runs each
// enabled handler whose interval has elapsed. Handlers run on the service's
// thread while its lock is held, so they must be short and must not add or remove
// handlers; they are meant for moving peak markers and setting flags.

struct TickHandler;
using TickCallback = void (*)(TickHandler* handler, void* owner);

inline constexpr std::int32_t kTickPeriodMs = 25;

// Returns nullptr when the service's thread cannot be started.
TickHandler* TickServiceAdd(std::int32_t intervalMs, std::int32_t disableCount,
                            TickCallback callback, void* owner);
void TickServiceRemove(TickHandler* handler); // unknown handlers are left alone
void TickServiceSuspend(TickHandler* handler);
void TickServiceResume(TickHandler* handler);

// Runs one tick on the calling thread, as the service thread does every 25 ms.
// Lets tests drive the service without waiting for real time.
void TickServiceTickNow();

// While manual, the service thread stops ticking and only TickServiceTickNow does.
void TickServiceSetManual(bool manual);

// Number of handlers registered; the service ticks only while it is above 0.
int TickServiceHandlerCount();
