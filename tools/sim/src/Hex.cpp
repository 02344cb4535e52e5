#include "vorsa/sim/Hex.h"

namespace vorsa::sim {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

std::string ToHex(const Octets& octets) {
    std::string hex;
    hex.reserve(octets.size() * 2);
    for (uint8_t octet : octets) {
        hex += kDigits[octet >> 4];
        hex += kDigits[octet & 0x0F];
    }
    return hex;
}

std::string ToHex(std::string_view bytes) {
    return ToHex(Octets(bytes.begin(), bytes.end()));
}

std::optional<Octets> FromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    Octets octets;
    octets.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int high = DigitValue(hex[i]);
        int low = DigitValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        octets.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return octets;
}

}  // namespace vorsa::sim
