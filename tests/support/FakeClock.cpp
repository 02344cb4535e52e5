#include "support/FakeClock.h"

namespace vorsa::test {

uint32_t FakeClock::TickCount() {
    std::lock_guard<std::mutex> Guard(FLock);
    return FNow;
}

void FakeClock::Sleep(uint32_t Milliseconds) {
    SleepHook Hook;
    uint32_t Now = 0;
    {
        std::lock_guard<std::mutex> Guard(FLock);
        FNow += Milliseconds;  // wraps at 2^32 like a real tick count
        ++FSleepCount;
        FTotalSlept += Milliseconds;
        Now = FNow;
        Hook = FHook;
    }
    // Outside the lock: the hook may read the clock or sleep on it.
    if (Hook) {
        Hook(Now);
    }
}

void FakeClock::Advance(uint32_t Milliseconds) {
    std::lock_guard<std::mutex> Guard(FLock);
    FNow += Milliseconds;
}

void FakeClock::SetSleepHook(SleepHook Hook) {
    std::lock_guard<std::mutex> Guard(FLock);
    FHook = std::move(Hook);
}

uint64_t FakeClock::SleepCount() const {
    std::lock_guard<std::mutex> Guard(FLock);
    return FSleepCount;
}

uint64_t FakeClock::TotalSlept() const {
    std::lock_guard<std::mutex> Guard(FLock);
    return FTotalSlept;
}

}  // namespace vorsa::test
