// Backoff between retries and the per-modem send rate.
#pragma once

#include <algorithm>
#include <cstdint>

namespace vorsa::gateway {

/// The wait before attempt `attempt + 1` after `attempt` failed ones (from 1): `base`,
/// doubled each time, never above `ceiling`.
[[nodiscard]] inline int64_t BackoffMs(int attempt, int64_t base, int64_t ceiling) {
    int64_t wait = base;
    for (int i = 1; i < attempt && wait < ceiling; ++i) {
        wait *= 2;
    }
    return std::min(wait, ceiling);
}

/// At most `perMinute` sends a minute, in bursts of at most one: a token bucket of size
/// one that refills at the rate. 0 means no limit.
class RateLimiter {
  public:
    explicit RateLimiter(double perMinute = 0)
        : intervalMs_(perMinute > 0 ? 60000.0 / perMinute : 0) {}

    /// True when a send may start at `nowMs`.
    [[nodiscard]] bool Ready(int64_t nowMs) const { return nowMs >= nextMs_; }
    /// Milliseconds until a send may start (0 when it may now).
    [[nodiscard]] int64_t WaitMs(int64_t nowMs) const {
        return std::max<int64_t>(0, nextMs_ - nowMs);
    }
    /// A send started at `nowMs`.
    void Took(int64_t nowMs) { nextMs_ = nowMs + static_cast<int64_t>(intervalMs_); }

  private:
    double intervalMs_;
    int64_t nextMs_ = 0;
};

}  // namespace vorsa::gateway
