// The number rule and the field writers of SMS-SUBMIT.
#include "pdu/SubmitFields.h"

#include <string>
#include <string_view>

#include "pdu/PduPrimitives.h"

namespace vorsa::detail {

SplitNumber splitNumber(std::string_view number) noexcept {
    if (number.substr(0, 1) == "+") {
        return {number.substr(1), kInternationalNumber};
    }
    if (number.substr(0, 2) == "00") {
        return {number.substr(2), kInternationalNumber};
    }
    return {number, kUnknownNumber};
}

void appendHexNumber(std::string& out, std::size_t value) {
    char digits[2 * sizeof value];
    std::size_t count = 0;
    do {
        digits[count++] = nibbleToHex(static_cast<int>(value & 0x0F));
        value >>= 4;
    } while (value != 0);
    if (count < 2) {
        digits[count++] = '0';
    }
    while (count > 0) {
        out.push_back(digits[--count]);
    }
}

void appendSemiOctets(std::string& out, std::string_view digits) {
    std::size_t i = 0;
    for (; i + 1 < digits.size(); i += 2) {
        out.push_back(digits[i + 1]);
        out.push_back(digits[i]);
    }
    if (i < digits.size()) {
        out.push_back('F');
        out.push_back(digits[i]);
    }
}

}  // namespace vorsa::detail
