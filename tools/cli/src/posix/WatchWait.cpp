// The wait of `watch` on POSIX: poll(2) on the message loop's descriptor, the self-pipe of
// the signals and standard input.
#include "WatchWait.h"

#include <poll.h>
#include <unistd.h>

#include "posix/SignalPipe.h"
#include "vorsa/Framework.h"

namespace vorsa::cli {

struct WatchWait::Platform {
    SignalPipe signals;
    bool watchInput = false;
};

WatchWait::WatchWait(bool watchInput) : platform_(std::make_unique<Platform>()) {
    platform_->watchInput = watchInput;
}

WatchWait::~WatchWait() = default;

WatchWait::Ready WatchWait::Wait(int timeoutMs) {
    pollfd fds[3] = {{MessageLoopFd(), POLLIN, 0},
                     {platform_->signals.Fd(), POLLIN, 0},
                     {platform_->watchInput ? STDIN_FILENO : -1, POLLIN, 0}};
    Ready ready;
    if (::poll(fds, 3, timeoutMs) < 0) {
        // Interrupted by a signal: the pipe tells which.
        ready.interrupted = platform_->signals.Caught() != 0;
        return ready;
    }
    ready.interrupted = (fds[1].revents & POLLIN) != 0 || platform_->signals.Caught() != 0;
    ready.messages = (fds[0].revents & POLLIN) != 0;
    ready.input = (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    return ready;
}

bool WatchWait::ReadInput(std::string& text) {
    char buffer[1024];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        platform_->watchInput = false;
        return false;
    }
    text.append(buffer, static_cast<size_t>(n));
    return true;
}

}  // namespace vorsa::cli
