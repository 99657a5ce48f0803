#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void yieldToOtherThreads()
{
    // On Linux a thread has a nice value of its own.
    constexpr int kBackground = 10;
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kBackground);
}
