#include "vorsa/cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

namespace vorsa::cli {

namespace {

constexpr const char* kDescription =
    "Send, read, list and delete SMS through a GSM modem or phone on a serial port, with the\n"
    "AT commands of 3GPP TS 27.005/27.007, in PDU mode (any text, any length, delivery\n"
    "reports) or text mode.";

constexpr const char* kFooter =
    "\nWithout -p (or with --sim) vorsa starts its built-in simulated modem in the same\n"
    "process. Global options may stand before or after the command.\n"
    "\n"
    "Examples:\n"
    "  vorsa -p /dev/ttyUSB0 status\n"
    "  vorsa -p /dev/ttyUSB0 send +40700000001 \"See you at eight\"\n"
    "  vorsa -p /dev/ttyUSB0 send --report +40700000001 \"Καλημέρα 👋🏽, any length\"\n"
    "  echo \"From a pipe\" | vorsa -p /dev/ttyUSB0 --text send +40700000001\n"
    "  vorsa -p /dev/ttyUSB0 --keep list\n"
    "  vorsa -p /dev/ttyUSB0 --json watch --for 60\n"
    "\n"
    "Exit status: 0 on success, 1 on an SMS or modem error, 2 on a usage error.\n"
    "Run `vorsa COMMAND --help` for a command's own options; `man vorsa` has the rest.\n"
    "`vorsa gateway --help`: the SMS gateway service (HTTP API, outbox, inbox, many modems).";

constexpr const char* kCommandFooter =
    "\nThe global options of `vorsa --help` (-p, -b, --text, --pin, --json, -v...) may stand\n"
    "before or after the command.";

// A storage index: decimal digits, as the modem numbers its memory slots.
const CLI::Validator kStorageIndex(
    [](const std::string& value) -> std::string {
        const bool digits = !value.empty() && std::all_of(value.begin(), value.end(), [](char c) {
            return c >= '0' && c <= '9';
        });
        return digits ? "" : "INDEX must be a storage index (decimal digits), not " + value;
    },
    "");

// A validity period: a number and m, h, d or w.
const CLI::Validator kDuration(
    [](const std::string& value) -> std::string {
        return ParseDuration(value) ? ""
                                    : "DURATION must be a number and m, h, d or w (30m, 2h, "
                                      "1d, 1w), not " +
                                          value;
    },
    "");

}  // namespace

std::optional<std::chrono::minutes> ParseDuration(const std::string& text) {
    constexpr long kLongest = 63L * 7 * 24 * 60;  // the longest period a message can have
    if (text.size() < 2 || text.size() > 8) {
        return std::nullopt;
    }
    long count = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        count = count * 10 + (text[i] - '0');
    }
    long perUnit = 0;
    switch (text.back()) {
        case 'm':
            perUnit = 1;
            break;
        case 'h':
            perUnit = 60;
            break;
        case 'd':
            perUnit = 24 * 60;
            break;
        case 'w':
            perUnit = 7 * 24 * 60;
            break;
        default:
            return std::nullopt;
    }
    if (count == 0 || count > kLongest / perUnit) {
        return std::nullopt;
    }
    return std::chrono::minutes(count * perUnit);
}

std::string VersionText() {
    return "vorsa " VORSA_VERSION;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    Options o;
    CLI::App app{kDescription, "vorsa"};
    app.footer(kFooter);
    app.set_version_flag("--version", VersionText(), "print the version and exit");
    app.require_subcommand(1);
    app.fallthrough();  // global options are accepted after the command too

    std::string pin, smsc, init1, init2, init3, storage;
    uint32_t timeout = 0;
    CLI::Option* portOption =
        app.add_option("-p,--port", o.port, "serial device of the modem (e.g. /dev/ttyUSB0)")
            ->type_name("DEVICE");
    CLI::Option* simOption =
        app.add_flag("--sim", o.sim, "use the built-in simulated modem (the default without -p)");
    portOption->excludes(simOption);
    app.add_option("-b,--baud", o.baud, "line speed in baud (default 115200)")
        ->type_name("N")
        ->check(CLI::PositiveNumber.description(""));
    bool pduFlag = false;
    bool textFlag = false;
    CLI::Option* pduOption = app.add_flag(
        "--pdu", pduFlag, "PDU mode, the default: the tool encodes and decodes every text");
    CLI::Option* textModeOption = app.add_flag(
        "--text", textFlag,
        "text mode: the modem formats the message (one part of plain ASCII when sending)");
    pduOption->excludes(textModeOption);
    CLI::Option* pinOption =
        app.add_option("--pin", pin, "SIM PIN, sent when the SIM asks")->type_name("PIN");
    CLI::Option* smscOption =
        app.add_option("--smsc", smsc, "message service centre number to set on the modem")
            ->type_name("NUMBER");
    CLI::Option* timeoutOption =
        app.add_option("--timeout", timeout, "seconds to wait for each reply (default 10)")
            ->type_name("SECONDS")
            ->check(CLI::Range(1u, 3600u).description(""));
    app.add_flag("--keep", o.keep, "keep messages in the modem after reading or listing them");
    app.add_flag("--direct", o.direct,
                 "new messages go straight to the tool (+CMT) instead of being stored (+CMTI)");
    CLI::Option* init1Option =
        app.add_option("--init1", init1, "first initialisation command (default ATZ; \"\" skips)")
            ->type_name("COMMAND");
    CLI::Option* init2Option =
        app.add_option("--init2", init2,
                       "second initialisation command (default ATE0&S0; \"\" skips)")
            ->type_name("COMMAND");
    CLI::Option* init3Option =
        app.add_option("--init3", init3, "third initialisation command (default none)")
            ->type_name("COMMAND");
    CLI::Option* storageOption = app.add_option("--storage", storage,
                                                "argument of AT+CPMS, the message memories "
                                                "(default \"SM\",\"SM\",\"SM\"; \"\" skips)")
                                     ->type_name("MEMORIES");
    app.add_flag("--json", o.json, "one JSON object per line for every result and event");
    app.add_flag("-v,--verbose", o.verbose, "print the AT dialogue with time stamps on stderr");

    CLI::App* send =
        app.add_subcommand("send", "send a message of any length; prints its references");
    send->add_option("NUMBER", o.number, "destination number, e.g. +40700000001")
        ->required()
        ->type_name("");
    std::string text;
    CLI::Option* textOption =
        send->add_option("TEXT", text, "the message, UTF-8, any length; stdin when omitted")
            ->type_name("");
    CLI::Option* reportOption =
        send->add_flag("--report", o.report, "ask for a delivery report, wait for it and print it");
    send->add_option("--report-wait", o.reportWait,
                     "seconds to wait for the delivery report (default 120)")
        ->type_name("SECONDS")
        ->check(CLI::PositiveNumber.description(""))
        ->needs(reportOption);
    int messageClass = 0;
    CLI::Option* classOption =
        send->add_option("--class", messageClass,
                         "message class: 0 flash (shown at once, not stored), 1 phone, 2 SIM, "
                         "3 terminal")
            ->type_name("N")
            ->check(CLI::Range(0, 3).description(""));
    std::string validity;
    CLI::Option* validityOption =
        send->add_option("--validity", validity,
                         "how long the centre keeps trying: 30m, 2h, 1d, 1w (rounded up to "
                         "the steps a message can carry; 5m to 63w)")
            ->type_name("DURATION")
            ->check(kDuration);

    CLI::App* read = app.add_subcommand(
        "read", "read the stored message at INDEX, with the other stored parts of a long one");
    read->add_option("INDEX", o.index, "storage index")
        ->required()
        ->type_name("")
        ->check(kStorageIndex);

    CLI::App* remove = app.add_subcommand("delete", "delete the stored message at INDEX");
    remove->add_option("INDEX", o.index, "storage index")
        ->required()
        ->type_name("")
        ->check(kStorageIndex);

    CLI::App* list = app.add_subcommand(
        "list", "list every stored message, long ones put together (deleting each unless --keep)");

    CLI::App* watch = app.add_subcommand(
        "watch", "stay connected and print incoming messages, whole, and delivery reports");
    double watchFor = 0;
    uint32_t watchCount = 0;
    CLI::Option* forOption =
        watch->add_option("--for", watchFor, "stop after SECONDS (default: at Ctrl-C)")
            ->type_name("SECONDS")
            ->check(CLI::PositiveNumber.description(""));
    CLI::Option* countOption =
        watch->add_option("--count", watchCount, "stop after N received messages")
            ->type_name("N")
            ->check(CLI::PositiveNumber.description(""));

    CLI::App* status = app.add_subcommand(
        "status", "show the modem's activity status, signal strength and identity");

    for (CLI::App* command : {send, read, remove, list, watch, status}) {
        command->footer(kCommandFooter);
    }

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return {std::nullopt, code == 0 ? kExitOk : kExitUsage};
    }

    auto optional = [](CLI::Option* option, const std::string& value) {
        return option->count() > 0 ? std::optional<std::string>(value) : std::nullopt;
    };
    o.pin = optional(pinOption, pin);
    o.smsc = optional(smscOption, smsc);
    o.init1 = optional(init1Option, init1);
    o.init2 = optional(init2Option, init2);
    o.init3 = optional(init3Option, init3);
    o.storage = optional(storageOption, storage);
    if (timeoutOption->count() > 0) {
        o.timeout = timeout;
    }

    o.pdu = !textFlag;
    if (send->parsed()) {
        o.command = Command::Send;
        o.text = optional(textOption, text);
        if (classOption->count() > 0) {
            o.messageClass = messageClass;
        }
        if (validityOption->count() > 0) {
            o.validity = ParseDuration(validity);
        }
    } else if (read->parsed()) {
        o.command = Command::Read;
    } else if (remove->parsed()) {
        o.command = Command::Delete;
    } else if (list->parsed()) {
        o.command = Command::List;
    } else if (watch->parsed()) {
        o.command = Command::Watch;
        if (forOption->count() > 0) {
            o.watchFor = watchFor;
        }
        if (countOption->count() > 0) {
            o.watchCount = watchCount;
        }
    } else {
        o.command = Command::Status;
    }
    return {o, kExitOk};
}

}  // namespace vorsa::cli
