#include "posix/SignalPipe.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace vorsa::cli {

namespace {

int pipeFds[2] = {-1, -1};
volatile sig_atomic_t caught = 0;
struct sigaction previousInt {};
struct sigaction previousTerm {};

extern "C" void OnSignal(int signal) {
    const int savedErrno = errno;
    if (caught == 0) {
        caught = signal;
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

SignalPipe::SignalPipe() {
    caught = 0;
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeFds[0] = pipeFds[1] = -1;
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    ::sigaction(SIGINT, &action, &previousInt);
    ::sigaction(SIGTERM, &action, &previousTerm);
}

SignalPipe::~SignalPipe() {
    if (pipeFds[0] < 0) {
        return;
    }
    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

int SignalPipe::Fd() const {
    return pipeFds[0];
}

int SignalPipe::Caught() const {
    return caught;
}

}  // namespace vorsa::cli
