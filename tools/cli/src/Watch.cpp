// watch: stays connected and lets the component's events arrive. The component raises them
// from its hidden window when the thread's message loop runs; here that loop waits (WatchWait)
// for the loop to have something due, beside Ctrl-C and, with the built-in simulated modem,
// the simulator's console on standard input. A modem that is lost (unplugged, hung up) is
// brought back by the component's AutoReconnect, and the watch goes on.
#include <chrono>
#include <optional>
#include <string>

#include "BuiltInModem.h"
#include "Session.h"
#include "Terminal.h"
#include "WatchWait.h"
#include "vorsa/Framework.h"

namespace vorsa::cli {

namespace {

using Clock = std::chrono::steady_clock;

// The line checks of the loop run at least this often, also while nothing happens.
constexpr int kCheckIntervalMs = 1000;
// A lost modem is looked for again after 1 s, 2 s, 4 s... and then every this many seconds.
constexpr uint32_t kLongestReconnectPauseSeconds = 30;

// Lines typed for the simulator's console; complete lines are carried out.
class ConsoleInput {
  public:
    explicit ConsoleInput(BuiltInModem& modem) : modem_(modem) {}

    // Takes what waits on standard input; false at its end.
    bool ReadAvailable(WatchWait& wait, Output& out) {
        if (!wait.ReadInput(pending_)) {
            return false;
        }
        for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            std::string output = modem_.Console(line);
            if (!output.empty()) {
                if (output.back() == '\n') {
                    output.pop_back();
                }
                out.Note("simulator: " + output);
            }
        }
        return true;
    }

  private:
    BuiltInModem& modem_;
    std::string pending_;
};

}  // namespace

void Session::Watch() {
    std::optional<ConsoleInput> console;
    if (builtIn_) {
        console.emplace(*builtIn_);
        if (IsTerminal(Stream::Input)) {
            out_.Note(
                "the simulated modem takes console commands here, e.g. "
                "`deliver +40700000001 Hello` (help lists them)");
        }
    }
    WatchWait wait(console.has_value());
    std::optional<Clock::time_point> deadline;
    if (options_.watchFor) {
        deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(*options_.watchFor));
    }
    out_.Note("watching " + DeviceName() + " for messages; Ctrl-C stops");
    modem_->AutoReconnect = true;
    modem_->ReconnectMaxDelay = kLongestReconnectPauseSeconds;

    bool consoleOpen = console.has_value();
    for (;;) {
        if (options_.watchCount && received_ >= static_cast<int>(*options_.watchCount)) {
            break;
        }
        int timeoutMs = kCheckIntervalMs;
        if (deadline) {
            const auto left = *deadline - Clock::now();
            if (left <= Clock::duration::zero()) {
                break;
            }
            const auto leftMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(left).count() + 1;
            if (leftMs < timeoutMs) {
                timeoutMs = static_cast<int>(leftMs);
            }
        }
        const WatchWait::Ready ready = wait.Wait(timeoutMs);
        if (ready.interrupted) {
            out_.Note("interrupted; disconnecting");
            break;
        }
        if (ready.messages) {
            try {
                ProcessMessages();
            } catch (const std::exception& error) {
                // A malformed reply met in an event: counted, and the watch goes on.
                RecordError(-1, error.what());
            }
        }
        if (consoleOpen && ready.input) {
            consoleOpen = console->ReadAvailable(wait, out_);
        }
        if (!DeviceAlive()) {
            break;
        }
    }
    // Parts forwarded straight to the tool live only here: a message still waiting for
    // its other parts is printed as far as it came rather than lost with the tool. Stored
    // parts stay on the modem for a later run.
    if (options_.direct && modem_->Connected()) {
        modem_->FlushPendingMessages();
    }
    out_.Emit(JsonObject().Str("type", "watch").Int("messages", received_), "");
}

}  // namespace vorsa::cli
