#include "vorsa/sim/Console.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>
#include <vector>

#include "vorsa/sim/AtCommandLine.h"
#include "vorsa/sim/Hex.h"

namespace vorsa::sim {
namespace {

std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// Splits off the first word.
std::string_view NextWord(std::string_view* rest) {
    *rest = TrimSpace(*rest);
    size_t end = 0;
    while (end < rest->size() && !std::isspace(static_cast<unsigned char>((*rest)[end]))) {
        ++end;
    }
    std::string_view word = rest->substr(0, end);
    rest->remove_prefix(end);
    *rest = TrimSpace(*rest);
    return word;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::optional<long> Number(std::string_view text) {
    return ParseInteger(text);
}

std::optional<bool> Switch(std::string_view text) {
    std::string word = Lower(text);
    if (word == "on" || word == "1" || word == "yes") {
        return true;
    }
    if (word == "off" || word == "0" || word == "no") {
        return false;
    }
    return std::nullopt;
}

Console::Result Reply(std::string text) {
    return Console::Result{std::move(text) + "\n", false};
}

std::string Quote(const std::string& text) {
    return "\"" + Printable(text) + "\"";
}

}  // namespace

std::string Unescape(std::string_view text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes += text[i];
            continue;
        }
        char next = text[++i];
        switch (next) {
            case 'n':
                bytes += '\n';
                break;
            case 'r':
                bytes += '\r';
                break;
            case 't':
                bytes += '\t';
                break;
            case '\\':
                bytes += '\\';
                break;
            case 'x': {
                std::optional<Octets> octet =
                    i + 2 < text.size() ? FromHex(text.substr(i + 1, 2)) : std::nullopt;
                if (octet) {
                    bytes += static_cast<char>((*octet)[0]);
                    i += 2;
                } else {
                    bytes += "\\x";
                }
                break;
            }
            default:
                bytes += '\\';
                bytes += next;
        }
    }
    return bytes;
}

std::string Printable(std::string_view bytes) {
    std::string text;
    for (char c : bytes) {
        auto u = static_cast<unsigned char>(c);
        if (c == '\n') {
            text += "\\n";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c == '\\') {
            text += "\\\\";
        } else if (u < 0x20 || u == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            text += hex;
        } else {
            text += c;
        }
    }
    return text;
}

std::string CommandName(std::string_view text) {
    std::string name(text);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (name.size() > 2 && name.compare(0, 2, "AT") == 0) {
        name.erase(0, 2);
    }
    if (name.size() > 1 && std::isalpha(static_cast<unsigned char>(name[0])) != 0) {
        name.insert(name.begin(), '+');
    }
    return name;
}

std::string Console::Help() {
    return "commands:\n"
           "  deliver [--8bit|--ucs2|--gsm] [--hex] [--alpha] [--class N] [--smsc NUMBER]\n"
           "          [--time yy/MM/dd,hh:mm:ss+zz] [--ref N] [--ref16] [--order 2,1,3]\n"
           "          [--reverse] [--drop N] [--repeat N] FROM TEXT\n"
           "                         a message arrives from FROM (TEXT may use \\n \\xHH);\n"
           "                         a long one in parts, in the order asked for\n"
           "  report [delay MS] [delivered|pending|failed|STATUS]\n"
           "                         how sends with a report request are answered\n"
           "  outbox                 the messages sent through the modem\n"
           "  storage [clear]        the messages in the SM and ME memories\n"
           "  status                 the modem's current settings\n"
           "  transcript             every byte so far, each way, with times\n"
           "  raw TEXT               send bytes to the terminal as they are\n"
           "  fault                  show the fault switches; then one of:\n"
           "    fault clear                     everything back to normal\n"
           "    fault ignore N                  no answer to the next N commands\n"
           "    fault ignore CMD [off]          no answer to CMD (e.g. +CMGS)\n"
           "    fault error CMD [CODE|cme CODE|off]  ERROR, +CMS ERROR: CODE or +CME ERROR\n"
           "    fault delay MS                  every answer MS milliseconds late\n"
           "    fault trickle MS                answers byte by byte, MS apart (0 off)\n"
           "    fault stall MS                  reports stop half way for MS (0 off)\n"
           "    fault noprompt on|off           withhold the \"> \" prompt\n"
           "    fault echo on|off               echo even after ATE0\n"
           "    fault nul N                     N NUL bytes before each answer\n"
           "    fault noise TEXT|off            TEXT before each answer\n"
           "    fault hangup                    close the line (the device fails)\n"
           "    fault pin on|off                the SIM asks for its PIN\n"
           "    fault cpas N                    +CPAS reports N (0 ready)\n"
           "  profile [NAME]         answer as a real modem family (textbook: by the book)\n"
           "  quirk [NAME [on|off]]  one quirk of a family; alone, lists them\n"
           "  help                   this list\n"
           "  quit                   stop the modem and leave\n";
}

Console::Result Console::Execute(std::string_view line) {
    std::string_view rest = line;
    std::string command = Lower(NextWord(&rest));
    if (command.empty()) {
        return {};
    }
    if (command == "help" || command == "?") {
        return Result{Help(), false};
    }
    if (command == "quit" || command == "exit") {
        return Result{"", true};
    }
    if (command == "deliver") {
        return Deliver(rest);
    }
    if (command == "fault" || command == "faults") {
        return Fault(rest);
    }
    if (command == "report" || command == "reports") {
        return StatusReports(rest);
    }
    if (command == "profile") {
        return Profile(rest);
    }
    if (command == "quirk" || command == "quirks") {
        return Quirk(rest);
    }
    if (command == "outbox") {
        return Result{DescribeOutbox(), false};
    }
    if (command == "storage") {
        if (Lower(rest) == "clear") {
            modem_.ClearStorage();
            return Reply("storage cleared");
        }
        return Result{DescribeStorage(), false};
    }
    if (command == "status") {
        return Result{DescribeStatus(), false};
    }
    if (command == "transcript") {
        return Result{modem_.FormattedTranscript(), false};
    }
    if (command == "raw") {
        modem_.SendRaw(Unescape(rest));
        return Reply("sent " + std::to_string(Unescape(rest).size()) + " bytes");
    }
    return Reply("unknown command '" + command + "'; type help");
}

Console::Result Console::Deliver(std::string_view arguments) {
    IncomingMessage message;
    PartOptions parts;
    bool hex = false;
    std::string_view rest = arguments;
    while (true) {
        std::string_view save = rest;
        std::string_view word = NextWord(&rest);
        if (word.substr(0, 2) != "--") {
            rest = save;
            break;
        }
        if (word == "--8bit") {
            message.coding = TextCoding::EightBit;
        } else if (word == "--ucs2") {
            message.coding = TextCoding::Ucs2;
        } else if (word == "--gsm") {
            message.coding = TextCoding::Gsm7;
        } else if (word == "--hex") {
            hex = true;
        } else if (word == "--alpha") {
            message.alphanumericSender = true;
        } else if (word == "--class") {
            std::optional<long> n = Number(NextWord(&rest));
            if (!n || *n > 3) {
                return Reply("--class takes 0, 1, 2 or 3");
            }
            message.messageClass = static_cast<int>(*n);
        } else if (word == "--smsc") {
            message.serviceCentre = std::string(NextWord(&rest));
        } else if (word == "--time") {
            message.timeStamp = TimeStamp::Parse(NextWord(&rest));
            if (!message.timeStamp) {
                return Reply("--time takes yy/MM/dd,hh:mm:ss+zz");
            }
        } else if (std::optional<std::string> refused = ParsePartOption(word, &rest, &parts)) {
            if (!refused->empty()) {
                return Reply(*refused);
            }
        } else {
            return Reply("unknown option " + std::string(word) + "; type help");
        }
    }
    message.from = std::string(NextWord(&rest));
    if (message.from.empty()) {
        return Reply("usage: deliver [options] FROM TEXT");
    }
    message.text = Unescape(rest);
    if (hex) {
        std::optional<Octets> data = FromHex(message.text);
        if (!data) {
            return Reply("--hex needs an even number of hexadecimal digits");
        }
        message.text.assign(data->begin(), data->end());
        if (message.coding == TextCoding::Automatic) {
            message.coding = TextCoding::EightBit;
        }
    }
    if (std::optional<Result> inParts = DeliverInParts(message, parts)) {
        return *inParts;
    }
    DeliveryResult result = modem_.Deliver(message);
    if (!result.accepted) {
        return Reply("refused (" + std::to_string(result.error) + "): " + result.reason);
    }
    std::string text = result.index > 0
                           ? "stored in " + result.memory + " at " + std::to_string(result.index)
                           : std::string("forwarded to the terminal");
    if (!result.report.empty()) {
        text += "; report " + Printable(result.report);
    }
    return Reply(text);
}

Console::Result Console::Fault(std::string_view arguments) {
    std::string_view rest = arguments;
    std::string what = Lower(NextWord(&rest));
    if (what.empty()) {
        return Result{DescribeFaults(), false};
    }
    if (what == "clear") {
        modem_.ClearFaults();
        return Reply("faults cleared");
    }
    if (what == "hangup") {
        modem_.HangUp();
        return Reply("line closed; the device now reports errors");
    }
    std::string_view first = NextWord(&rest);
    std::string value(rest);
    if (what == "ignore") {
        if (std::optional<long> n = Number(first)) {
            modem_.UpdateFaults(
                [&n](FaultSettings& f) { f.ignoreNextCommands = static_cast<int>(*n); });
            return Reply("no answer to the next " + std::to_string(*n) + " commands");
        }
        if (first.empty()) {
            return Reply("usage: fault ignore N | fault ignore CMD [off]");
        }
        std::string name = CommandName(first);
        bool off = Switch(value) == false;
        modem_.UpdateFaults([&](FaultSettings& f) {
            off ? void(f.ignoredCommands.erase(name)) : void(f.ignoredCommands.insert(name));
        });
        return Reply((off ? "answering " : "no answer to ") + name);
    }
    if (what == "error") {
        if (first.empty()) {
            return Reply("usage: fault error CMD [CODE | cme CODE | off]");
        }
        std::string name = CommandName(first);
        std::string_view valueRest = value;
        std::string kind = Lower(NextWord(&valueRest));
        std::string result;
        if (kind.empty()) {
            result = "ERROR";
        } else if (kind == "off") {
            modem_.UpdateFaults([&name](FaultSettings& f) { f.failingCommands.erase(name); });
            return Reply(name + " works again");
        } else if (kind == "cme") {
            std::optional<long> code = Number(NextWord(&valueRest));
            if (!code) {
                return Reply("usage: fault error CMD cme CODE");
            }
            result = "+CME ERROR: " + std::to_string(*code);
        } else if (std::optional<long> code = Number(kind)) {
            result = "+CMS ERROR: " + std::to_string(*code);
        } else {
            return Reply("usage: fault error CMD [CODE | cme CODE | off]");
        }
        modem_.UpdateFaults([&](FaultSettings& f) { f.failingCommands[name] = result; });
        return Reply(name + " now answers " + result);
    }
    if (what == "delay" || what == "trickle" || what == "stall" || what == "nul" ||
        what == "cpas") {
        std::optional<long> n = Number(first);
        if (!n) {
            return Reply("fault " + what + " takes a number");
        }
        modem_.UpdateFaults([&](FaultSettings& f) {
            if (what == "delay") {
                f.answerDelay = Millis(*n);
            } else if (what == "trickle") {
                f.trickleGap = Millis(*n);
            } else if (what == "stall") {
                f.stallGap = Millis(*n);
            } else if (what == "nul") {
                f.nulBytes = static_cast<int>(*n);
            } else {
                f.activityStatus = static_cast<int>(*n);
            }
        });
        return Reply("fault " + what + " " + std::to_string(*n));
    }
    if (what == "noprompt" || what == "echo" || what == "pin") {
        std::optional<bool> on = Switch(first);
        if (!on) {
            return Reply("fault " + what + " takes on or off");
        }
        modem_.UpdateFaults([&](FaultSettings& f) {
            (what == "noprompt" ? f.withholdPrompt
             : what == "echo"   ? f.forceEcho
                                : f.simNeedsPin) = *on;
        });
        return Reply("fault " + what + (*on ? " on" : " off"));
    }
    if (what == "noise") {
        std::string noise = Unescape(std::string(first) + (value.empty() ? "" : " " + value));
        if (Switch(first) == false && value.empty()) {
            noise.clear();
        }
        modem_.UpdateFaults([&noise](FaultSettings& f) { f.lineNoise = noise; });
        return Reply(noise.empty() ? "no line noise" : "line noise " + Quote(noise));
    }
    return Reply("unknown fault '" + what + "'; type help");
}

std::string Console::DescribeFaults() const {
    FaultSettings f = modem_.Faults();
    std::ostringstream out;
    out << "ignore next: " << f.ignoreNextCommands << "\n";
    out << "ignored commands:";
    for (const std::string& name : f.ignoredCommands) {
        out << " " << name;
    }
    out << "\nfailing commands:";
    for (const auto& [name, result] : f.failingCommands) {
        out << " " << name << "=" << Quote(result);
    }
    out << "\ndelay: " << f.answerDelay.count() << " ms\n";
    out << "trickle: " << f.trickleGap.count() << " ms\n";
    out << "stall: " << f.stallGap.count() << " ms\n";
    out << "noprompt: " << (f.withholdPrompt ? "on" : "off") << "\n";
    out << "echo: " << (f.forceEcho ? "on" : "off") << "\n";
    out << "nul: " << f.nulBytes << "\n";
    out << "noise: " << Quote(f.lineNoise) << "\n";
    out << "pin: " << (f.simNeedsPin ? "on" : "off") << "\n";
    out << "cpas: " << f.activityStatus << "\n";
    out << "hung up: " << (modem_.HungUp() ? "yes" : "no") << "\n";
    return out.str();
}

std::string Console::DescribeOutbox() const {
    std::vector<SentMessage> outbox = modem_.Outbox();
    if (outbox.empty()) {
        return "outbox empty\n";
    }
    std::ostringstream out;
    for (const SentMessage& m : outbox) {
        out << "ref " << m.reference << " to " << m.destination << " ("
            << (m.textMode ? "text" : "PDU") << " mode";
        if (m.messageClass) {
            out << ", class " << *m.messageClass;
        }
        out << "): " << (m.alphabet == Alphabet::EightBit ? "hex " + ToHex(m.text) : Quote(m.text))
            << "\n    PDU " << m.pdu << "\n";
    }
    return out.str();
}

std::string Console::DescribeStorage() const {
    std::vector<StoredMessage> stored = modem_.Storage();
    if (stored.empty()) {
        return "storage empty\n";
    }
    std::ostringstream out;
    for (const StoredMessage& m : stored) {
        out << m.memory << " " << m.index << " " << StatusText(m.status) << " "
            << (m.received ? "from " : "to ") << m.number;
        if (!m.timeStamp.empty()) {
            out << " at " << m.timeStamp;
        }
        out << ": " << Quote(m.text) << "\n";
    }
    return out.str();
}

std::string Console::DescribeStatus() const {
    ModemSettings s = modem_.Settings();
    std::ostringstream out;
    out << "device: " << modem_.DevicePath() << (modem_.HungUp() ? " (hung up)" : "") << "\n";
    out << "SIM: " << s.simState << ", radio " << (s.functionality == 1 ? "on" : "off") << "\n";
    out << "format: " << (s.textMode ? "text" : "PDU") << ", echo " << (s.echo ? "on" : "off")
        << ", long headers " << (s.showTextHeaders ? "on" : "off") << ", character set "
        << s.characterSet << "\n";
    out << "AT+CNMI=" << s.notifyMode << "," << s.notifyDeliver << "," << s.notifyBroadcast << ","
        << s.notifyStatus << "," << s.notifyBuffer << "\n";
    out << "memories: " << s.readMemory << "," << s.writeMemory << "," << s.receiveMemory
        << "; centre " << s.serviceCentre << "\n";
    out << "commands received: " << modem_.CommandLines().size()
        << ", messages sent: " << modem_.Outbox().size() << ", stored: " << modem_.Storage().size()
        << "\n";
    return out.str();
}

}  // namespace vorsa::sim
