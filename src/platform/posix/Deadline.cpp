#include "platform/posix/Deadline.h"

#include <poll.h>

#include <cerrno>
#include <climits>

namespace vorsa::detail {

Deadline Deadline::Earlier(const Deadline& A, const Deadline& B) noexcept {
    if (A.FNever) {
        return B;
    }
    if (B.FNever) {
        return A;
    }
    return A.FAt <= B.FAt ? A : B;
}

int Deadline::PollTimeout() const noexcept {
    if (FNever) {
        return -1;
    }
    const auto Left = FAt - Clock::now();
    if (Left <= Clock::duration::zero()) {
        return 0;
    }
    const auto Ms = std::chrono::ceil<std::chrono::milliseconds>(Left).count();
    return Ms > INT_MAX ? INT_MAX : static_cast<int>(Ms);
}

int PollUntil(int Fd, short Events, const Deadline& Until) {
    for (;;) {
        pollfd Entry{Fd, Events, 0};
        const int Ready = ::poll(&Entry, 1, Until.PollTimeout());
        if (Ready > 0) {
            return Entry.revents;
        }
        if (Ready == 0) {
            if (Until.Passed()) {
                return 0;
            }
            continue;  // woke a little early: wait for the rest
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

}  // namespace vorsa::detail
