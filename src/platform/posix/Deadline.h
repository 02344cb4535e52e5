// A point in time on the monotonic clock after which a wait gives up, and a poll(2) that
// honours it across interruptions.
#pragma once

#include <chrono>
#include <cstdint>

namespace vorsa::detail {

class Deadline {
  public:
    using Clock = std::chrono::steady_clock;

    /// A deadline that never passes.
    static Deadline Never() noexcept { return Deadline(); }
    /// A deadline Ms milliseconds from now. Spans beyond the clock's range (a multiplier
    /// time-out times a large count can reach 2^64 ms) never pass.
    static Deadline After(uint64_t Ms) noexcept {
        constexpr uint64_t Longest = uint64_t{1} << 40;  // about 35 years
        if (Ms > Longest) {
            return Never();
        }
        return Deadline(Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(Ms)));
    }
    /// The earlier of two deadlines.
    static Deadline Earlier(const Deadline& A, const Deadline& B) noexcept;

    [[nodiscard]] bool IsNever() const noexcept { return FNever; }
    [[nodiscard]] bool Passed() const noexcept { return !FNever && Clock::now() >= FAt; }
    /// The time-out argument of poll(2): -1 for never, else the milliseconds left, rounded
    /// up so that a wait does not wake early and spin.
    [[nodiscard]] int PollTimeout() const noexcept;

  private:
    Deadline() = default;
    explicit Deadline(Clock::time_point At) : FNever(false), FAt(At) {}

    bool FNever = true;
    Clock::time_point FAt{};
};

/// Waits for Events on Fd until the deadline. Gives the returned events, 0 when the deadline
/// passed, or -1 with errno set. Interrupted waits resume with the time that is left.
[[nodiscard]] int PollUntil(int Fd, short Events, const Deadline& Until);

}  // namespace vorsa::detail
