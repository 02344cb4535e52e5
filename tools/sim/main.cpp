// vorsa-sim: a virtual GSM modem on a pseudo-terminal.
//
// Prints the device path as the first line on standard output once the modem answers,
// then reads console commands (see `help`) on standard input. At the end of the input it
// keeps serving until SIGINT, SIGTERM or SIGHUP; `quit` ends it at once.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <system_error>

#include "vorsa/sim/Console.h"
#include "vorsa/sim/ModemQuirks.h"
#include "vorsa/sim/SimulatedModem.h"
#include "vorsa/sim/StatusReportPdu.h"

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void OnSignal(int) {
    int saved = errno;
    char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void Usage(std::FILE* to) {
    std::fputs(
        "usage: vorsa-sim [options]\n"
        "A virtual GSM modem (3GPP TS 27.005/27.007 AT commands) on a pseudo-terminal.\n"
        "Prints the device path on the first line of standard output, then reads console\n"
        "commands on standard input (type help).\n"
        "\n"
        "  --link PATH        also make a symbolic link to the device at PATH\n"
        "  -v, --verbose      print every byte each way, with times, on standard error\n"
        "  --pin PIN          the SIM asks for this PIN at power-up\n"
        "  --capacity N       message slots in each of SM and ME (default 30)\n"
        "  --smsc NUMBER      the SIM's service centre (default +40700000000)\n"
        "  --own-number N     messages sent to N come back as received messages\n"
        "  --signal N         +CSQ signal quality 0-31 (default 20)\n"
        "  --report-delay MS  status reports come MS after the send (default 2000)\n"
        "  --report-status S  and say delivered (default), pending, failed or status S\n"
        "  --profile NAME     answer as a real modem family; `profile` on the console\n"
        "                     lists them (default textbook)\n"
        "  --quirk NAME       one quirk of a family more (repeatable); `quirk` lists them\n"
        "  -h, --help         this text\n",
        to);
}

bool ParseCount(const char* text, int low, int high, int* value) {
    char* end = nullptr;
    long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < low || n > high) {
        return false;
    }
    *value = static_cast<int>(n);
    return true;
}

// --report-delay MS and --report-status delivered|pending|failed|N.
bool ParseReportOption(const std::string& option, const char* text,
                       vorsa::sim::StatusReportSettings* settings) {
    const std::string value = text;
    if (option == "--report-delay") {
        int ms = 0;
        if (!ParseCount(text, 0, 86400000, &ms)) {
            return false;
        }
        settings->delay = vorsa::sim::Millis(ms);
        return true;
    }
    int status = 0;
    if (value == "delivered") {
        status = vorsa::sim::kStatusDelivered;
    } else if (value == "pending") {
        status = vorsa::sim::kStatusPending;
    } else if (value == "failed") {
        status = vorsa::sim::kStatusFailed;
    } else if (!ParseCount(text, 0, 255, &status)) {
        return false;
    }
    settings->status = static_cast<uint8_t>(status);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vorsa::sim;
    ModemOptions options;
    ServerOptions server;
    QuirkSettings quirks;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vorsa-sim: %s needs a value\n", name);
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "-h" || arg == "--help") {
            Usage(stdout);
            return 0;
        } else if (arg == "-v" || arg == "--verbose") {
            verbose = true;
        } else if (arg == "--link") {
            server.linkPath = value("--link");
        } else if (arg == "--pin") {
            options.pin = value("--pin");
            options.pinRequired = true;
        } else if (arg == "--capacity") {
            int capacity = 0;
            if (!ParseCount(value("--capacity"), 0, 1000, &capacity)) {
                std::fputs("vorsa-sim: --capacity takes 0 to 1000\n", stderr);
                return 2;
            }
            options.simCapacity = options.phoneCapacity = capacity;
        } else if (arg == "--smsc") {
            options.serviceCentre = value("--smsc");
        } else if (arg == "--own-number") {
            options.ownNumber = value("--own-number");
        } else if (arg == "--signal") {
            if (!ParseCount(value("--signal"), 0, 99, &options.signalQuality)) {
                std::fputs("vorsa-sim: --signal takes 0 to 99\n", stderr);
                return 2;
            }
        } else if (arg == "--report-delay" || arg == "--report-status") {
            if (!ParseReportOption(arg, value(arg.c_str()), &options.statusReports)) {
                std::fprintf(stderr, "vorsa-sim: %s takes %s\n", arg.c_str(),
                             arg == "--report-delay" ? "milliseconds"
                                                     : "delivered, pending, failed or 0-255");
                return 2;
            }
        } else if (arg == "--profile") {
            const char* name = value("--profile");
            std::optional<QuirkSettings> profile = ProfileQuirks(name);
            if (!profile) {
                std::fprintf(stderr, "vorsa-sim: unknown profile %s; profiles:", name);
                for (const ModemProfile& known : ModemProfiles()) {
                    std::fprintf(stderr, " %s", known.name);
                }
                std::fputs("\n", stderr);
                return 2;
            }
            quirks = *profile;
        } else if (arg == "--quirk") {
            const char* name = value("--quirk");
            if (!SetQuirk(name, true, quirks)) {
                std::fprintf(
                    stderr, "vorsa-sim: unknown quirk %s (the console's quirk lists them)\n", name);
                return 2;
            }
        } else {
            std::fprintf(stderr, "vorsa-sim: unknown option %s\n", arg.c_str());
            Usage(stderr);
            return 2;
        }
    }

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) < 0) {
        std::perror("vorsa-sim: pipe");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
    ::signal(SIGPIPE, SIG_IGN);

    SimulatedModem modem(options, server);
    modem.SetQuirks(quirks);
    if (verbose) {
        modem.SetTranscriptListener([](const TranscriptEntry& entry) {
            std::fprintf(stderr, "%s\n", FormatTranscriptEntry(entry).c_str());
        });
    }
    try {
        modem.Start();
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "vorsa-sim: %s\n", error.what());
        return 1;
    }
    std::printf("%s\n", modem.PreferredPath().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "vorsa-sim: modem on %s; type help for commands\n",
                 modem.DevicePath().c_str());

    Console console(modem);
    std::string input;
    bool reading = true;
    bool quit = false;
    while (!quit) {
        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        int ready = ::poll(fds, reading ? 2 : 1, -1);
        if (ready < 0) {
            continue;  // EINTR
        }
        if ((fds[0].revents & POLLIN) != 0) {
            break;
        }
        if (!reading || (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        char buffer[4096];
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            reading = false;  // end of input: serve on until a signal
            continue;
        }
        input.append(buffer, static_cast<size_t>(n));
        size_t end;
        while (!quit && (end = input.find('\n')) != std::string::npos) {
            std::string line = input.substr(0, end);
            input.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            Console::Result result = console.Execute(line);
            std::fputs(result.output.c_str(), stdout);
            std::fflush(stdout);
            quit = result.quit;
        }
    }
    modem.Stop();
    return 0;
}
