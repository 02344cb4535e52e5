#include "platform/win32/Win32SerialPort.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/win32/DeviceName.h"

namespace vorsa::detail {

// The records cross to the system byte for byte.
static_assert(sizeof(DCB) == sizeof(::DCB) &&
                  offsetof(DCB, BaudRate) == offsetof(::DCB, BaudRate) &&
                  offsetof(DCB, wReserved) == offsetof(::DCB, wReserved) &&
                  offsetof(DCB, XonLim) == offsetof(::DCB, XonLim) &&
                  offsetof(DCB, ByteSize) == offsetof(::DCB, ByteSize) &&
                  offsetof(DCB, XonChar) == offsetof(::DCB, XonChar) &&
                  offsetof(DCB, EvtChar) == offsetof(::DCB, EvtChar) &&
                  offsetof(DCB, wReserved1) == offsetof(::DCB, wReserved1),
              "DCB has the system's layout");
static_assert(sizeof(COMMTIMEOUTS) == sizeof(::COMMTIMEOUTS), "COMMTIMEOUTS as the system's");
static_assert(sizeof(COMSTAT) == sizeof(::COMSTAT) &&
                  offsetof(COMSTAT, cbInQue) == offsetof(::COMSTAT, cbInQue) &&
                  offsetof(COMSTAT, cbOutQue) == offsetof(::COMSTAT, cbOutQue),
              "COMSTAT has the system's layout");
static_assert(sizeof(OSVERSIONINFOA) == sizeof(::OSVERSIONINFOA), "the version record");
static_assert(kPlatformWin32s == VER_PLATFORM_WIN32s &&
                  kPlatformWin32Windows == VER_PLATFORM_WIN32_WINDOWS &&
                  kPlatformWin32Nt == VER_PLATFORM_WIN32_NT,
              "the platform identifiers are the system's");
// INVALID_HANDLE_VALUE is the handle of value -1, which is InvalidHandle.
static_assert(sizeof(HANDLE) == sizeof(THandle), "a handle's value fits THandle");

namespace {

// How long WaitReadable sleeps between two looks at the input queue.
constexpr DWORD kReadablePollMs = 1;

HANDLE SystemHandle(THandle Handle) {
    return reinterpret_cast<HANDLE>(Handle);
}

using RtlGetVersionFunction = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);

// RtlGetVersion of ntdll, which every NT system has.
RtlGetVersionFunction FindRtlGetVersion() {
    const HMODULE Ntdll = ::GetModuleHandleA("ntdll.dll");
    if (Ntdll == nullptr) {
        return nullptr;
    }
    // Through void(*)(), the function type that converts to any other without a warning.
    return reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(Ntdll, "RtlGetVersion")));
}

}  // namespace

Win32SerialPort::~Win32SerialPort() {
    for (const THandle Handle : FOpen) {
        ::CloseHandle(SystemHandle(Handle));
    }
}

bool Win32SerialPort::FailWithLastError() {
    FLastError = static_cast<int32_t>(::GetLastError());
    return false;
}

bool Win32SerialPort::Check(BOOL Succeeded) {
    return Succeeded != FALSE ? true : FailWithLastError();
}

HANDLE Win32SerialPort::Find(THandle Handle) {
    if (FOpen.count(Handle) == 0) {
        FLastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return SystemHandle(Handle);
}

intptr_t Win32SerialPort::InputObject(THandle Handle) const {
    return FOpen.count(Handle) != 0 ? reinterpret_cast<intptr_t>(SystemHandle(Handle)) : -1;
}

THandle Win32SerialPort::Open(const std::string& Name) {
    const HANDLE Opened = ::CreateFileA(Win32DeviceName(Name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Opened == INVALID_HANDLE_VALUE) {
        FailWithLastError();
        return InvalidHandle;
    }
    const auto Handle = reinterpret_cast<THandle>(Opened);
    FOpen.insert(Handle);
    return Handle;
}

bool Win32SerialPort::GetCommState(THandle Handle, DCB& State) {
    const HANDLE Device = Find(Handle);
    if (Device == nullptr) {
        return false;
    }
    ::DCB System{};
    System.DCBlength = sizeof System;
    if (!Check(::GetCommState(Device, &System))) {
        return false;
    }
    std::memcpy(static_cast<void*>(&State), &System, sizeof State);
    return true;
}

bool Win32SerialPort::SetCommState(THandle Handle, const DCB& State) {
    const HANDLE Device = Find(Handle);
    if (Device == nullptr) {
        return false;
    }
    ::DCB System{};
    std::memcpy(&System, &State, sizeof System);
    return Check(::SetCommState(Device, &System));
}

bool Win32SerialPort::SetupComm(THandle Handle, uint32_t InQueue, uint32_t OutQueue) {
    const HANDLE Device = Find(Handle);
    return Device != nullptr && Check(::SetupComm(Device, InQueue, OutQueue));
}

bool Win32SerialPort::SetCommTimeouts(THandle Handle, const COMMTIMEOUTS& Timeouts) {
    const HANDLE Device = Find(Handle);
    if (Device == nullptr) {
        return false;
    }
    ::COMMTIMEOUTS System{};
    System.ReadIntervalTimeout = Timeouts.ReadIntervalTimeout;
    System.ReadTotalTimeoutMultiplier = Timeouts.ReadTotalTimeoutMultiplier;
    System.ReadTotalTimeoutConstant = Timeouts.ReadTotalTimeoutConstant;
    System.WriteTotalTimeoutMultiplier = Timeouts.WriteTotalTimeoutMultiplier;
    System.WriteTotalTimeoutConstant = Timeouts.WriteTotalTimeoutConstant;
    return Check(::SetCommTimeouts(Device, &System));
}

bool Win32SerialPort::PurgeComm(THandle Handle, uint32_t Flags) {
    const HANDLE Device = Find(Handle);
    return Device != nullptr && Check(::PurgeComm(Device, Flags));
}

bool Win32SerialPort::ReadFile(THandle Handle, char* Buffer, uint32_t Count, uint32_t& Read) {
    Read = 0;
    const HANDLE Device = Find(Handle);
    if (Device == nullptr) {
        return false;
    }
    DWORD Done = 0;
    const BOOL Succeeded = ::ReadFile(Device, Buffer, Count, &Done, nullptr);
    Read = Done;
    return Check(Succeeded);
}

bool Win32SerialPort::WriteFile(THandle Handle, const char* Buffer, uint32_t Count,
                                uint32_t& Written) {
    Written = 0;
    const HANDLE Device = Find(Handle);
    if (Device == nullptr) {
        return false;
    }
    // A write that its time-out cuts short succeeds with fewer bytes written.
    DWORD Done = 0;
    const BOOL Succeeded = ::WriteFile(Device, Buffer, Count, &Done, nullptr);
    Written = Done;
    return Check(Succeeded);
}

bool Win32SerialPort::ClearCommError(THandle Handle, uint32_t& Errors, COMSTAT& Status) {
    const HANDLE Device = Find(Handle);
    if (Device == nullptr) {
        return false;
    }
    DWORD LineErrors = 0;
    ::COMSTAT System{};
    if (!Check(::ClearCommError(Device, &LineErrors, &System))) {
        return false;
    }
    Errors = LineErrors;
    std::memcpy(static_cast<void*>(&Status), &System, sizeof Status);
    return true;
}

bool Win32SerialPort::GetCommMask(THandle Handle, uint32_t& Mask) {
    const HANDLE Device = Find(Handle);
    if (Device == nullptr) {
        return false;
    }
    DWORD System = 0;
    if (!Check(::GetCommMask(Device, &System))) {
        return false;
    }
    Mask = System;
    return true;
}

bool Win32SerialPort::SetCommMask(THandle Handle, uint32_t Mask) {
    const HANDLE Device = Find(Handle);
    return Device != nullptr && Check(::SetCommMask(Device, Mask));
}

bool Win32SerialPort::EscapeCommFunction(THandle Handle, uint32_t Function) {
    const HANDLE Device = Find(Handle);
    return Device != nullptr && Check(::EscapeCommFunction(Device, Function));
}

bool Win32SerialPort::CloseHandle(THandle Handle) {
    const HANDLE Device = Find(Handle);
    if (Device == nullptr) {
        return false;
    }
    // The handle is gone whatever CloseHandle reports.
    FOpen.erase(Handle);
    return Check(::CloseHandle(Device));
}

int32_t Win32SerialPort::TimedOutError() const {
    return ERROR_TIMEOUT;
}

bool Win32SerialPort::GetVersionEx(OSVERSIONINFOA& Info) {
    if (Info.dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        FLastError = ERROR_INSUFFICIENT_BUFFER;
        return false;
    }
    const RtlGetVersionFunction RtlGetVersion = FindRtlGetVersion();
    if (RtlGetVersion == nullptr) {
        return FailWithLastError();
    }
    RTL_OSVERSIONINFOW System{};
    System.dwOSVersionInfoSize = sizeof System;
    if (RtlGetVersion(&System) != 0) {
        FLastError = ERROR_NOT_SUPPORTED;
        return false;
    }
    Info.dwMajorVersion = System.dwMajorVersion;
    Info.dwMinorVersion = System.dwMinorVersion;
    Info.dwBuildNumber = System.dwBuildNumber;
    Info.dwPlatformId = System.dwPlatformId;
    // The service pack name is plain ASCII ("Service Pack 1").
    const size_t Last = sizeof Info.szCSDVersion - 1;
    size_t I = 0;
    for (; I < Last && System.szCSDVersion[I] != 0; ++I) {
        const wchar_t C = System.szCSDVersion[I];
        Info.szCSDVersion[I] = C < 0x80 ? static_cast<char>(C) : '?';
    }
    Info.szCSDVersion[I] = '\0';
    return true;
}

WaitResult Win32SerialPort::WaitReadable(THandle Handle, uint32_t TimeoutMs) {
    const ULONGLONG Deadline = ::GetTickCount64() + TimeoutMs;
    for (;;) {
        uint32_t Errors = 0;
        COMSTAT Status;
        if (!ClearCommError(Handle, Errors, Status)) {
            return WaitResult::Failed;
        }
        if (Status.cbInQue > 0) {
            return WaitResult::Ready;
        }
        const ULONGLONG Now = ::GetTickCount64();
        if (Now >= Deadline) {
            return WaitResult::TimedOut;
        }
        ::Sleep(static_cast<DWORD>(std::min<ULONGLONG>(Deadline - Now, kReadablePollMs)));
    }
}

std::unique_ptr<SerialPort> MakePlatformSerialPort() {
    return std::make_unique<Win32SerialPort>();
}

}  // namespace vorsa::detail
