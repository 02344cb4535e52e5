#include "vorsa/gateway/Command.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "vorsa/gateway/Gateway.h"
#include "vorsa/sim/Console.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::gateway {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Options of the tool that take a value, so that the command word can be found after them.
bool TakesValue(const std::string& option) {
    for (const char* name : {"-p", "--port", "-b", "--baud", "--pin", "--smsc", "--timeout",
                             "--init1", "--init2", "--init3", "--storage", "--config", "--listen",
                             "--store", "--token", "--id", "--webhook"}) {
        if (option == name) {
            return true;
        }
    }
    return false;
}

constexpr const char* kFooter =
    "\nWithout -p (or with --sim) the gateway runs on the built-in simulated modem, which\n"
    "takes console commands on standard input (e.g. `deliver +40700000001 Hello`).\n"
    "\n"
    "Examples:\n"
    "  vorsa gateway --sim\n"
    "  curl -X POST http://127.0.0.1:8080/v1/messages -d "
    "'{\"to\":\"+40700000001\",\"text\":\"Hi\"}'\n"
    "  vorsa gateway --config /etc/vorsa/gateway.ini\n"
    "  vorsa gateway -p /dev/serial/by-id/usb-A -p /dev/serial/by-id/usb-B --token SECRET\n"
    "      --store postgresql://vorsa@db/sms --listen 0.0.0.0:8080\n"
    "\n"
    "SIGINT or SIGTERM drains and stops it. README \"Run a gateway\" has the configuration\n"
    "file, the API and the delivery guarantees.";

// "ttyUSB0" for /dev/ttyUSB0; names already taken get a number.
std::string ModemName(const std::string& device, const std::vector<ModemConfig>& modems) {
    std::string base = device.substr(device.find_last_of('/') + 1);
    if (base.empty()) {
        base = "modem";
    }
    std::string name = base;
    for (int n = 2;; ++n) {
        bool taken = false;
        for (const ModemConfig& m : modems) {
            taken = taken || m.name == name;
        }
        if (!taken) {
            return name;
        }
        name = base + "-" + std::to_string(n);
    }
}

// Lines typed on standard input go to the built-in simulated modem's console.
class ConsoleThread {
  public:
    explicit ConsoleThread(sim::SimulatedModem& modem) : thread_([this, &modem] { Run(modem); }) {}
    ~ConsoleThread() {
        stop_ = true;
        thread_.join();
    }
    ConsoleThread(const ConsoleThread&) = delete;
    ConsoleThread& operator=(const ConsoleThread&) = delete;

  private:
    void Run(sim::SimulatedModem& modem) {
        sim::Console console(modem);
        std::string pending;
        while (!stop_) {
            pollfd fd{STDIN_FILENO, POLLIN, 0};
            if (::poll(&fd, 1, 200) <= 0) {
                continue;
            }
            char buffer[1024];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                return;  // end of input: the gateway goes on
            }
            pending.append(buffer, static_cast<size_t>(n));
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                const std::string output = console.Execute(line).output;
                if (!output.empty()) {
                    std::fprintf(stderr, "simulator: %s", output.c_str());
                }
            }
        }
    }

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

bool IsGatewayCommand(const std::vector<std::string>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a.empty() || a[0] != '-') {
            return a == "gateway";
        }
        if (TakesValue(a)) {
            ++i;
        }
    }
    return false;
}

int RunGatewayCommand(const std::vector<std::string>& arguments) {
    CLI::App app{
        "Run an SMS gateway: an HTTP API, an outbox and an inbox in a store, and one "
        "worker per modem.",
        "vorsa gateway"};
    app.footer(kFooter);
    std::string configPath, listen, store, token, id, webhook;
    std::vector<std::string> ports;
    bool sim = false;
    bool verbose = false;
    app.add_option("--config", configPath, "configuration file (INI)")->type_name("FILE");
    app.add_option("--listen", listen, "HTTP address (default 127.0.0.1:8080)")->type_name("ADDR");
    app.add_option("--store", store,
                   "SQLite file or postgresql:// URL (default $XDG_STATE_HOME/vorsa/gateway.db)")
        ->type_name("PATH|URL");
    app.add_option("--token", token, "API bearer token (prefer the file: ps shows arguments)")
        ->type_name("T");
    app.add_option("-p,--port", ports, "a modem's serial device; repeat for more modems")
        ->type_name("DEVICE");
    app.add_flag("--sim", sim, "add the built-in simulated modem (the default without -p)");
    app.add_option("--id", id, "this gateway's name in claims (default host:port)")
        ->type_name("NAME");
    app.add_option("--webhook", webhook, "POST received messages and reports to this URL")
        ->type_name("URL");
    app.add_flag("-v,--verbose", verbose,
                 "accepted for symmetry with the tool; events are "
                 "always logged on standard error");

    std::vector<std::string> rest;
    bool seenCommand = false;
    for (const std::string& a : arguments) {
        if (!seenCommand && a == "gateway") {
            seenCommand = true;
            continue;
        }
        rest.push_back(a);
    }
    std::vector<std::string> reversed(rest.rbegin(), rest.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? kExitOk : kExitUsage;
    }

    GatewayConfig config;
    if (!configPath.empty()) {
        std::ifstream file(configPath);
        if (!file) {
            std::fprintf(stderr, "vorsa gateway: cannot read %s\n", configPath.c_str());
            return kExitUsage;
        }
        std::stringstream text;
        text << file.rdbuf();
        ConfigResult parsed = ParseConfig(text.str());
        if (!parsed.config) {
            std::fprintf(stderr, "vorsa gateway: %s: %s\n", configPath.c_str(),
                         parsed.error.c_str());
            return kExitUsage;
        }
        config = *parsed.config;
    }
    if (!listen.empty()) {
        config.listen = listen;
    }
    if (!store.empty()) {
        config.store = store;
    }
    if (!token.empty()) {
        config.token = token;
    }
    if (!id.empty()) {
        config.id = id;
    }
    if (!webhook.empty()) {
        config.webhook = webhook;
    }
    for (const std::string& device : ports) {
        ModemConfig modem;
        modem.name = ModemName(device, config.modems);
        modem.link.device = device;
        config.modems.push_back(modem);
    }
    if (sim || config.modems.empty()) {
        ModemConfig modem;
        modem.name = ModemName("sim", config.modems);
        modem.simulated = true;
        config.modems.push_back(modem);
        if (!sim) {
            std::fprintf(stderr,
                         "vorsa gateway: no -p DEVICE given: using the built-in "
                         "simulated modem (give -p DEVICE for a real modem)\n");
        }
    }

    // Signals are taken by this thread alone, with sigtimedwait; every thread started from
    // here on inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    Gateway gateway(config, stderr);
    std::string error;
    if (!gateway.Start(error)) {
        std::fprintf(stderr, "vorsa gateway: %s\n", error.c_str());
        return kExitFailure;
    }
    std::string host;
    int port = 0;
    (void)SplitListen(gateway.Config().listen, host, port);
    const bool ipv6 = host.find(':') != std::string::npos;
    std::printf("vorsa gateway: listening on http://%s%s%s:%d\n", ipv6 ? "[" : "", host.c_str(),
                ipv6 ? "]" : "", gateway.Port());
    std::printf("vorsa gateway: store %s\n", gateway.Config().store.find("://") == std::string::npos
                                                 ? gateway.Config().store.c_str()
                                                 : "postgresql");
    for (const ModemConfig& modem : gateway.Config().modems) {
        std::printf("vorsa gateway: modem %s on %s%s\n", modem.name.c_str(),
                    modem.link.device.c_str(), modem.simulated ? " (simulated)" : "");
    }
    std::fflush(stdout);
    if (gateway.Config().token.empty() && !IsLoopbackAddress(host)) {
        std::fprintf(stderr,
                     "vorsa gateway: no --token: only clients on this machine are "
                     "served\n");
    }

    std::unique_ptr<ConsoleThread> console;
    if (gateway.SimulatedModem() != nullptr && ::isatty(STDIN_FILENO) != 0) {
        std::fprintf(stderr,
                     "vorsa gateway: the simulated modem takes console commands here, "
                     "e.g. `deliver +40700000001 Hello` (help lists them)\n");
    }
    if (gateway.SimulatedModem() != nullptr) {
        console = std::make_unique<ConsoleThread>(*gateway.SimulatedModem());
    }

    for (;;) {
        const timespec second{1, 0};
        const int signal = ::sigtimedwait(&stopSignals, nullptr, &second);
        if (signal == SIGINT || signal == SIGTERM) {
            std::fprintf(stderr, "vorsa gateway: %s: draining\n",
                         signal == SIGINT ? "interrupted" : "terminated");
            break;
        }
        gateway.Housekeeping();
    }
    console.reset();
    gateway.Stop();
    return kExitOk;
}

}  // namespace vorsa::gateway
