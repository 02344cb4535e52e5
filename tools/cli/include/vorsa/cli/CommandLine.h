// The command line of `vorsa`: global options, one command and its arguments.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorsa::cli {

/// Exit statuses: success, an SMS or modem error, a usage error.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

/// The baud rate used unless -b says otherwise.
constexpr int32_t kDefaultBaud = 115200;

enum class Command { Send, Read, Delete, List, Watch, Status };

struct Options {
    // Where the modem is: a device, or the simulated modem inside the tool.
    std::string port;
    bool sim = false;

    int32_t baud = kDefaultBaud;
    /// PDU mode (the default): any text, any length. --text chooses text mode.
    bool pdu = true;
    std::optional<std::string> pin;
    std::optional<std::string> smsc;
    std::optional<uint32_t> timeout;  // seconds
    bool keep = false;
    bool direct = false;
    std::optional<std::string> init1;
    std::optional<std::string> init2;
    std::optional<std::string> init3;
    std::optional<std::string> storage;
    bool json = false;
    bool verbose = false;

    Command command = Command::Status;
    std::string number;                            // send
    std::optional<std::string> text;               // send; from standard input when absent
    bool report = false;                           // send: wait for the delivery report
    double reportWait = 120;                       // send --report: seconds to wait for it
    std::optional<int> messageClass;               // send: 0 (flash) to 3
    std::optional<std::chrono::minutes> validity;  // send
    std::string index;                             // read, delete
    std::optional<double> watchFor;                // watch: seconds
    std::optional<uint32_t> watchCount;
};

/// What parsing gave: options to run with, or an exit status (after help, the version or
/// a usage error, whose text has already been printed).
struct ParsedCommandLine {
    std::optional<Options> options;
    int exitStatus = kExitOk;
};

[[nodiscard]] ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

/// A validity period such as "30m", "2h", "1d" or "1w" (a number and its unit); none
/// when the text is not one or is no longer than zero.
[[nodiscard]] std::optional<std::chrono::minutes> ParseDuration(const std::string& text);

/// "vorsa 1.0.0".
[[nodiscard]] std::string VersionText();

}  // namespace vorsa::cli
