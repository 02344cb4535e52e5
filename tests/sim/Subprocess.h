// A program run as a child process with pipes on its three standard streams. A thread
// collects standard output and standard error as they come, so a chatty child never blocks
// on a full pipe, and a test can wait for a line to appear before it acts. The tests of both
// tools use it: vorsa-sim's here, and the vorsa program's in tests/cli.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorsa::test {

class Subprocess {
  public:
    /// Starts `program` with `arguments`; `input` is written to its standard input, which is
    /// then closed unless `keepInputOpen`.
    Subprocess(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& input = "", bool keepInputOpen = false);
    /// Kills a child that is still running (by its PID) and reaps it.
    ~Subprocess();
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    /// True once standard error (or output) holds `text`; false when the time ran out or
    /// the child closed its streams first.
    bool WaitForError(const std::string& text, std::chrono::milliseconds timeout);
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    /// Writes to the child's standard input while it is open; false when that fails.
    bool Write(const std::string& text);
    /// Closes the child's standard input: it reads the end of its input.
    void CloseInput();
    void Signal(int signal);
    /// Waits for the child's end (killing it after `timeout`) and gives its exit status;
    /// 128 + N when signal N ended it, -1 when it had to be killed.
    int Finish(std::chrono::milliseconds timeout);

    [[nodiscard]] std::string Output() const;
    [[nodiscard]] std::string Errors() const;

  private:
    bool WaitFor(const std::string& text, bool onError, std::chrono::milliseconds timeout);
    void Collect(int outFd, int errFd);

    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = -1;
    int input_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string output_;
    std::string errors_;
    bool closed_ = false;
};

/// Runs a program to its end (at most `timeout`) with `input` on its standard input.
struct Completed {
    int status;
    std::string out;
    std::string err;
};
[[nodiscard]] Completed RunToEnd(const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const std::string& input = "",
                                 std::chrono::milliseconds timeout = std::chrono::seconds(60));

/// Runs a program with its standard output and standard error on one pseudo-terminal (and
/// standard input from /dev/null), as in an interactive shell; `out` gets what the terminal
/// showed, `err` stays empty.
[[nodiscard]] Completed RunOnTerminal(const std::string& program,
                                      const std::vector<std::string>& arguments,
                                      std::chrono::milliseconds timeout);

}  // namespace vorsa::test
