// Holds a component's Busy flag for one exchange with the modem and clears it on every way
// out, an exception included: a flag left set would make every later exchange wait for
// ever and the window procedure re-post its queue messages for ever.
#pragma once

#include <utility>

namespace vorsa::detail {

class BusyGuard {
  public:
    /// Sets Flag. The caller has already waited for it to be clear, or chose not to.
    explicit BusyGuard(bool& Flag) noexcept : FFlag(&Flag) { *FFlag = true; }
    ~BusyGuard() { Release(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    /// Clears the flag now, before errors are reported or events raised.
    void Release() noexcept {
        if (FFlag != nullptr) {
            *std::exchange(FFlag, nullptr) = false;
        }
    }

  private:
    bool* FFlag;
};

}  // namespace vorsa::detail
