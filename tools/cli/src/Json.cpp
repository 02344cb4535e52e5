#include "vorsa/cli/Json.h"

#include "vorsa/cli/TextEncoding.h"

namespace vorsa::cli {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendUnicodeEscape(std::string& out, unsigned value) {
    out += "\\u00";
    out += kHex[(value >> 4) & 0xF];
    out += kHex[value & 0xF];
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view bytes) {
    out += '"';
    while (!bytes.empty()) {
        const auto byte = static_cast<unsigned char>(bytes[0]);
        const size_t length = Utf8SequenceLength(bytes);
        if (length > 1) {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
            continue;
        }
        bytes.remove_prefix(1);
        if (length == 0) {
            AppendUnicodeEscape(out, byte);  // not UTF-8: the ISO 8859-1 character
            continue;
        }
        switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    AppendUnicodeEscape(out, byte);
                } else {
                    out += static_cast<char>(byte);
                }
        }
    }
    out += '"';
}

std::string JsonString(std::string_view bytes) {
    std::string out;
    AppendJsonString(out, bytes);
    return out;
}

void JsonObject::Key(std::string_view key) {
    if (body_.size() > 1) {
        body_ += ',';
    }
    AppendJsonString(body_, key);
    body_ += ':';
}

JsonObject& JsonObject::Str(std::string_view key, std::string_view value) {
    Key(key);
    AppendJsonString(body_, value);
    return *this;
}

JsonObject& JsonObject::Int(std::string_view key, int64_t value) {
    Key(key);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Bool(std::string_view key, bool value) {
    Key(key);
    body_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::Ints(std::string_view key, const std::vector<int64_t>& values) {
    Key(key);
    body_ += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            body_ += ',';
        }
        body_ += std::to_string(values[i]);
    }
    body_ += ']';
    return *this;
}

JsonObject& JsonObject::Null(std::string_view key) {
    Key(key);
    body_ += "null";
    return *this;
}

}  // namespace vorsa::cli
