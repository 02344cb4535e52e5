// User data packing and unpacking by shifting: the same results as the bit-text
// definition, at a small fraction of its cost.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "pdu/GsmAlphabet.h"
#include "pdu/PduPrimitives.h"

namespace vorsa::detail {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max();

inline void writeHexOctet(char* out, unsigned octet) noexcept {
    out[0] = kHexDigits[(octet >> 4) & 0x0F];
    out[1] = kHexDigits[octet & 0x0F];
}

// The octet at index `i` of hexadecimal user data; the caller keeps `i` within the whole
// octets of the text.
inline unsigned octetAt(std::string_view hex, std::size_t i) noexcept {
    return hexPairValue(hex[2 * i], hex[2 * i + 1]);
}

// How many of `count` items from `first` lie below `available`.
inline std::size_t itemsWithin(std::size_t available, std::size_t first,
                               std::size_t count) noexcept {
    return first >= available ? 0 : std::min(count, available - first);
}

}  // namespace

void appendPackedSeptets(std::string& out, std::string_view septets, unsigned fillBits) {
    const std::size_t octets = (septets.size() * 7 + fillBits + 7) / 8;
    const std::size_t start = out.size();
    out.resize(start + 2 * octets);
    char* write = out.data() + start;
    uint64_t pending = 0;
    unsigned pendingBits = fillBits;
    std::size_t i = 0;
    // Eight septets at a time fill seven octets (56 bits); fewer than eight bits are
    // pending before and after each step.
    for (; i + 8 <= septets.size(); i += 8) {
        uint64_t block = 0;
        for (std::size_t k = 0; k < 8; ++k) {
            block |= static_cast<uint64_t>(septets[i + k] & 0x7F) << (7 * k);
        }
        pending |= block << pendingBits;
        for (int k = 0; k < 7; ++k) {
            writeHexOctet(write, static_cast<unsigned>(pending & 0xFF));
            write += 2;
            pending >>= 8;
        }
        // At most 7 + 56 bits were pending, so nothing fell off the word; the top
        // `pendingBits` of them stay pending.
    }
    for (; i < septets.size(); ++i) {
        pending |= static_cast<uint64_t>(septets[i] & 0x7F) << pendingBits;
        pendingBits += 7;
        if (pendingBits >= 8) {
            writeHexOctet(write, static_cast<unsigned>(pending & 0xFF));
            write += 2;
            pending >>= 8;
            pendingBits -= 8;
        }
    }
    if (pendingBits > 0) {
        writeHexOctet(write, static_cast<unsigned>(pending & 0xFF));
    }
}

std::string packSeptets(std::string_view septets) {
    std::string hex;
    appendPackedSeptets(hex, septets);
    return hex;
}

void appendSeptetCodes(std::string& out, std::string_view userData, std::size_t first,
                       std::size_t count) {
    const std::size_t octets = userData.size() / 2;
    const std::size_t septets = itemsWithin(octets / 7 * 8 + (octets % 7) * 8 / 7, first, count);
    if (septets == 0) {
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + septets);
    char* write = out.data() + start;

    const std::size_t firstBit = first * 7;
    std::size_t nextOctet = firstBit / 8;
    const unsigned skip = firstBit % 8;
    uint32_t pending = octetAt(userData, nextOctet++) >> skip;
    unsigned pendingBits = 8 - skip;
    for (std::size_t i = 0; i < septets; ++i) {
        // Every septet counted above ends within the whole octets, so the octet it needs
        // is always there.
        if (pendingBits < 7) {
            pending |= octetAt(userData, nextOctet++) << pendingBits;
            pendingBits += 8;
        }
        write[i] = static_cast<char>(pending & 0x7F);
        pending >>= 7;
        pendingBits -= 7;
    }
}

std::string unpackSeptets(std::string_view userData) {
    std::string septets;
    appendSeptetCodes(septets, userData, 0, kAll);
    return septets;
}

void appendOctets(std::string& out, std::string_view userData, std::size_t first,
                  std::size_t count) {
    const std::size_t octets = itemsWithin(userData.size() / 2, first, count);
    const std::size_t start = out.size();
    out.resize(start + octets);
    char* write = out.data() + start;
    for (std::size_t i = 0; i < octets; ++i) {
        write[i] = static_cast<char>(octetAt(userData, first + i));
    }
}

void appendUtf16Hex(std::string& out, std::u16string_view units) {
    const std::size_t start = out.size();
    out.resize(start + 4 * units.size());
    char* write = out.data() + start;
    for (const char16_t unit : units) {
        writeHexOctet(write, unit >> 8);
        writeHexOctet(write + 2, unit & 0xFF);
        write += 4;
    }
}

std::string textToUserData(std::string_view text, uint8_t eightBit) {
    if (eightBit != 0) {
        std::string octets(text);
        toDefaultAlphabet(octets);
        return stringToHex(octets);
    }
    std::string septets;
    septets.reserve(text.size());
    appendGsmSeptetsReplacing(septets, text, '?');
    return packSeptets(septets);
}

std::string userDataToText(std::string_view userData, uint8_t dataCoding) {
    std::string text;
    if (dataCoding == kEightBitDataCoding) {
        appendOctets(text, userData, 0, kAll);
        fromDefaultAlphabet(text);
    } else {
        appendGsmText(text, unpackSeptets(userData));
    }
    return text;
}

}  // namespace vorsa::detail
