#include "frame/threadpriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

void RunAsIdleThread() {
    // Failures are ignored: the thread then keeps the priority it had, which is only slower.
    // The disk priority is set first and explicitly; left unset it would follow the idle policy.
    constexpr int kWhoThread = 1; // IOPRIO_WHO_PROCESS takes a thread id on Linux
    constexpr int kBestEffort = 2;
    constexpr int kClassShift = 13;
    constexpr int kLowestLevel = 7;
    syscall(SYS_ioprio_set, kWhoThread, static_cast<int>(gettid()),
            (kBestEffort << kClassShift) | kLowestLevel);
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
}
