#include "TerminalClient.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <gtest/gtest.h>

namespace vorsa::sim {

TerminalClient::TerminalClient(const std::string& device) {
    fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        ADD_FAILURE() << "cannot open " << device << ": errno " << errno;
        return;
    }
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
}

TerminalClient::~TerminalClient() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool TerminalClient::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 1000);
            continue;
        }
        if (n < 0) {
            lastError_ = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool TerminalClient::ReadSome(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() < 0) {
        return false;
    }
    pollfd p{fd_, POLLIN, 0};
    int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready <= 0) {
        return false;
    }
    char buffer[1024];
    ssize_t n = ::read(fd_, buffer, sizeof buffer);
    lastRead_ = static_cast<int>(std::min<ssize_t>(n, 1));
    if (n <= 0) {
        lastError_ = n < 0 ? errno : 0;
        return false;
    }
    raw_.append(buffer, static_cast<size_t>(n));
    std::vector<ModemLine> fresh = splitter_.Feed(std::string_view(buffer, static_cast<size_t>(n)));
    lines_.insert(lines_.end(), fresh.begin(), fresh.end());
    return true;
}

std::vector<ModemLine> TerminalClient::ReadUntil(std::vector<ModemLine::Kind> kinds,
                                                 std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<ModemLine> taken;
    while (true) {
        while (!lines_.empty()) {
            ModemLine line = lines_.front();
            lines_.erase(lines_.begin());
            taken.push_back(line);
            if (std::find(kinds.begin(), kinds.end(), line.kind) != kinds.end()) {
                raw_.clear();
                return taken;
            }
        }
        if (!ReadSome(deadline)) {
            return taken;
        }
    }
}

std::vector<ModemLine> TerminalClient::Exchange(std::string_view command,
                                                std::chrono::milliseconds timeout) {
    Write(std::string(command) + "\r");
    return ReadUntil({ModemLine::Kind::FinalResult, ModemLine::Kind::Prompt}, timeout);
}

std::string TerminalClient::ReadRawUntil(std::string_view needle,
                                         std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (raw_.find(needle) == std::string::npos && ReadSome(deadline)) {
    }
    return TakeRaw();
}

std::string TerminalClient::Drain(std::chrono::milliseconds quiet) {
    while (ReadSome(std::chrono::steady_clock::now() + quiet)) {
    }
    return TakeRaw();
}

std::string TerminalClient::TakeRaw() {
    std::string taken;
    taken.swap(raw_);
    lines_.clear();
    splitter_.Reset();
    return taken;
}

std::string Describe(const std::vector<ModemLine>& lines) {
    std::string text;
    for (const ModemLine& line : lines) {
        const char* mark = "I:";
        switch (line.kind) {
            case ModemLine::Kind::Information:
                mark = "I:";
                break;
            case ModemLine::Kind::Payload:
                mark = "D:";
                break;
            case ModemLine::Kind::FinalResult:
                mark = "F:";
                break;
            case ModemLine::Kind::Report:
                mark = "R:";
                break;
            case ModemLine::Kind::Prompt:
                mark = "P:";
                break;
        }
        text += std::string(text.empty() ? "" : "|") + mark + line.text;
    }
    return text;
}

}  // namespace vorsa::sim
