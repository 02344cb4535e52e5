// A pseudo-terminal pair for tests of the serial driver on a real terminal device: the
// driver opens the slave by its path; the test plays the far end through the master.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace vorsa::test {

class Pty {
  public:
    /// Opens a master, unlocks its slave, and keeps one descriptor of the slave open (in raw
    /// mode) so that the master keeps working while the code under test closes and reopens
    /// the slave. Throws std::runtime_error when the system has no pseudo-terminals.
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    /// The slave's path, e.g. /dev/pts/4.
    [[nodiscard]] const std::string& SlavePath() const { return FSlavePath; }
    /// The master's descriptor; -1 after CloseMaster.
    [[nodiscard]] int MasterFd() const { return FMaster; }

    /// Writes all of Bytes to the master, waiting for room until the deadline. False when
    /// the deadline passed or the write failed.
    bool Write(std::string_view Bytes,
               std::chrono::milliseconds Deadline = std::chrono::seconds(10));
    /// Reads from the master until Count bytes have come or the deadline passed; gives what
    /// came.
    [[nodiscard]] std::string Read(size_t Count,
                                   std::chrono::milliseconds Deadline = std::chrono::seconds(10));
    /// Reads what the master has now, without waiting.
    [[nodiscard]] std::string ReadAvailable();
    /// Closes the master: the slave side sees a hang-up, as a modem that dropped the line.
    void CloseMaster();

  private:
    int FMaster = -1;
    int FSlaveKeeper = -1;
    std::string FSlavePath;
};

/// The number of descriptors this process has open (from /proc/self/fd).
[[nodiscard]] size_t OpenDescriptorCount();

}  // namespace vorsa::test
