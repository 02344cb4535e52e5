// GetTickCount and Sleep, through a clock that tests can replace.
#include <atomic>

#include "platform/MonotonicClock.h"
#include "vorsa/Framework.h"

namespace vorsa {

namespace {

class SystemClock final : public TClock {
  public:
    uint32_t TickCount() override {
        // Truncation is the wrap at 2^32 that callers expect of a tick count.
        return static_cast<uint32_t>(detail::MonotonicMilliseconds());
    }
    void Sleep(uint32_t Milliseconds) override { detail::SleepMilliseconds(Milliseconds); }
};

SystemClock TheSystemClock;
std::atomic<TClock*> ReplacedClock{nullptr};

TClock& CurrentClock() noexcept {
    TClock* Clock = ReplacedClock.load(std::memory_order_acquire);
    return Clock != nullptr ? *Clock : TheSystemClock;
}

}  // namespace

TClock::~TClock() = default;

TClock* SetClock(TClock* Clock) noexcept {
    return ReplacedClock.exchange(Clock, std::memory_order_acq_rel);
}

uint32_t GetTickCount() {
    return CurrentClock().TickCount();
}

void Sleep(uint32_t Milliseconds) {
    CurrentClock().Sleep(Milliseconds);
}

}  // namespace vorsa
