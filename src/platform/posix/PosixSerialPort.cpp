#include "platform/posix/PosixSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/utsname.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/posix/ArbitraryBaud.h"
#include "platform/posix/Deadline.h"
#include "platform/posix/DeviceName.h"
#include "platform/posix/TermiosDcb.h"
#include "platform/posix/UniqueFd.h"

namespace vorsa::detail {

namespace {

constexpr short HangUpEvents = POLLHUP | POLLERR;

int FdOf(THandle Handle) {
    return static_cast<int>(Handle);
}

// The total time-out of a transfer of Count bytes; never when both parts are 0.
Deadline TotalDeadline(uint32_t Multiplier, uint32_t Constant, uint32_t Count) {
    if (Multiplier == 0 && Constant == 0) {
        return Deadline::Never();
    }
    return Deadline::After(static_cast<uint64_t>(Multiplier) * Count + Constant);
}

// A modem-control ioctl that a pseudo-terminal does not implement.
bool LacksModemLines(int Error) {
    return Error == ENOTTY || Error == EINVAL;
}

// Raises or lowers one modem line; false with errno set when the device refused.
bool SetModemLine(int Fd, int Line, bool Raise) {
    return ::ioctl(Fd, Raise ? TIOCMBIS : TIOCMBIC, &Line) == 0;
}

DCB FreshDcb() {
    DCB State;
    State.DCBlength = sizeof(DCB);
    State.fDtrControl(DTR_CONTROL_ENABLE);
    State.fRtsControl(RTS_CONTROL_ENABLE);
    return State;
}

// Major and minor number of a kernel release such as "6.1.0-18-amd64".
void ParseRelease(const char* Release, uint32_t& Major, uint32_t& Minor, uint32_t& Build) {
    char* End = nullptr;
    Major = static_cast<uint32_t>(std::strtoul(Release, &End, 10));
    Minor = 0;
    Build = 0;
    if (End != nullptr && *End == '.') {
        Minor = static_cast<uint32_t>(std::strtoul(End + 1, &End, 10));
        if (End != nullptr && *End == '.') {
            Build = static_cast<uint32_t>(std::strtoul(End + 1, &End, 10));
        }
    }
}

}  // namespace

PosixSerialPort::~PosixSerialPort() {
    while (!FPorts.empty()) {
        CloseHandle(FPorts.begin()->first);
    }
}

bool PosixSerialPort::Fail(int Code) {
    FLastError = Code;
    return false;
}

PosixSerialPort::OpenPort* PosixSerialPort::Find(THandle Handle) {
    const auto Found = (Handle < 0 || Handle > INT_MAX) ? FPorts.end() : FPorts.find(FdOf(Handle));
    if (Found == FPorts.end()) {
        // Calls on the handle of a failed open report why the open failed (ENOENT, EBUSY,
        // EACCES...) rather than EBADF, so that the code the driver latches names the cause.
        Fail(Handle == InvalidHandle && FOpenError != 0 ? FOpenError : EBADF);
        return nullptr;
    }
    return &Found->second;
}

THandle PosixSerialPort::Open(const std::string& Name) {
    const std::string Path = PosixDeviceName(Name);
    FOpenError = 0;
    UniqueFd Fd(::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!Fd) {
        FOpenError = errno;
    } else if (::flock(Fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        FOpenError = errno == EWOULDBLOCK ? EBUSY : errno;
    } else if (::ioctl(Fd.Get(), TIOCEXCL) != 0) {
        FOpenError = errno;
    }
    if (FOpenError != 0) {
        Fail(FOpenError);
        return InvalidHandle;
    }
    const int Opened = Fd.Release();
    FPorts[Opened] = OpenPort{};
    return Opened;
}

bool PosixSerialPort::GetCommState(THandle Handle, DCB& State) {
    OpenPort* Port = Find(Handle);
    if (Port == nullptr) {
        return false;
    }
    termios Line{};
    if (::tcgetattr(FdOf(Handle), &Line) != 0) {
        return Fail(errno);
    }
    DCB Result = Port->HasKept ? Port->Kept : FreshDcb();
    ReadDcbFromTermios(Line, Result);
    uint32_t Rate = 0;
    Result.BaudRate = ReadExactBaud(FdOf(Handle), Rate) ? Rate : RateOfSpeed(::cfgetospeed(&Line));
    State = Result;
    return true;
}

bool PosixSerialPort::SetCommState(THandle Handle, const DCB& State) {
    OpenPort* Port = Find(Handle);
    if (Port == nullptr) {
        return false;
    }
    const int Fd = FdOf(Handle);
    termios Before{};
    if (::tcgetattr(Fd, &Before) != 0) {
        return Fail(errno);
    }
    termios Line = Before;
    if (!ApplyDcbToTermios(State, Line)) {
        return Fail(EINVAL);
    }
    const auto Speed = StandardSpeed(State.BaudRate);
    if (Speed) {
        ::cfsetispeed(&Line, *Speed);
        ::cfsetospeed(&Line, *Speed);
    }
    if (::tcsetattr(Fd, TCSANOW, &Line) != 0) {
        return Fail(errno);
    }
    if (!Speed && !SetArbitraryBaud(Fd, State.BaudRate)) {
        const int Error = errno;
        (void)::tcsetattr(Fd, TCSANOW, &Before);  // best effort: leave the device as it was
        return Fail(Error);
    }
    const bool RaiseDtr = State.fDtrControl() != DTR_CONTROL_DISABLE;
    const bool RaiseRts = State.fRtsControl() != RTS_CONTROL_DISABLE;
    if (!SetModemLine(Fd, TIOCM_DTR, RaiseDtr) || !SetModemLine(Fd, TIOCM_RTS, RaiseRts)) {
        if (!LacksModemLines(errno)) {
            return Fail(errno);
        }
    }
    Port->Kept = State;
    Port->HasKept = true;
    return true;
}

bool PosixSerialPort::SetupComm(THandle Handle, uint32_t, uint32_t) {
    return Find(Handle) != nullptr;
}

bool PosixSerialPort::SetCommTimeouts(THandle Handle, const COMMTIMEOUTS& Timeouts) {
    OpenPort* Port = Find(Handle);
    if (Port == nullptr) {
        return false;
    }
    Port->Timeouts = Timeouts;
    return true;
}

bool PosixSerialPort::PurgeComm(THandle Handle, uint32_t Flags) {
    if (Find(Handle) == nullptr) {
        return false;
    }
    if ((Flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) != 0) {
        return Fail(EINVAL);
    }
    // Transfers are synchronous: there is never one under way to abort.
    const bool Input = (Flags & PURGE_RXCLEAR) != 0;
    const bool Output = (Flags & PURGE_TXCLEAR) != 0;
    if (!Input && !Output) {
        return true;
    }
    const int Queue = Input && Output ? TCIOFLUSH : (Input ? TCIFLUSH : TCOFLUSH);
    if (::tcflush(FdOf(Handle), Queue) != 0) {
        return Fail(errno);
    }
    return true;
}

bool PosixSerialPort::ReadFile(THandle Handle, char* Buffer, uint32_t Count, uint32_t& Read) {
    Read = 0;
    OpenPort* Port = Find(Handle);
    if (Port == nullptr) {
        return false;
    }
    if (Count == 0) {
        return true;
    }
    const COMMTIMEOUTS& Rules = Port->Timeouts;
    const bool TakeWhatWaits = Rules.ReadIntervalTimeout == MAXDWORD &&
                               Rules.ReadTotalTimeoutMultiplier == 0 &&
                               Rules.ReadTotalTimeoutConstant == 0;
    const uint32_t Interval = TakeWhatWaits ? 0 : Rules.ReadIntervalTimeout;
    const Deadline Total = TakeWhatWaits ? Deadline::Never()
                                         : TotalDeadline(Rules.ReadTotalTimeoutMultiplier,
                                                         Rules.ReadTotalTimeoutConstant, Count);
    Deadline AfterLastByte = Deadline::Never();
    const int Fd = FdOf(Handle);

    while (Read < Count) {
        const ssize_t Got = ::read(Fd, Buffer + Read, Count - Read);
        if (Got > 0) {
            Read += static_cast<uint32_t>(Got);
            if (Interval != 0) {
                AfterLastByte = Deadline::After(Interval);
            }
            continue;
        }
        // Nothing now. A terminal answers EAGAIN, or 0 when its minimum count is 0 (another
        // program may have configured it so) and also after a hang-up; poll tells which.
        const bool EndOfFile = Got == 0;
        if (Got < 0 && errno == EINTR) {
            continue;
        }
        if (Got < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return Fail(errno);
        }
        if (TakeWhatWaits) {
            return true;
        }
        const Deadline Until = Deadline::Earlier(Total, AfterLastByte);
        const int Events = PollUntil(Fd, POLLIN, Until);
        if (Events < 0) {
            return Fail(errno);
        }
        if (Events == 0) {
            return true;  // the interval or the total passed
        }
        if ((Events & POLLNVAL) != 0) {
            return Fail(EBADF);
        }
        // The other side has hung up: hand over what came before; the next call fails.
        if ((Events & HangUpEvents) != 0 && (EndOfFile || (Events & POLLIN) == 0)) {
            return Read > 0 ? true : Fail(EIO);
        }
    }
    return true;
}

bool PosixSerialPort::WriteFile(THandle Handle, const char* Buffer, uint32_t Count,
                                uint32_t& Written) {
    Written = 0;
    OpenPort* Port = Find(Handle);
    if (Port == nullptr) {
        return false;
    }
    const Deadline Total = TotalDeadline(Port->Timeouts.WriteTotalTimeoutMultiplier,
                                         Port->Timeouts.WriteTotalTimeoutConstant, Count);
    const int Fd = FdOf(Handle);
    while (Written < Count) {
        const ssize_t Put = ::write(Fd, Buffer + Written, Count - Written);
        if (Put > 0) {
            Written += static_cast<uint32_t>(Put);
            continue;
        }
        if (Put < 0 && errno == EINTR) {
            continue;
        }
        if (Put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return Fail(errno);
        }
        const int Events = PollUntil(Fd, POLLOUT, Total);
        if (Events < 0) {
            return Fail(errno);
        }
        if (Events == 0) {
            return true;  // cut short by the write time-out; the caller sees Written
        }
        if ((Events & POLLNVAL) != 0) {
            return Fail(EBADF);
        }
        if ((Events & HangUpEvents) != 0) {
            return Fail(EIO);
        }
    }
    return true;
}

bool PosixSerialPort::ClearCommError(THandle Handle, uint32_t& Errors, COMSTAT& Status) {
    if (Find(Handle) == nullptr) {
        return false;
    }
    const int Fd = FdOf(Handle);
    pollfd Entry{Fd, POLLIN, 0};
    if (::poll(&Entry, 1, 0) > 0) {
        if ((Entry.revents & POLLNVAL) != 0) {
            return Fail(EBADF);
        }
        if ((Entry.revents & HangUpEvents) != 0) {
            return Fail(EIO);
        }
    }
    int Input = 0;
    int Output = 0;
    if (::ioctl(Fd, TIOCINQ, &Input) != 0 || ::ioctl(Fd, TIOCOUTQ, &Output) != 0) {
        return Fail(errno);
    }
    Errors = 0;
    Status.Flags = 0;
    Status.cbInQue = static_cast<uint32_t>(Input < 0 ? 0 : Input);
    Status.cbOutQue = static_cast<uint32_t>(Output < 0 ? 0 : Output);
    return true;
}

bool PosixSerialPort::GetCommMask(THandle Handle, uint32_t& Mask) {
    OpenPort* Port = Find(Handle);
    if (Port == nullptr) {
        return false;
    }
    Mask = Port->EventMask;
    return true;
}

bool PosixSerialPort::SetCommMask(THandle Handle, uint32_t Mask) {
    OpenPort* Port = Find(Handle);
    if (Port == nullptr) {
        return false;
    }
    if ((Mask & ~EV_ALL) != 0) {
        return Fail(EINVAL);
    }
    Port->EventMask = Mask;
    return true;
}

bool PosixSerialPort::EscapeCommFunction(THandle Handle, uint32_t Function) {
    if (Find(Handle) == nullptr) {
        return false;
    }
    const int Fd = FdOf(Handle);
    bool Done = false;
    switch (Function) {
        case SETXOFF:
            Done = ::tcflow(Fd, TCOOFF) == 0;
            break;
        case SETXON:
            Done = ::tcflow(Fd, TCOON) == 0;
            break;
        case SETRTS:
        case CLRRTS:
            Done = SetModemLine(Fd, TIOCM_RTS, Function == SETRTS);
            break;
        case SETDTR:
        case CLRDTR:
            Done = SetModemLine(Fd, TIOCM_DTR, Function == SETDTR);
            break;
        case RESETDEV:
            Done = true;  // a terminal has nothing to reset
            break;
        case SETBREAK:
            Done = ::ioctl(Fd, TIOCSBRK) == 0;
            break;
        case CLRBREAK:
            Done = ::ioctl(Fd, TIOCCBRK) == 0;
            break;
        default:
            return Fail(EINVAL);
    }
    return Done ? true : Fail(errno);
}

bool PosixSerialPort::CloseHandle(THandle Handle) {
    if (Find(Handle) == nullptr) {
        return false;
    }
    const int Fd = FdOf(Handle);
    FPorts.erase(Fd);
    // The exclusive flag outlives this descriptor while others keep the terminal open.
    (void)::ioctl(Fd, TIOCNXCL);
    // The descriptor is gone after close whatever it reports; EINTR is not retried.
    if (::close(Fd) != 0 && errno != EINTR) {
        return Fail(errno);
    }
    return true;
}

int32_t PosixSerialPort::TimedOutError() const {
    return ETIMEDOUT;
}

bool PosixSerialPort::GetVersionEx(OSVERSIONINFOA& Info) {
    if (Info.dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        return Fail(EINVAL);
    }
    utsname System{};
    if (::uname(&System) != 0) {
        return Fail(errno);
    }
    uint32_t Major = 0;
    uint32_t Minor = 0;
    uint32_t Build = 0;
    ParseRelease(System.release, Major, Minor, Build);
    if (Major < 4) {
        Major = 4;
        Minor = 0;
    }
    Info.dwMajorVersion = Major;
    Info.dwMinorVersion = Minor;
    Info.dwBuildNumber = Build;
    Info.dwPlatformId = kPlatformWin32Nt;
    Info.szCSDVersion[0] = '\0';
    return true;
}

WaitResult PosixSerialPort::WaitReadable(THandle Handle, uint32_t TimeoutMs) {
    if (Find(Handle) == nullptr) {
        return WaitResult::Failed;
    }
    const int Events = PollUntil(FdOf(Handle), POLLIN, Deadline::After(TimeoutMs));
    if (Events < 0) {
        Fail(errno);
        return WaitResult::Failed;
    }
    if (Events == 0) {
        return WaitResult::TimedOut;
    }
    if ((Events & POLLNVAL) != 0) {
        Fail(EBADF);
        return WaitResult::Failed;
    }
    if ((Events & HangUpEvents) != 0) {
        Fail(EIO);
        return WaitResult::Failed;
    }
    return WaitResult::Ready;
}

intptr_t PosixSerialPort::InputObject(THandle Handle) const {
    const bool Known = Handle >= 0 && Handle <= INT_MAX && FPorts.count(FdOf(Handle)) != 0;
    return Known ? static_cast<intptr_t>(FdOf(Handle)) : -1;
}

std::unique_ptr<SerialPort> MakePlatformSerialPort() {
    return std::make_unique<PosixSerialPort>();
}

}  // namespace vorsa::detail
