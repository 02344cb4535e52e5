// watch: stays connected and lets the component's events arrive. The component raises them
// from its hidden window when the thread's message loop runs; here that loop is a poll(2)
// on the message loop's descriptor, beside Ctrl-C (through a self-pipe) and, with the
// built-in simulated modem, the simulator's console on standard input. A modem that is
// lost (unplugged, hung up) is brought back by the component's AutoReconnect, and the
// watch goes on.
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>

#include "Session.h"
#include "SignalPipe.h"
#include "vorsa/Framework.h"
#include "vorsa/sim/Console.h"

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
    explicit ConsoleInput(sim::SimulatedModem& modem) : console_(modem) {}

    // Reads what waits on standard input; false at its end.
    bool ReadAvailable(Output& out) {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        pending_.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            const sim::Console::Result result = console_.Execute(line);
            if (!result.output.empty()) {
                std::string output = result.output;
                if (output.back() == '\n') {
                    output.pop_back();
                }
                out.Note("simulator: " + output);
            }
        }
        return true;
    }

  private:
    sim::Console console_;
    std::string pending_;
};

}  // namespace

void Session::Watch() {
    SignalPipe signals;
    std::optional<ConsoleInput> console;
    if (simulated_) {
        console.emplace(*simulated_);
        if (::isatty(STDIN_FILENO) != 0) {
            out_.Note(
                "the simulated modem takes console commands here, e.g. "
                "`deliver +40700000001 Hello` (help lists them)");
        }
    }
    std::optional<Clock::time_point> deadline;
    if (options_.watchFor) {
        deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(*options_.watchFor));
    }
    out_.Note("watching " + DeviceName() + " for messages; Ctrl-C stops");
    modem_->AutoReconnect = true;
    modem_->ReconnectMaxDelay = kLongestReconnectPauseSeconds;

    const int loopFd = MessageLoopFd();
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
        pollfd fds[3] = {{loopFd, POLLIN, 0},
                         {signals.Fd(), POLLIN, 0},
                         {consoleOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(fds, 3, timeoutMs) < 0) {
            continue;  // interrupted by a signal: the pipe tells which
        }
        if ((fds[1].revents & POLLIN) != 0 || signals.Caught() != 0) {
            out_.Note("interrupted; disconnecting");
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            try {
                ProcessMessages();
            } catch (const std::exception& error) {
                // A malformed reply met in an event: counted, and the watch goes on.
                RecordError(-1, error.what());
            }
        }
        if ((fds[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            consoleOpen = console->ReadAvailable(out_);
        }
        if (!DeviceAlive()) {
            break;
        }
    }
    out_.Emit(JsonObject().Str("type", "watch").Int("messages", received_), "");
}

}  // namespace vorsa::cli
