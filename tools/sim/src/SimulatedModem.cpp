// The pty server: one thread that moves bytes between the master side of a pty pair and
// the modem engine, on the steady clock.
#include "vorsa/sim/SimulatedModem.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "UniqueFd.h"

namespace vorsa::sim {
namespace {

[[noreturn]] void ThrowSystemError(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void SetNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        ThrowSystemError("fcntl");
    }
}

// Raw mode on the slave, so that a terminal that opens it without setting it up still
// gets the modem's bytes unchanged (no CR to LF mapping, no echo by the line discipline).
void MakeRaw(int slave) {
    termios tio{};
    if (::tcgetattr(slave, &tio) < 0) {
        ThrowSystemError("tcgetattr");
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B115200);
    ::cfsetospeed(&tio, B115200);
    tio.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(slave, TCSANOW, &tio) < 0) {
        ThrowSystemError("tcsetattr");
    }
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

std::string ReadLink(const std::string& path) {
    char target[4096];
    ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    return n < 0 ? std::string() : std::string(target, static_cast<size_t>(n));
}

}  // namespace

struct SimulatedModem::Server {
    detail::UniqueFd master;
    detail::UniqueFd slave;  // kept open so the master never sees a hang-up of its own
    detail::UniqueFd wakeRead;
    detail::UniqueFd wakeWrite;
    std::string devicePath;
    std::string linkPath;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    bool stopping = false;
    bool hangUpRequested = false;
    bool hungUp = false;
};

SimulatedModem::SimulatedModem(ModemOptions modem, ServerOptions server)
    : serverOptions_(std::move(server)), engine_(std::move(modem)) {}

SimulatedModem::~SimulatedModem() {
    Stop();
}

void SimulatedModem::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (thread_.joinable()) {
        return;
    }
    auto server = std::make_unique<Server>();
    server->master.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!server->master.Valid()) {
        ThrowSystemError("posix_openpt");
    }
    if (::grantpt(server->master.Get()) < 0 || ::unlockpt(server->master.Get()) < 0) {
        ThrowSystemError("grantpt/unlockpt");
    }
    char name[256];
    if (::ptsname_r(server->master.Get(), name, sizeof name) != 0) {
        ThrowSystemError("ptsname_r");
    }
    server->devicePath = name;
    server->slave.Reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!server->slave.Valid()) {
        ThrowSystemError("open " + server->devicePath);
    }
    MakeRaw(server->slave.Get());
    SetNonBlocking(server->master.Get());
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) < 0) {
        ThrowSystemError("pipe2");
    }
    server->wakeRead.Reset(wake[0]);
    server->wakeWrite.Reset(wake[1]);
    if (!serverOptions_.linkPath.empty()) {
        struct stat info {};
        if (::lstat(serverOptions_.linkPath.c_str(), &info) == 0) {
            if (!S_ISLNK(info.st_mode)) {
                errno = EEXIST;
                ThrowSystemError("link " + serverOptions_.linkPath + " (not a symbolic link)");
            }
            ::unlink(serverOptions_.linkPath.c_str());
        }
        if (::symlink(server->devicePath.c_str(), serverOptions_.linkPath.c_str()) < 0) {
            ThrowSystemError("symlink " + serverOptions_.linkPath);
        }
        server->linkPath = serverOptions_.linkPath;
    }
    // What was queued for an earlier device (or before the first) is not sent to this
    // one: a modem that comes up again starts with a quiet line.
    (void)engine_.TakeOutput(Millis::max());
    server_ = std::move(server);
    thread_ = std::thread(&SimulatedModem::Run, this);
}

void SimulatedModem::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!thread_.joinable()) {
            return;
        }
        server_->stopping = true;
    }
    Wake();
    thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!server_->linkPath.empty() && ReadLink(server_->linkPath) == server_->devicePath) {
        ::unlink(server_->linkPath.c_str());
    }
    server_.reset();
    ++generation_;
    changed_.notify_all();
}

bool SimulatedModem::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return thread_.joinable();
}

std::string SimulatedModem::DevicePath() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return server_ ? server_->devicePath : std::string();
}

std::string SimulatedModem::PreferredPath() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!server_) {
        return std::string();
    }
    return server_->linkPath.empty() ? server_->devicePath : server_->linkPath;
}

Millis SimulatedModem::Now() const {
    if (!server_) {
        return Millis(0);
    }
    return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - server_->start);
}

void SimulatedModem::Wake() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (server_ && server_->wakeWrite.Valid()) {
        char byte = 1;
        // A full pipe already means a wake-up is pending.
        [[maybe_unused]] ssize_t n = ::write(server_->wakeWrite.Get(), &byte, 1);
    }
}

void SimulatedModem::Changed() {
    ++generation_;
    changed_.notify_all();
}

void SimulatedModem::Record(bool fromModem, std::string bytes,
                            std::vector<TranscriptEntry>* fresh) {
    if (fromModem) {
        written_ += bytes;
    }
    transcript_.push_back(TranscriptEntry{Now(), fromModem, std::move(bytes)});
    if (listener_) {
        fresh->push_back(transcript_.back());
    }
}

void SimulatedModem::Run() {
    std::string pending;  // taken from the engine, not yet written
    char buffer[4096];
    while (true) {
        std::vector<TranscriptEntry> fresh;
        std::function<void(const TranscriptEntry&)> listener;
        int timeout = -1;
        int master = -1;
        int wake = -1;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (server_->stopping) {
                break;
            }
            if (server_->hangUpRequested && !server_->hungUp) {
                server_->master.Reset();
                server_->slave.Reset();
                server_->hungUp = true;
                pending.clear();
                Changed();
            }
            wake = server_->wakeRead.Get();
            if (!server_->hungUp) {
                master = server_->master.Get();
                Millis now = Now();
                pending += engine_.TakeOutput(now);
                if (std::optional<Millis> next = engine_.NextOutputTime()) {
                    timeout = static_cast<int>(std::max<int64_t>(0, (*next - now).count()));
                }
                // Write what is due right away; the pty may take only part of it.
                if (!pending.empty()) {
                    ssize_t n = ::write(master, pending.data(), pending.size());
                    if (n > 0) {
                        Record(true, pending.substr(0, static_cast<size_t>(n)), &fresh);
                        pending.erase(0, static_cast<size_t>(n));
                        Changed();
                    }
                }
            }
            listener = listener_;
        }
        for (const TranscriptEntry& entry : fresh) {
            listener(entry);
        }
        fresh.clear();

        pollfd fds[2] = {{wake, POLLIN, 0}, {master, POLLIN, 0}};
        if (!pending.empty()) {
            fds[1].events |= POLLOUT;
        }
        int ready = ::poll(fds, master >= 0 ? 2 : 1, timeout);
        if (ready < 0) {
            continue;  // EINTR
        }
        if ((fds[0].revents & POLLIN) != 0) {
            while (::read(wake, buffer, sizeof buffer) > 0) {
            }
        }
        if (master >= 0 && (fds[1].revents & POLLIN) != 0) {
            ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                std::string bytes(buffer, static_cast<size_t>(n));
                Record(false, bytes, &fresh);
                engine_.Receive(bytes, Now());
                Changed();
                listener = listener_;
            }
        }
        for (const TranscriptEntry& entry : fresh) {
            listener(entry);
        }
    }
}

DeliveryResult SimulatedModem::Deliver(const IncomingMessage& message) {
    DeliveryResult result;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        result = engine_.Deliver(message, Now());
        Changed();
    }
    Wake();
    return result;
}

void SimulatedModem::SendRaw(std::string_view bytes) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        engine_.SendRaw(bytes, Now());
    }
    Wake();
}

std::vector<SentMessage> SimulatedModem::Outbox() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_.Outbox();
}

std::vector<StoredMessage> SimulatedModem::Storage() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_.Storage();
}

void SimulatedModem::ClearStorage() {
    std::lock_guard<std::mutex> lock(mutex_);
    engine_.ClearStorage();
    Changed();
}

std::vector<std::string> SimulatedModem::CommandLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_.CommandLines();
}

ModemSettings SimulatedModem::Settings() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_.Settings();
}

StatusReportSettings SimulatedModem::StatusReports() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_.StatusReports();
}

void SimulatedModem::SetStatusReports(const StatusReportSettings& settings) {
    std::lock_guard<std::mutex> lock(mutex_);
    engine_.SetStatusReports(settings);
}

FaultSettings SimulatedModem::Faults() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_.Faults();
}

void SimulatedModem::SetFaults(const FaultSettings& faults) {
    UpdateFaults([&faults](FaultSettings& f) { f = faults; });
}

void SimulatedModem::UpdateFaults(const std::function<void(FaultSettings&)>& change) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        FaultSettings faults = engine_.Faults();
        change(faults);
        engine_.SetFaults(faults);
        Changed();
    }
    Wake();
}

void SimulatedModem::ClearFaults() {
    SetFaults(FaultSettings{});
}

QuirkSettings SimulatedModem::Quirks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_.Quirks();
}

void SimulatedModem::SetQuirks(const QuirkSettings& quirks) {
    UpdateQuirks([&quirks](QuirkSettings& q) { q = quirks; });
}

void SimulatedModem::UpdateQuirks(const std::function<void(QuirkSettings&)>& change) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        QuirkSettings quirks = engine_.Quirks();
        change(quirks);
        engine_.SetQuirks(quirks);
        Changed();
    }
    Wake();
}

void SimulatedModem::HangUp() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!server_) {
            return;
        }
        server_->hangUpRequested = true;
    }
    Wake();
    WaitUntil([this] { return HungUp() || !Running(); }, Millis(5000));
}

bool SimulatedModem::HungUp() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return server_ && server_->hungUp;
}

std::vector<TranscriptEntry> SimulatedModem::Transcript() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return transcript_;
}

std::string SimulatedModem::FormattedTranscript() const {
    std::string text;
    for (const TranscriptEntry& entry : Transcript()) {
        text += FormatTranscriptEntry(entry) + "\n";
    }
    return text;
}

void SimulatedModem::SetTranscriptListener(std::function<void(const TranscriptEntry&)> listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    listener_ = std::move(listener);
}

bool SimulatedModem::WaitForOutbox(size_t count, Millis timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return engine_.Outbox().size() >= count; });
}

bool SimulatedModem::WaitForCommand(std::string_view prefix, Millis timeout,
                                    size_t occurrences) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        const std::vector<std::string>& lines = engine_.CommandLines();
        size_t seen = static_cast<size_t>(std::count_if(
            lines.begin(), lines.end(),
            [&prefix](const std::string& line) { return StartsWithNoCase(line, prefix); }));
        return seen >= occurrences;
    });
}

bool SimulatedModem::WaitForOutput(std::string_view text, Millis timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout,
                             [&] { return written_.find(text) != std::string::npos; });
}

bool SimulatedModem::WaitUntil(const std::function<bool()>& condition, Millis timeout) const {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        uint64_t seen;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            seen = generation_;
        }
        if (condition()) {
            return true;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_until(lock, deadline, [&] { return generation_ != seen; })) {
            lock.unlock();
            return condition();
        }
    }
}

std::string FormatTranscriptEntry(const TranscriptEntry& entry) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%8lld ms %s \"", static_cast<long long>(entry.time.count()),
                  entry.fromModem ? "<-" : "->");
    std::string line = stamp;
    for (char c : entry.bytes) {
        switch (c) {
            case '\r':
                line += "\\r";
                break;
            case '\n':
                line += "\\n";
                break;
            case '"':
                line += "\\\"";
                break;
            case '\\':
                line += "\\\\";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
                    line += hex;
                } else {
                    line += c;
                }
        }
    }
    return line + "\"";
}

}  // namespace vorsa::sim
