// Owns one file descriptor and closes it unless released.
#pragma once

#include <unistd.h>

#include <utility>

namespace vorsa::detail {

class UniqueFd {
  public:
    explicit UniqueFd(int Fd = -1) noexcept : FFd(Fd) {}
    UniqueFd(UniqueFd&& Other) noexcept : FFd(Other.Release()) {}
    UniqueFd& operator=(UniqueFd&& Other) noexcept {
        if (this != &Other) {
            Reset(Other.Release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    [[nodiscard]] int Get() const noexcept { return FFd; }
    explicit operator bool() const noexcept { return FFd >= 0; }
    /// Gives the descriptor up without closing it.
    [[nodiscard]] int Release() noexcept { return std::exchange(FFd, -1); }
    /// Closes the descriptor held (a failing close is not retried) and takes Fd.
    void Reset(int Fd = -1) noexcept {
        if (FFd >= 0) {
            (void)::close(FFd);
        }
        FFd = Fd;
    }

  private:
    int FFd;
};

}  // namespace vorsa::detail
