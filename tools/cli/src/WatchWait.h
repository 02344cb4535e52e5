// What `watch` waits for between two rounds of its loop: the component's events (the
// thread's message loop), Ctrl-C, and lines typed for the built-in modem's console.
#pragma once

#include <memory>
#include <string>

namespace vorsa::cli {

class WatchWait {
  public:
    struct Ready {
        bool interrupted = false;  // Ctrl-C (or a termination request) came
        bool messages = false;     // the message loop has something due
        bool input = false;        // standard input is readable, or at its end
    };

    /// Takes over Ctrl-C until destroyed; with `watchInput`, standard input is waited for
    /// too. Only one may exist at a time.
    explicit WatchWait(bool watchInput);
    ~WatchWait();
    WatchWait(const WatchWait&) = delete;
    WatchWait& operator=(const WatchWait&) = delete;

    /// Waits up to `timeoutMs` for any of them.
    [[nodiscard]] Ready Wait(int timeoutMs);
    /// Appends what waits on standard input to `text`; false at its end (or on an error).
    [[nodiscard]] bool ReadInput(std::string& text);

  private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

}  // namespace vorsa::cli
