#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

}  // namespace

std::u32string DecodeUtf8(std::string_view utf8) {
    std::u32string text;
    size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
            minimum = 0x10000;
        } else {
            text += kReplacementCharacter;
            ++i;
            continue;
        }
        bool valid = i + static_cast<size_t>(extra) < utf8.size();
        for (int k = 1; valid && k <= extra; ++k) {
            auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
            } else {
                cp = cp << 6 | (next & 0x3F);
            }
        }
        if (!valid || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            text += kReplacementCharacter;
            ++i;
            continue;
        }
        text += cp;
        i += static_cast<size_t>(extra) + 1;
    }
    return text;
}

std::string EncodeUtf8(std::u32string_view text) {
    std::string utf8;
    for (char32_t cp : text) {
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            cp = kReplacementCharacter;
        }
        if (cp < 0x80) {
            utf8 += static_cast<char>(cp);
        } else if (cp < 0x800) {
            utf8 += static_cast<char>(0xC0 | cp >> 6);
            utf8 += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            utf8 += static_cast<char>(0xE0 | cp >> 12);
            utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | cp >> 18);
            utf8 += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return utf8;
}

std::u32string DecodeLatin1(std::string_view bytes) {
    std::u32string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        text += static_cast<char32_t>(static_cast<unsigned char>(c));
    }
    return text;
}

std::string EncodeLatin1(std::u32string_view text, char replacement) {
    std::string bytes;
    bytes.reserve(text.size());
    for (char32_t cp : text) {
        bytes += cp <= 0xFF ? static_cast<char>(cp) : replacement;
    }
    return bytes;
}

std::optional<std::u32string> DecodeUcs2(const Octets& octets) {
    if (octets.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u32string text;
    for (size_t i = 0; i < octets.size(); i += 2) {
        char32_t unit = static_cast<char32_t>(octets[i] << 8 | octets[i + 1]);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < octets.size()) {
            char32_t low = static_cast<char32_t>(octets[i + 2] << 8 | octets[i + 3]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                text += 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
                continue;
            }
        }
        text += (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacementCharacter : unit;
    }
    return text;
}

Octets EncodeUcs2(std::u32string_view text) {
    Octets octets;
    auto put = [&octets](char32_t unit) {
        octets.push_back(static_cast<uint8_t>(unit >> 8));
        octets.push_back(static_cast<uint8_t>(unit & 0xFF));
    };
    for (char32_t cp : text) {
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp > 0x10FFFF ? kReplacementCharacter : cp);
        }
    }
    return octets;
}

}  // namespace vorsa::sim
