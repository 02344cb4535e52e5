#include "support/Pty.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vorsa::test {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point Until) {
    const auto Left = std::chrono::ceil<std::chrono::milliseconds>(Until - Clock::now());
    return Left.count() < 0 ? 0 : static_cast<int>(Left.count());
}

[[noreturn]] void Throw(const char* What) {
    throw std::runtime_error(std::string(What) + ": " + std::strerror(errno));
}

}  // namespace

Pty::Pty() {
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0) {
        Throw("posix_openpt");
    }
    char Name[128] = {};
    if (::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0 ||
        ::ptsname_r(FMaster, Name, sizeof Name) != 0) {
        ::close(FMaster);
        Throw("unlocking the pty");
    }
    FSlavePath = Name;
    FSlaveKeeper = ::open(Name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FSlaveKeeper < 0) {
        ::close(FMaster);
        Throw("opening the pty slave");
    }
    termios Raw{};
    if (::tcgetattr(FSlaveKeeper, &Raw) == 0) {
        ::cfmakeraw(&Raw);
        (void)::tcsetattr(FSlaveKeeper, TCSANOW, &Raw);
    }
    ::fcntl(FMaster, F_SETFL, ::fcntl(FMaster, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty() {
    CloseMaster();
    if (FSlaveKeeper >= 0) {
        ::close(FSlaveKeeper);
    }
}

void Pty::CloseMaster() {
    if (FMaster >= 0) {
        ::close(FMaster);
        FMaster = -1;
    }
}

bool Pty::Write(std::string_view Bytes, std::chrono::milliseconds Deadline) {
    const auto Until = Clock::now() + Deadline;
    size_t Done = 0;
    while (Done < Bytes.size()) {
        const ssize_t Put = ::write(FMaster, Bytes.data() + Done, Bytes.size() - Done);
        if (Put > 0) {
            Done += static_cast<size_t>(Put);
            continue;
        }
        if (Put < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        if (Clock::now() >= Until) {
            return false;
        }
        pollfd Entry{FMaster, POLLOUT, 0};
        (void)::poll(&Entry, 1, MillisecondsLeft(Until));
    }
    return true;
}

std::string Pty::Read(size_t Count, std::chrono::milliseconds Deadline) {
    const auto Until = Clock::now() + Deadline;
    std::string Got;
    char Buffer[4096];
    while (Got.size() < Count) {
        const ssize_t N = ::read(FMaster, Buffer, std::min(sizeof Buffer, Count - Got.size()));
        if (N > 0) {
            Got.append(Buffer, static_cast<size_t>(N));
            continue;
        }
        if (N < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        }
        if (Clock::now() >= Until) {
            break;
        }
        pollfd Entry{FMaster, POLLIN, 0};
        (void)::poll(&Entry, 1, MillisecondsLeft(Until));
    }
    return Got;
}

std::string Pty::ReadAvailable() {
    std::string Got;
    char Buffer[4096];
    for (;;) {
        const ssize_t N = ::read(FMaster, Buffer, sizeof Buffer);
        if (N <= 0) {
            return Got;
        }
        Got.append(Buffer, static_cast<size_t>(N));
    }
}

size_t OpenDescriptorCount() {
    size_t Count = 0;
    DIR* Dir = ::opendir("/proc/self/fd");
    if (Dir == nullptr) {
        return 0;
    }
    while (const dirent* Entry = ::readdir(Dir)) {
        if (Entry->d_name[0] != '.') {
            ++Count;
        }
    }
    ::closedir(Dir);
    return Count - 1;  // the directory's own descriptor
}

}  // namespace vorsa::test
