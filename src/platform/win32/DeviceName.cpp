#include "platform/win32/DeviceName.h"

#include <cstddef>

namespace vorsa::detail {

namespace {

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

char Upper(char C) {
    return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C;
}

// Whether Name is "COM" and a number of two digits or more without a leading zero.
bool IsHighComPort(const std::string& Name) {
    constexpr size_t kPrefix = 3;
    if (Name.size() < kPrefix + 2 || Upper(Name[0]) != 'C' || Upper(Name[1]) != 'O' ||
        Upper(Name[2]) != 'M' || Name[kPrefix] == '0') {
        return false;
    }
    for (size_t I = kPrefix; I < Name.size(); ++I) {
        if (!IsDigit(Name[I])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string Win32DeviceName(const std::string& Name) {
    return IsHighComPort(Name) ? "\\\\.\\" + Name : Name;
}

}  // namespace vorsa::detail
