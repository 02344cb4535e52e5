// Owns one file descriptor and closes it once.
#pragma once

#include <unistd.h>

#include <utility>

namespace vorsa::detail {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int Fd) noexcept : FFd(Fd) {}
    UniqueFd(UniqueFd&& Other) noexcept : FFd(std::exchange(Other.FFd, -1)) {}
    UniqueFd& operator=(UniqueFd&& Other) noexcept {
        if (this != &Other) {
            Reset(std::exchange(Other.FFd, -1));
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const noexcept { return FFd; }
    bool Valid() const noexcept { return FFd >= 0; }

    /// Closes the descriptor held, if any. close() is not retried on EINTR: Linux has
    /// released the descriptor by then, and a retry could close one another thread opened.
    void Reset(int Fd = -1) noexcept {
        if (FFd >= 0) {
            ::close(FFd);
        }
        FFd = Fd;
    }

  private:
    int FFd = -1;
};

}  // namespace vorsa::detail
