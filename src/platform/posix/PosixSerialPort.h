// The serial interface on a POSIX terminal device (termios), Linux first.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/SerialPort.h"

namespace vorsa::detail {

/// Serial devices as POSIX terminals. Handles are file descriptors; error codes are errno
/// values. How each call maps:
///
/// - Open: the name through PosixDeviceName, opened O_RDWR|O_NOCTTY|O_NONBLOCK|O_CLOEXEC.
///   Exclusive use takes two locks: flock(LOCK_EX|LOCK_NB), which also holds against the
///   superuser and against a second open inside this process, and TIOCEXCL, which turns
///   away other programs' opens. A held device fails with EBUSY.
/// - Get/SetCommState: termios in raw binary mode (TermiosDcb). Standard rates go through
///   cfsetispeed/cfsetospeed; 14400, 56000, 128000 and 256000 through the kernel's
///   arbitrary-rate interface (termios2, BOTHER) where the device supports it, and fail with
///   its error where it does not. A pseudo-terminal takes any rate and ignores it. The DCB
///   switches termios cannot hold (fAbortOnError, fTXContinueOnXoff, fDtrControl, ...) are
///   kept per handle, so GetCommState reads back the word that SetCommState was given.
///   DTR and RTS follow fDtrControl and fRtsControl through TIOCMBIS/TIOCMBIC; a
///   pseudo-terminal has no modem lines and answers ENOTTY or EINVAL there, which is ignored
///   so that a pty can be configured like a port.
/// - SetupComm: the kernel sizes its own queues; only the handle is checked.
/// - Read/WriteFile: poll(2) against deadlines taken from COMMTIMEOUTS, never a busy loop.
///   A read returns when its count is reached or the interval passes after a byte without a
///   further one, never before its first byte unless a total time-out is set. A write
///   returns when written or when its total passes.
/// - ClearCommError: TIOCINQ and TIOCOUTQ. A device that has hung up (POLLHUP, EIO; the
///   master side of a pty closed) fails with EIO, so callers see an error instead of waiting
///   for bytes that will never come. Line errors are not counted (the driver drops them).
/// - Get/SetCommMask: POSIX has no event mask; the mask is kept per handle.
/// - EscapeCommFunction: tcflow for SETXOFF/SETXON, TIOCMBIS/TIOCMBIC for RTS and DTR,
///   TIOCSBRK/TIOCCBRK for the break; RESETDEV does nothing.
/// - CloseHandle: TIOCNXCL, then close, which also drops the lock.
/// - GetVersionEx: answers the NT family (dwPlatformId 2) with the kernel release from
///   uname as the version, at least 4.0: a POSIX terminal offers every line-control switch
///   the fixed flag words of NT 4.0 rely on, so the driver always builds those words here.
class PosixSerialPort final : public SerialPort {
  public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;

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
    /// The descriptor: poll(2) and epoll(7) report it readable while input waits.
    [[nodiscard]] intptr_t InputObject(THandle Handle) const override;

  private:
    struct OpenPort {
        DCB Kept;  // the last settings given, for the switches termios lacks
        bool HasKept = false;
        COMMTIMEOUTS Timeouts;
        uint32_t EventMask = 0;
    };

    /// The port behind Handle, or nullptr with EBADF recorded.
    OpenPort* Find(THandle Handle);
    /// Records Code as the last error and gives false.
    bool Fail(int Code);

    std::map<int, OpenPort> FPorts;
    int32_t FLastError = 0;
    /// Why the last Open failed; 0 after a successful one.
    int FOpenError = 0;
};

}  // namespace vorsa::detail
