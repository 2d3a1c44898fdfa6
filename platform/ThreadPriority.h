#pragma once

namespace platform {

// Gives the calling thread a priority on the -15 (idle) .. 15 (time critical) scale.
// Raising it above normal needs the right to do so; without it the thread keeps
// its priority, which costs only latency.
void SetCurrentThreadPriority(int level);

} // namespace platform
