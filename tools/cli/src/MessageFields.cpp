#include "vorsa/cli/MessageFields.h"

#include <string_view>
#include <vector>

namespace vorsa::cli {

namespace {

// The time stamp that the PDU decoder writes: "yy/MM/dd,hh:mm:ss+zz", always 20 characters.
constexpr size_t kDecodedTimeLength = 20;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// True when `text` is exactly `pattern`, where 'd' stands for any digit.
bool Matches(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (pattern[i] == 'd' ? !IsDigit(text[i]) : text[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

bool IsDate(std::string_view field) {
    return Matches(field, "dd/dd/dd");
}

// "hh:mm:ss" and a zone of a sign and one to three digits (modems differ in the digits).
bool IsTimeOfDay(std::string_view field) {
    if (field.size() < 10 || field.size() > 12 || !Matches(field.substr(0, 8), "dd:dd:dd")) {
        return false;
    }
    if (field[8] != '+' && field[8] != '-') {
        return false;
    }
    for (size_t i = 9; i < field.size(); ++i) {
        if (!IsDigit(field[i])) {
            return false;
        }
    }
    return true;
}

bool IsDecodedTime(std::string_view text) {
    return text.size() == kDecodedTimeLength && IsDate(text.substr(0, 8)) && text[8] == ',' &&
           IsTimeOfDay(text.substr(9));
}

std::vector<std::string> SplitFields(const std::string& header) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = header.find(',', start);
        fields.push_back(header.substr(start, comma - start));
        if (comma == std::string::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

std::string Join(const std::vector<std::string>& fields, size_t first, size_t end) {
    std::string joined;
    for (size_t i = first; i < end; ++i) {
        if (i > first) {
            joined += ',';
        }
        joined += fields[i];
    }
    return joined;
}

// A text-mode header: [status,] number [,name...] [,date,time]. The time stamp is the last
// two fields when they look like one; a name is whatever stands between number and time.
MessageFields ParseTextHeader(const std::string& header, bool withStatus) {
    MessageFields fields;
    fields.header = header;
    if (header.empty()) {
        return fields;
    }
    const std::vector<std::string> parts = SplitFields(header);
    size_t end = parts.size();
    if (end >= 2 && IsDate(parts[end - 2]) && IsTimeOfDay(parts[end - 1])) {
        fields.time = parts[end - 2] + "," + parts[end - 1];
        end -= 2;
    }
    size_t next = 0;
    if (withStatus && next < end) {
        fields.status = parts[next++];
    }
    if (next < end) {
        fields.from = parts[next++];
    }
    fields.name = Join(parts, next, end);
    return fields;
}

// The text-mode header of a message with an empty text still has its quotes and its ",,".
std::string Unquoted(std::string line) {
    std::string out;
    for (char c : line) {
        if (c != '"') {
            out += c;
        }
    }
    const size_t doubled = out.find(",,");
    if (doubled != std::string::npos) {
        out.erase(doubled, 1);
    }
    return out;
}

}  // namespace

MessageFields ParseReadResult(const std::string& result, bool textMode) {
    if (textMode) {
        const size_t lineEnd = result.find("\r\n");
        if (lineEnd == std::string::npos) {
            // An empty text: the component hands over the raw header line.
            return ParseTextHeader(Unquoted(result), true);
        }
        MessageFields fields = ParseTextHeader(result.substr(0, lineEnd), true);
        fields.text = result.substr(lineEnd + 2);
        return fields;
    }
    // "REC UNREAD,+40700000001,24/05/01,10:20:30+08Hello": the time stamp has a fixed
    // length, so the first one after the status ends the header, whatever the sender is.
    MessageFields fields;
    const size_t statusEnd = result.find(',');
    if (statusEnd == std::string::npos) {
        fields.text = result;
        return fields;
    }
    for (size_t at = result.find(',', statusEnd + 1); at != std::string::npos;
         at = result.find(',', at + 1)) {
        const std::string_view rest = std::string_view(result).substr(at + 1);
        if (rest.size() >= kDecodedTimeLength &&
            IsDecodedTime(rest.substr(0, kDecodedTimeLength))) {
            fields.status = result.substr(0, statusEnd);
            fields.from = result.substr(statusEnd + 1, at - statusEnd - 1);
            fields.time = std::string(rest.substr(0, kDecodedTimeLength));
            fields.header = result.substr(0, at + 1 + kDecodedTimeLength);
            fields.text = std::string(rest.substr(kDecodedTimeLength));
            return fields;
        }
    }
    fields.text = result;
    return fields;
}

MessageFields ParseReceivedMessage(const std::string& header, const std::string& body,
                                   bool textMode) {
    MessageFields fields;
    if (textMode) {
        fields = ParseTextHeader(header, false);
    } else {
        // "<sender>,yy/MM/dd,hh:mm:ss+zz": the sender may be a name holding commas.
        fields.header = header;
        const size_t n = header.size();
        if (n > kDecodedTimeLength && header[n - kDecodedTimeLength - 1] == ',' &&
            IsDecodedTime(std::string_view(header).substr(n - kDecodedTimeLength))) {
            fields.from = header.substr(0, n - kDecodedTimeLength - 1);
            fields.time = header.substr(n - kDecodedTimeLength);
        } else {
            fields.from = header;
        }
    }
    fields.text = body;
    return fields;
}

}  // namespace vorsa::cli
