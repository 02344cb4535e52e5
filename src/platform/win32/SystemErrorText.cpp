// Texts of GetLastError codes, from the system's message tables.
#include <windows.h>

#include <string>

#include "vorsa/Framework.h"

namespace vorsa {

std::string SysErrorMessage(int32_t Code) {
    char Text[512] = {};
    const DWORD Length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         static_cast<DWORD>(Code), 0, Text, sizeof Text, nullptr);
    std::string Result(Text, Length);
    // The system's texts end with a line break (and often a full stop before it).
    while (!Result.empty() && static_cast<unsigned char>(Result.back()) <= ' ') {
        Result.pop_back();
    }
    return Result.empty() ? "Unknown error " + std::to_string(Code) : Result;
}

}  // namespace vorsa
