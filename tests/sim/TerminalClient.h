// The terminal end of a simulated modem's pty, as a program using the modem would open
// it: raw mode, writes, and reads that wait for what the test expects with a deadline.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "vorsa/sim/LineSplitter.h"

namespace vorsa::sim {

class TerminalClient {
  public:
    /// Opens the device in raw mode; fails the test (and leaves fd() < 0) when it cannot.
    explicit TerminalClient(const std::string& device);
    ~TerminalClient();
    TerminalClient(const TerminalClient&) = delete;
    TerminalClient& operator=(const TerminalClient&) = delete;

    [[nodiscard]] int fd() const { return fd_; }
    /// False when the write failed (errno kept).
    bool Write(std::string_view bytes);
    /// Reads and splits lines until one of the given kinds arrives or the time is up; the
    /// lines read so far are returned either way.
    std::vector<ModemLine> ReadUntil(std::vector<ModemLine::Kind> kinds,
                                     std::chrono::milliseconds timeout = kPatience);
    /// Writes "command\r" and reads the lines up to the final result or a prompt.
    std::vector<ModemLine> Exchange(std::string_view command,
                                    std::chrono::milliseconds timeout = kPatience);
    /// Raw bytes until `needle` has been read or the time is up.
    std::string ReadRawUntil(std::string_view needle,
                             std::chrono::milliseconds timeout = kPatience);
    /// Everything that arrives within `quiet` of silence (for checks that nothing comes).
    std::string Drain(std::chrono::milliseconds quiet);
    /// The result of the last read(2): 0 end of file, -1 error (errno in LastError()).
    [[nodiscard]] int LastReadResult() const { return lastRead_; }
    [[nodiscard]] int LastError() const { return lastError_; }

    static constexpr std::chrono::milliseconds kPatience{10000};

  private:
    // One read with a deadline; appends to raw_. False on timeout or error.
    bool ReadSome(std::chrono::steady_clock::time_point deadline);
    // Hands over the raw bytes read so far and forgets the lines split from them.
    std::string TakeRaw();

    int fd_ = -1;
    std::string raw_;
    LineSplitter splitter_;
    std::vector<ModemLine> lines_;
    int lastRead_ = 1;
    int lastError_ = 0;
};

/// The text of the lines, one per line, kinds marked: "I:Vorsa", "F:OK", "P:> ".
std::string Describe(const std::vector<ModemLine>& lines);

}  // namespace vorsa::sim
