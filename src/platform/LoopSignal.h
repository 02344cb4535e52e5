// What a thread's message loop needs from the operating system: one waitable object that is
// signalled while a posted message waits or while the earliest timer is due, and a way to
// sleep until it is. The portable loop keeps both states up to date; each platform supplies
// the object.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vorsa::detail {

/// SetPosted and SetTimerDue may come from any thread; the caller serialises them. Fd and
/// Wait are used by the owner thread alone.
class LoopSignal {
  public:
    /// Creates the signal of one thread. Raises vorsa::Exception when the system refuses.
    [[nodiscard]] static std::unique_ptr<LoopSignal> Create();

    virtual ~LoopSignal() = default;

    /// A descriptor that polls readable while the signal is set (see below); -1 where the
    /// platform has none.
    [[nodiscard]] virtual int Fd() const noexcept = 0;

    /// Sets or clears the "posted message waiting" state.
    virtual void SetPosted(bool Waiting) noexcept = 0;

    /// Arms the signal to become set at `DueMs` on the monotonic clock
    /// (MonotonicMilliseconds), at once when that has passed; std::nullopt disarms it. Either
    /// way a previous expiry is forgotten.
    virtual void SetTimerDue(std::optional<uint64_t> DueMs) noexcept = 0;

    /// Sleeps until the signal is set or `TimeoutMs` milliseconds have passed (-1: no
    /// limit). May return early; the caller checks its own state again.
    virtual void Wait(int TimeoutMs) noexcept = 0;

    // Watches of other objects (a serial port's input, see InputWatch.h). A watch is
    // one-shot: once its object signals, the signal is set until TakeFiredWatches reports
    // the watch, and the watch then rests until RearmWatch. Keys are the caller's, from 2 up.
    // A platform that cannot watch keeps these defaults: nothing is ever watched, and the
    // component collects at its polling timer.

    /// Starts watching Object (from SerialPort::InputObject), armed. False when the
    /// platform cannot watch it.
    [[nodiscard]] virtual bool AddWatch(intptr_t Object, uint64_t Key) noexcept {
        (void)Object;
        (void)Key;
        return false;
    }
    virtual void RearmWatch(intptr_t Object, uint64_t Key) noexcept {
        (void)Object;
        (void)Key;
    }
    virtual void RemoveWatch(intptr_t Object) noexcept { (void)Object; }
    /// The keys of the watches whose objects signalled since they were last armed; does not
    /// wait.
    [[nodiscard]] virtual std::vector<uint64_t> TakeFiredWatches() noexcept { return {}; }
};

}  // namespace vorsa::detail
