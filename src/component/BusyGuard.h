// Marks a command exchange as under way for the guard's lifetime. Every way out of an
// exchange (a normal return, an exception from a string conversion, from an error handler
// or from the platform) clears the flag again, so that no later exchange, timer tick or
// queue message waits on a flag that nobody will clear.
#pragma once

namespace vorsa::detail {

class BusyGuard {
  public:
    explicit BusyGuard(bool& Flag) noexcept : FFlag(Flag) { FFlag = true; }
    ~BusyGuard() { FFlag = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

  private:
    bool& FFlag;
};

}  // namespace vorsa::detail
