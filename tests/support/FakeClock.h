// A virtual clock for tests: Sleep advances time at once instead of waiting, so time-outs
// of many seconds run in no time. A hook called on every Sleep lets a test act at a virtual
// moment, for instance make bytes arrive at the port 300 ms after a command.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "vorsa/Framework.h"

namespace vorsa::test {

class FakeClock : public TClock {
  public:
    /// Called after each Sleep has advanced the time, with the new tick count.
    using SleepHook = std::function<void(uint32_t Now)>;

    explicit FakeClock(uint32_t Start = 0) : FNow(Start) {}

    uint32_t TickCount() override;
    void Sleep(uint32_t Milliseconds) override;

    /// Moves the time on without counting a sleep or calling the hook.
    void Advance(uint32_t Milliseconds);
    void SetSleepHook(SleepHook Hook);

    /// How many times Sleep was called, and the milliseconds it slept in all.
    uint64_t SleepCount() const;
    uint64_t TotalSlept() const;

  private:
    mutable std::mutex FLock;
    uint32_t FNow;
    uint64_t FSleepCount = 0;
    uint64_t FTotalSlept = 0;
    SleepHook FHook;
};

/// Puts a clock in place for its lifetime and restores the previous one after.
class ScopedClock {
  public:
    explicit ScopedClock(TClock& Clock) : FPrevious(SetClock(&Clock)) {}
    ~ScopedClock() { SetClock(FPrevious); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

  private:
    TClock* FPrevious;
};

}  // namespace vorsa::test
