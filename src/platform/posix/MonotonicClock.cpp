// The monotonic clock on POSIX: CLOCK_MONOTONIC, which a change of the wall-clock time
// does not move.
#include "platform/MonotonicClock.h"

#include <time.h>

#include <cerrno>

namespace vorsa::detail {

namespace {

constexpr long kNanosecondsPerMillisecond = 1000000;
constexpr long kNanosecondsPerSecond = 1000000000;

timespec Now() noexcept {
    timespec Now{};
    ::clock_gettime(CLOCK_MONOTONIC, &Now);
    return Now;
}

}  // namespace

uint64_t MonotonicMilliseconds() noexcept {
    const timespec T = Now();
    return static_cast<uint64_t>(T.tv_sec) * 1000u +
           static_cast<uint64_t>(T.tv_nsec / kNanosecondsPerMillisecond);
}

void SleepMilliseconds(uint32_t Milliseconds) noexcept {
    if (Milliseconds == 0) {
        return;
    }
    // Sleep to an absolute deadline so that a signal handler running in between does not
    // stretch the pause when the sleep resumes.
    timespec Deadline = Now();
    Deadline.tv_sec += static_cast<time_t>(Milliseconds / 1000);
    Deadline.tv_nsec += static_cast<long>(Milliseconds % 1000) * kNanosecondsPerMillisecond;
    if (Deadline.tv_nsec >= kNanosecondsPerSecond) {
        Deadline.tv_sec += 1;
        Deadline.tv_nsec -= kNanosecondsPerSecond;
    }
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &Deadline, nullptr) == EINTR) {
    }
}

}  // namespace vorsa::detail
