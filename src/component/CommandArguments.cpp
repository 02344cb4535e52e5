#include "component/CommandArguments.h"

#include <algorithm>

namespace vorsa::detail {

namespace {

constexpr char kCtrlZ = 26;
constexpr char kEscape = 27;

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

}  // namespace

bool IsDialString(const std::string& Dest) {
    return std::all_of(Dest.begin(), Dest.end(),
                       [](char C) { return IsDigit(C) || C == '+' || C == '*' || C == '#'; });
}

bool IsStorageIndex(const std::string& Reference) {
    return !Reference.empty() && std::all_of(Reference.begin(), Reference.end(), IsDigit);
}

bool HoldsMessageTerminator(const std::string& Message) {
    return Message.find_first_of(std::string{kCtrlZ, kEscape}) != std::string::npos;
}

}  // namespace vorsa::detail
