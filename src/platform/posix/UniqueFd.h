// Owns one file descriptor and closes it unless released.
#pragma once

#include <unistd.h>

#include <utility>

namespace vorsa::detail {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int Fd) noexcept : FFd(Fd) {}
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
    [[nodiscard]] bool Valid() const noexcept { return FFd >= 0; }
    explicit operator bool() const noexcept { return Valid(); }
    /// Gives the descriptor up without closing it.
    [[nodiscard]] int Release() noexcept { return std::exchange(FFd, -1); }

    /// Closes the descriptor held, if any, and takes Fd. close() is not retried on EINTR:
    /// Linux has released the descriptor by then, and a retry could close one that another
    /// thread opened meanwhile.
    void Reset(int Fd = -1) noexcept {
        if (FFd >= 0) {
            (void)::close(FFd);
        }
        FFd = Fd;
    }

  private:
    int FFd = -1;
};

}  // namespace vorsa::detail
