// The system's monotonic clock and a pause on it. Each platform supplies both.
#pragma once

#include <cstdint>

namespace vorsa::detail {

/// Milliseconds since an arbitrary start, never going back and unaffected by changes of the
/// wall-clock time. On POSIX this is CLOCK_MONOTONIC, the clock the message loop's timers
/// are armed on as well.
[[nodiscard]] uint64_t MonotonicMilliseconds() noexcept;

/// Pauses the calling thread for at least `Milliseconds`, resuming after signals.
void SleepMilliseconds(uint32_t Milliseconds) noexcept;

}  // namespace vorsa::detail
