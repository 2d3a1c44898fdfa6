#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

void SetCurrentThreadPriority(int level)
{
    // Nice values run the other way: -15 idle becomes 19, 15 becomes -20.
    int nice = -level;
    if (level <= -15)
        nice = 19;
    else if (level >= 15)
        nice = -20;
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    (void)::setpriority(PRIO_PROCESS, thread, nice);
}

} // namespace platform
