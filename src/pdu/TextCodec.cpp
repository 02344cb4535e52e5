// UTF-8 in and out, ISO 8859-1 for the bytes that are not UTF-8, and UTF-16 for UCS2.
#include "pdu/TextCodec.h"

#include <string>
#include <string_view>

namespace vorsa::detail {
namespace {

constexpr bool isContinuation(unsigned char byte) noexcept {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

char32_t nextCharacter(std::string_view text, std::size_t& position) noexcept {
    const std::size_t start = position;
    const auto lead = static_cast<unsigned char>(text[start]);
    const std::size_t left = text.size() - start;
    auto at = [text, start](std::size_t i) { return static_cast<unsigned char>(text[start + i]); };
    if (lead < 0x80) {
        ++position;
        return lead;
    }
    // The ranges of the second byte exclude overlong forms, surrogates and values above
    // U+10FFFF, so that every sequence accepted here is the one way to write its character.
    if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && isContinuation(at(1))) {
        position += 2;
        return static_cast<char32_t>((lead & 0x1F) << 6 | (at(1) & 0x3F));
    }
    if (lead >= 0xE0 && lead <= 0xEF && left >= 3 && isContinuation(at(1)) &&
        isContinuation(at(2)) && !(lead == 0xE0 && at(1) < 0xA0) &&
        !(lead == 0xED && at(1) >= 0xA0)) {
        position += 3;
        return static_cast<char32_t>((lead & 0x0F) << 12 | (at(1) & 0x3F) << 6 | (at(2) & 0x3F));
    }
    if (lead >= 0xF0 && lead <= 0xF4 && left >= 4 && isContinuation(at(1)) &&
        isContinuation(at(2)) && isContinuation(at(3)) && !(lead == 0xF0 && at(1) < 0x90) &&
        !(lead == 0xF4 && at(1) >= 0x90)) {
        position += 4;
        return static_cast<char32_t>((lead & 0x07) << 18 | (at(1) & 0x3F) << 12 |
                                     (at(2) & 0x3F) << 6 | (at(3) & 0x3F));
    }
    ++position;
    return lead;  // ISO 8859-1
}

void writeUtf8(char*& out, char32_t codePoint) noexcept {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        codePoint = kReplacementCharacter;
    }
    if (codePoint < 0x80) {
        *out++ = static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

void appendUtf8(std::string& out, char32_t codePoint) {
    char bytes[4];
    char* end = bytes;
    writeUtf8(end, codePoint);
    out.append(bytes, static_cast<std::size_t>(end - bytes));
}

void appendUtf16(std::u16string& out, std::string_view text) {
    std::size_t position = 0;
    while (position < text.size()) {
        const char32_t character = nextCharacter(text, position);
        if (character >= 0x10000) {
            const char32_t offset = character - 0x10000;
            out += static_cast<char16_t>(0xD800 + (offset >> 10));
            out += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
        } else {
            out += static_cast<char16_t>(character);
        }
    }
}

}  // namespace vorsa::detail
