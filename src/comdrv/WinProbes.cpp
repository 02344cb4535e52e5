#include "comdrv/WinProbes.h"

#include "vorsa/ComDrv.h"

namespace vorsa {

namespace detail {

namespace {
bool QueryVersion(SerialPort& Platform, OSVERSIONINFOA& Info) {
    Info = OSVERSIONINFOA{};
    Info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    return Platform.GetVersionEx(Info);
}
}  // namespace

std::string WinPlatform(SerialPort& Platform) {
    OSVERSIONINFOA Info;
    if (!QueryVersion(Platform, Info)) {
        return "??";
    }
    switch (Info.dwPlatformId) {
        case kPlatformWin32s:
            return "W32S";
        case kPlatformWin32Windows:
            return "W95";
        case kPlatformWin32Nt:
            return "WNT";
        default:
            return "";
    }
}

uint32_t WinVersion(SerialPort& Platform) {
    OSVERSIONINFOA Info;
    if (!QueryVersion(Platform, Info)) {
        return 0;
    }
    return ((Info.dwMajorVersion & 0xFFFFu) << 16) | (Info.dwMinorVersion & 0xFFFFu);
}

}  // namespace detail

std::string GetWinPlatform() {
    return detail::WinPlatform(*detail::MakePlatformSerialPort());
}

uint32_t GetWinVersion() {
    return detail::WinVersion(*detail::MakePlatformSerialPort());
}

}  // namespace vorsa
