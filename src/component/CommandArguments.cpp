#include "component/CommandArguments.h"

#include <algorithm>

namespace vorsa::detail {

namespace {

constexpr char kCtrlZ = 26;
constexpr char kEscape = 27;
constexpr size_t kMaxMemories = 3;
constexpr size_t kMaxMemoryName = 8;

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

bool IsMemoryNameCharacter(char C) {
    return IsDigit(C) || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}

}  // namespace

bool IsDialString(const std::string& Dest) {
    return std::all_of(Dest.begin(), Dest.end(),
                       [](char C) { return IsDigit(C) || C == '+' || C == '*' || C == '#'; });
}

size_t AddressDigits(const std::string& Dest) {
    return Dest.size() - static_cast<size_t>(std::count(Dest.begin(), Dest.end(), '+'));
}

bool IsServiceCentre(const std::string& Centre) {
    return IsDialString(Centre) && AddressDigits(Centre) <= kMaxAddressDigits;
}

bool IsPin(const std::string& Pin) {
    return Pin.size() <= kMaxPinDigits && std::all_of(Pin.begin(), Pin.end(), IsDigit);
}

bool IsMemoryList(const std::string& Storage) {
    if (Storage.empty()) {
        return true;
    }
    size_t At = 0;
    for (size_t Count = 1; Count <= kMaxMemories; ++Count) {
        if (At >= Storage.size() || Storage[At] != '"') {
            return false;
        }
        const size_t NameEnd = Storage.find('"', At + 1);
        if (NameEnd == std::string::npos) {
            return false;
        }
        const size_t Length = NameEnd - At - 1;
        if (Length == 0 || Length > kMaxMemoryName ||
            !std::all_of(Storage.begin() + static_cast<std::ptrdiff_t>(At + 1),
                         Storage.begin() + static_cast<std::ptrdiff_t>(NameEnd),
                         IsMemoryNameCharacter)) {
            return false;
        }
        At = NameEnd + 1;
        if (At == Storage.size()) {
            return true;
        }
        if (Storage[At] != ',') {
            return false;
        }
        ++At;
    }
    return false;
}

bool IsStorageIndex(const std::string& Reference) {
    return !Reference.empty() && std::all_of(Reference.begin(), Reference.end(), IsDigit);
}

bool HoldsMessageTerminator(const std::string& Message) {
    return Message.find_first_of(std::string{kCtrlZ, kEscape}) != std::string::npos;
}

}  // namespace vorsa::detail
