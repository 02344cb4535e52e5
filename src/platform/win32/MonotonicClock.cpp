// The monotonic clock on Windows: the performance counter, which a change of the wall-clock
// time does not move, with Sleep for the pause.
#include "platform/MonotonicClock.h"

#include <windows.h>

namespace vorsa::detail {

namespace {

int64_t CounterFrequency() noexcept {
    LARGE_INTEGER Frequency{};
    ::QueryPerformanceFrequency(&Frequency);  // never fails from Windows XP on
    return Frequency.QuadPart;
}

}  // namespace

uint64_t MonotonicMilliseconds() noexcept {
    static const int64_t Frequency = CounterFrequency();
    LARGE_INTEGER Count{};
    ::QueryPerformanceCounter(&Count);
    // Whole seconds and the rest apart, so that the product cannot overflow.
    const int64_t Seconds = Count.QuadPart / Frequency;
    const int64_t Rest = Count.QuadPart % Frequency;
    return static_cast<uint64_t>(Seconds) * 1000u + static_cast<uint64_t>(Rest * 1000 / Frequency);
}

void SleepMilliseconds(uint32_t Milliseconds) noexcept {
    if (Milliseconds != 0) {
        ::Sleep(Milliseconds);
    }
}

}  // namespace vorsa::detail
