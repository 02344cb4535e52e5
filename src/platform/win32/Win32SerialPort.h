// The serial interface on Windows: the communications functions of kernel32, on a handle
// opened for synchronous transfers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

#include "platform/SerialPort.h"

namespace vorsa::detail {

/// Serial devices as Windows COM ports. Handles are the values of the HANDLEs that
/// CreateFileA gave; error codes are GetLastError codes. Every call is the system's own,
/// with the driver's arguments as they are:
///
/// - Open: CreateFileA with GENERIC_READ | GENERIC_WRITE, no sharing (exclusive use), no
///   security attributes, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL (synchronous transfers), no
///   template. The name goes unchanged, except COM10 and above (Win32DeviceName).
/// - Get/SetCommState, SetupComm, SetCommTimeouts, PurgeComm, ReadFile, WriteFile,
///   ClearCommError, Get/SetCommMask, EscapeCommFunction, CloseHandle: the calls of the same
///   names. The records are handed over as they are: they have the system's layout.
/// - GetVersionEx: RtlGetVersion, which answers with the true version (GetVersionExA is
///   deprecated and answers as the program's manifest says).
/// - WaitReadable: a synchronous handle cannot be waited on with a time-out, so the input
///   queue is looked at with ClearCommError every millisecond or so until bytes wait, the
///   time is up, or the query fails (a device that went away).
/// - InputObject: the system handle itself, which PortInputWatch.cpp watches the same way.
///
/// Calls on a handle this object did not hand out, or has closed, fail with
/// ERROR_INVALID_HANDLE without reaching the system, so that a stale value can never touch
/// another file that happens to get the same handle.
class Win32SerialPort final : public SerialPort {
  public:
    Win32SerialPort() = default;
    ~Win32SerialPort() override;

    [[nodiscard]] THandle Open(const std::string& Name) override;
    [[nodiscard]] bool GetCommState(THandle Handle, DCB& State) override;
    [[nodiscard]] bool SetCommState(THandle Handle, const DCB& State) override;
    [[nodiscard]] bool SetupComm(THandle Handle, uint32_t InQueue, uint32_t OutQueue) override;
    [[nodiscard]] bool SetCommTimeouts(THandle Handle, const COMMTIMEOUTS& Timeouts) override;
    [[nodiscard]] bool PurgeComm(THandle Handle, uint32_t Flags) override;
    [[nodiscard]] bool ReadFile(THandle Handle, char* Buffer, uint32_t Count,
                                uint32_t& Read) override;
    [[nodiscard]] bool WriteFile(THandle Handle, const char* Buffer, uint32_t Count,
                                 uint32_t& Written) override;
    [[nodiscard]] bool ClearCommError(THandle Handle, uint32_t& Errors, COMSTAT& Status) override;
    [[nodiscard]] bool GetCommMask(THandle Handle, uint32_t& Mask) override;
    [[nodiscard]] bool SetCommMask(THandle Handle, uint32_t Mask) override;
    [[nodiscard]] bool EscapeCommFunction(THandle Handle, uint32_t Function) override;
    bool CloseHandle(THandle Handle) override;
    [[nodiscard]] int32_t GetLastError() const override { return FLastError; }
    [[nodiscard]] int32_t TimedOutError() const override;
    [[nodiscard]] bool GetVersionEx(OSVERSIONINFOA& Info) override;
    [[nodiscard]] WaitResult WaitReadable(THandle Handle, uint32_t TimeoutMs) override;
    [[nodiscard]] intptr_t InputObject(THandle Handle) const override;

  private:
    /// The system handle behind Handle, or nullptr with ERROR_INVALID_HANDLE recorded.
    HANDLE Find(THandle Handle);
    /// Records the system's last error and gives false.
    bool FailWithLastError();
    /// Gives Succeeded, recording the system's last error when it is false.
    bool Check(BOOL Succeeded);

    std::set<THandle> FOpen;
    int32_t FLastError = 0;
};

}  // namespace vorsa::detail
