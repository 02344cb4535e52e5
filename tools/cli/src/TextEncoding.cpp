#include "vorsa/cli/TextEncoding.h"

namespace vorsa::cli {

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The code point of a well-formed sequence of `length` bytes.
char32_t Decode(std::string_view bytes, size_t length) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (length == 1) {
        return lead;
    }
    char32_t value = lead & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) {
        value = (value << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    }
    return value;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

size_t Utf8SequenceLength(std::string_view bytes) {
    if (bytes.empty()) {
        return 0;
    }
    const auto lead = static_cast<unsigned char>(bytes[0]);
    size_t length = 0;
    char32_t lowest = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;  // a continuation byte, C0/C1 (always overlong), or F5 and above
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(bytes[i]))) {
            return 0;
        }
    }
    const char32_t cp = Decode(bytes, length);
    if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return length;
}

bool IsUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const size_t length = Utf8SequenceLength(bytes);
        if (length == 0) {
            return false;
        }
        bytes.remove_prefix(length);
    }
    return true;
}

std::string DisplayText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        if (bytes.size() >= 2 && bytes[0] == '\r' && bytes[1] == '\n') {
            out += '\n';
            bytes.remove_prefix(2);
            continue;
        }
        const size_t length = Utf8SequenceLength(bytes);
        if (length == 0) {
            AppendUtf8(out, static_cast<unsigned char>(bytes[0]));
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
        }
    }
    return out;
}

SingleByteText ToSingleByte(std::string_view text) {
    if (!IsUtf8(text)) {
        return {std::string(text), 0};
    }
    SingleByteText result;
    while (!text.empty()) {
        const size_t length = Utf8SequenceLength(text);
        const char32_t cp = Decode(text, length);
        if (cp > 0xFF) {
            return {"", cp};
        }
        result.bytes += static_cast<char>(cp);
        text.remove_prefix(length);
    }
    return result;
}

}  // namespace vorsa::cli
