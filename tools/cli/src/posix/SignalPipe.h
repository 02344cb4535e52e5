// Turns SIGINT and SIGTERM into a readable descriptor (the self-pipe trick), so that a
// poll(2) loop notices Ctrl-C between two operations and can disconnect cleanly. A second
// signal of the same kind gets the default action, so a hung program can still be stopped.
#pragma once

namespace vorsa::cli {

class SignalPipe {
  public:
    /// Installs the handlers; only one SignalPipe may exist at a time.
    SignalPipe();
    /// Restores the previous handlers and closes the pipe.
    ~SignalPipe();
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    /// Readable once a signal came; -1 when the pipe could not be made.
    [[nodiscard]] int Fd() const;
    /// The signal that came first, or 0.
    [[nodiscard]] int Caught() const;
};

}  // namespace vorsa::cli
