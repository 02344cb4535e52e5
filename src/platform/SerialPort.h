// The seam between the serial driver and the operating system: the calls of a serial
// communications interface in the shape of the Windows one, so that the driver's logic runs
// unchanged on a POSIX terminal, a Windows COM port or an in-memory double.
//
// Failing calls return false (or InvalidHandle) and leave their error code for GetLastError.
// Calls on a handle that the object did not hand out, or has closed, fail.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "vorsa/CommTypes.h"

namespace vorsa::detail {

/// Answer of the platform's version query (148 bytes, as the Windows record).
struct OSVERSIONINFOA {
    uint32_t dwOSVersionInfoSize = 0;
    uint32_t dwMajorVersion = 0;
    uint32_t dwMinorVersion = 0;
    uint32_t dwBuildNumber = 0;
    uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record keeps its 148-byte size");

// Platform identifiers of the version query.
constexpr uint32_t kPlatformWin32s = 0;
constexpr uint32_t kPlatformWin32Windows = 1;
constexpr uint32_t kPlatformWin32Nt = 2;

/// Outcome of waiting for input.
enum class WaitResult { Ready, TimedOut, Failed };

class SerialPort {
  public:
    SerialPort() = default;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;
    virtual ~SerialPort() = default;

    /// Opens the named device for exclusive reading and writing, without changing its
    /// settings. A missing or busy device gives InvalidHandle.
    [[nodiscard]] virtual THandle Open(const std::string& Name) = 0;
    /// The device's current settings.
    [[nodiscard]] virtual bool GetCommState(THandle Handle, DCB& State) = 0;
    [[nodiscard]] virtual bool SetCommState(THandle Handle, const DCB& State) = 0;
    /// Requests queue sizes for input and output.
    [[nodiscard]] virtual bool SetupComm(THandle Handle, uint32_t InQueue, uint32_t OutQueue) = 0;
    /// Sets the rules by which ReadFile and WriteFile return.
    [[nodiscard]] virtual bool SetCommTimeouts(THandle Handle, const COMMTIMEOUTS& Timeouts) = 0;
    /// Discards the queues chosen by PURGE_* flags; 0 purges nothing.
    [[nodiscard]] virtual bool PurgeComm(THandle Handle, uint32_t Flags) = 0;
    /// Reads up to Count bytes under the time-outs; Read receives the number read, also when
    /// the call fails after some bytes.
    [[nodiscard]] virtual bool ReadFile(THandle Handle, char* Buffer, uint32_t Count,
                                        uint32_t& Read) = 0;
    /// Writes Count bytes under the time-outs; a write cut short by its time-out succeeds
    /// with Written below Count.
    [[nodiscard]] virtual bool WriteFile(THandle Handle, const char* Buffer, uint32_t Count,
                                         uint32_t& Written) = 0;
    /// Clears a pending line error (its bits go to Errors) and fills Status. Fails on a
    /// device that has hung up.
    [[nodiscard]] virtual bool ClearCommError(THandle Handle, uint32_t& Errors,
                                              COMSTAT& Status) = 0;
    [[nodiscard]] virtual bool GetCommMask(THandle Handle, uint32_t& Mask) = 0;
    [[nodiscard]] virtual bool SetCommMask(THandle Handle, uint32_t Mask) = 0;
    /// Runs one of the extended functions SETXOFF .. CLRBREAK.
    [[nodiscard]] virtual bool EscapeCommFunction(THandle Handle, uint32_t Function) = 0;
    /// Releases the device for the next open.
    virtual bool CloseHandle(THandle Handle) = 0;
    /// The code of the most recent failure of this object; 0 before any failure.
    [[nodiscard]] virtual int32_t GetLastError() const = 0;
    /// The code that a transfer cut short by its time-out is reported with.
    [[nodiscard]] virtual int32_t TimedOutError() const = 0;
    /// Fills the version record, whose dwOSVersionInfoSize must be 148.
    [[nodiscard]] virtual bool GetVersionEx(OSVERSIONINFOA& Info) = 0;
    /// Waits up to TimeoutMs for bytes to read. A device that has hung up fails.
    [[nodiscard]] virtual WaitResult WaitReadable(THandle Handle, uint32_t TimeoutMs) = 0;
    /// An object the platform's message loop can wait on that signals while the handle has
    /// input (or has hung up): the descriptor itself on POSIX. -1 where there is none, as
    /// for in-memory ports; the component then collects at its polling timer only.
    [[nodiscard]] virtual intptr_t InputObject(THandle Handle) const {
        (void)Handle;
        return -1;
    }
};

/// The serial interface of the platform the library was built for.
[[nodiscard]] std::unique_ptr<SerialPort> MakePlatformSerialPort();

}  // namespace vorsa::detail
