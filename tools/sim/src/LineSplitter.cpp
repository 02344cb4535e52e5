#include "vorsa/sim/LineSplitter.h"

namespace vorsa::sim {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A status report in text mode is one line: "+CDS: <fo>,<mr>,...", and "+CMGR:" or
// "+CMGL: <index>," with the quoted status followed by the first octet (a number) where a
// message has its quoted number.
bool IsOneLineStatusReport(std::string_view line) {
    if (StartsWith(line, "+CDS:")) {
        return line.find(',') != std::string_view::npos;
    }
    std::string_view rest = line.substr(line.find(':') + 1);
    if (StartsWith(line, "+CMGL:")) {
        size_t comma = rest.find(',');
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    while (!rest.empty() && rest.front() == ' ') {
        rest.remove_prefix(1);
    }
    if (!StartsWith(rest, "\"")) {
        return false;
    }
    size_t close = rest.find('"', 1);
    return close != std::string_view::npos && close + 2 < rest.size() && rest[close + 1] == ',' &&
           rest[close + 2] >= '0' && rest[close + 2] <= '9';
}

// Headers whose next line is the message.
bool HasPayload(std::string_view line) {
    for (std::string_view header : {"+CMGR:", "+CMGL:", "+CMT:", "+CBM:", "+CDS:"}) {
        if (StartsWith(line, header)) {
            return !IsOneLineStatusReport(line);
        }
    }
    return false;
}

}  // namespace

ModemLine::Kind LineSplitter::Classify(std::string_view line) {
    for (std::string_view final :
         {"OK", "ERROR", "NO CARRIER", "BUSY", "NO ANSWER", "NO DIALTONE"}) {
        if (line == final) {
            return ModemLine::Kind::FinalResult;
        }
    }
    if (StartsWith(line, "+CMS ERROR:") || StartsWith(line, "+CME ERROR:")) {
        return ModemLine::Kind::FinalResult;
    }
    for (std::string_view report : {"+CMTI:", "+CMT:", "+CBMI:", "+CBM:", "+CDSI:", "+CDS:"}) {
        if (StartsWith(line, report)) {
            return ModemLine::Kind::Report;
        }
    }
    if (line == "RING") {
        return ModemLine::Kind::Report;
    }
    return ModemLine::Kind::Information;
}

std::vector<ModemLine> LineSplitter::Feed(std::string_view bytes) {
    std::vector<ModemLine> lines;
    for (char c : bytes) {
        if (c == '\0') {
            continue;
        }
        if (c != '\n') {
            buffer_ += c;
            if (!expectPayload_ && buffer_ == "> ") {
                lines.push_back({ModemLine::Kind::Prompt, "> "});
                buffer_.clear();
            } else if (!expectPayload_ && buffer_ == "\r") {
                buffer_.clear();  // a CR before the line: only its LF matters
            }
            continue;
        }
        std::string line;
        line.swap(buffer_);
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        while (!line.empty() && line.front() == '\r') {
            line.erase(line.begin());
        }
        if (expectPayload_) {
            expectPayload_ = false;
            lines.push_back({ModemLine::Kind::Payload, line});
            continue;
        }
        if (line.empty()) {
            continue;
        }
        ModemLine::Kind kind = Classify(line);
        expectPayload_ = HasPayload(line);
        lines.push_back({kind, line});
    }
    return lines;
}

void LineSplitter::Reset() {
    buffer_.clear();
    expectPayload_ = false;
}

}  // namespace vorsa::sim
