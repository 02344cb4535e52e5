// The two substitutions that stand for the GSM 7-bit default alphabet: every other
// character is taken to have the same code in both.
#include <algorithm>
#include <string>

#include "pdu/PduPrimitives.h"

namespace vorsa::detail {

void replaceChar(std::string& text, char from, char to) noexcept {
    std::replace(text.begin(), text.end(), from, to);
}

void toDefaultAlphabet(std::string& text) noexcept {
    replaceChar(text, '@', '\0');
    replaceChar(text, '$', '\x02');
}

void fromDefaultAlphabet(std::string& text) noexcept {
    replaceChar(text, '\0', '@');
    replaceChar(text, '\x02', '$');
}

}  // namespace vorsa::detail
