#include "platform/posix/DeviceName.h"

#include <cstddef>

namespace vorsa::detail {

namespace {
bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}
char Upper(char C) {
    return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C;
}
}  // namespace

std::string PosixDeviceName(const std::string& Name) {
    constexpr size_t MaxDigits = 9;  // keeps the number within 32 bits
    if (Name.size() < 4 || Name.size() > 3 + MaxDigits || Upper(Name[0]) != 'C' ||
        Upper(Name[1]) != 'O' || Upper(Name[2]) != 'M' || Name[3] == '0') {
        return Name;
    }
    unsigned long Number = 0;
    for (size_t I = 3; I < Name.size(); ++I) {
        if (!IsDigit(Name[I])) {
            return Name;
        }
        Number = Number * 10 + static_cast<unsigned long>(Name[I] - '0');
    }
    return "/dev/ttyS" + std::to_string(Number - 1);
}

}  // namespace vorsa::detail
