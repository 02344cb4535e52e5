#include "support/MemorySerialPort.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace vorsa::test {

MemorySerialPort::MemorySerialPort() {
    State.DCBlength = sizeof(DCB);
    State.BaudRate = 9600;
    State.ByteSize = 8;
    Version.dwOSVersionInfoSize = sizeof(detail::OSVERSIONINFOA);
    Version.dwMajorVersion = 5;
    Version.dwMinorVersion = 1;
    Version.dwPlatformId = detail::kPlatformWin32Nt;
}

const char* MemorySerialPort::NameOf(Call What) {
    static constexpr const char* Names[] = {
        "Open",        "GetCommState",       "SetCommState", "SetupComm",      "SetCommTimeouts",
        "PurgeComm",   "ReadFile",           "WriteFile",    "ClearCommError", "GetCommMask",
        "SetCommMask", "EscapeCommFunction", "CloseHandle",  "GetVersionEx",   "WaitReadable",
    };
    static_assert(std::size(Names) == static_cast<size_t>(Call::WaitReadable) + 1,
                  "a name for every call, in the order of the enumeration");
    return Names[static_cast<size_t>(What)];
}

std::vector<MemorySerialPort::Call> MemorySerialPort::Calls() const {
    std::vector<Call> Result;
    for (const Record& Entry : FLog) {
        Result.push_back(Entry.What);
    }
    return Result;
}

size_t MemorySerialPort::CountOf(Call What) const {
    return static_cast<size_t>(std::count_if(FLog.begin(), FLog.end(),
                                             [What](const Record& R) { return R.What == What; }));
}

bool MemorySerialPort::IsOpen(THandle Handle) const {
    return std::find(FOpen.begin(), FOpen.end(), Handle) != FOpen.end();
}

bool MemorySerialPort::Fail(int32_t Code) {
    FLastError = Code;
    return false;
}

bool MemorySerialPort::Enter(Call What, THandle Handle, bool CheckHandle) {
    FLog.push_back({What, Handle});
    const auto Injected = FFailures.find(What);
    if (Injected != FFailures.end()) {
        const int32_t Code = Injected->second.Code;
        if (Injected->second.Remaining > 0 && --Injected->second.Remaining == 0) {
            FFailures.erase(Injected);
        }
        return Fail(Code);
    }
    if (CheckHandle && !IsOpen(Handle)) {
        return Fail(BadHandleError);
    }
    return true;
}

THandle MemorySerialPort::Open(const std::string& Name) {
    OpenedName = Name;
    if (!Enter(Call::Open, InvalidHandle, false)) {
        return InvalidHandle;
    }
    if (!FOpen.empty()) {
        Fail(BusyError);
        return InvalidHandle;
    }
    const THandle Handle = FNextHandle++;
    FOpen.push_back(Handle);
    FLog.back().Handle = Handle;
    return Handle;
}

bool MemorySerialPort::GetCommState(THandle Handle, DCB& Out) {
    if (!Enter(Call::GetCommState, Handle)) {
        return false;
    }
    Out = State;
    return true;
}

bool MemorySerialPort::SetCommState(THandle Handle, const DCB& In) {
    if (!Enter(Call::SetCommState, Handle)) {
        return false;
    }
    State = In;
    return true;
}

bool MemorySerialPort::SetupComm(THandle Handle, uint32_t InQueue, uint32_t OutQueue) {
    if (!Enter(Call::SetupComm, Handle)) {
        return false;
    }
    InQueueSize = InQueue;
    OutQueueSize = OutQueue;
    return true;
}

bool MemorySerialPort::SetCommTimeouts(THandle Handle, const COMMTIMEOUTS& In) {
    if (!Enter(Call::SetCommTimeouts, Handle)) {
        return false;
    }
    Timeouts = In;
    return true;
}

bool MemorySerialPort::PurgeComm(THandle Handle, uint32_t Flags) {
    if (!Enter(Call::PurgeComm, Handle)) {
        return false;
    }
    Purges.push_back(Flags);
    if ((Flags & PURGE_RXCLEAR) != 0) {
        Incoming.clear();
    }
    if ((Flags & PURGE_TXCLEAR) != 0) {
        OutQueued = 0;
    }
    return true;
}

bool MemorySerialPort::ReadFile(THandle Handle, char* Buffer, uint32_t Count, uint32_t& Read) {
    Read = 0;
    if (!Enter(Call::ReadFile, Handle)) {
        return false;
    }
    Read = static_cast<uint32_t>(std::min<size_t>(Count, Incoming.size()));
    std::copy_n(Incoming.begin(), Read, Buffer);
    Incoming.erase(0, Read);
    return true;
}

bool MemorySerialPort::WriteFile(THandle Handle, const char* Buffer, uint32_t Count,
                                 uint32_t& Done) {
    Done = 0;
    if (!Enter(Call::WriteFile, Handle)) {
        return false;
    }
    Done = std::min(Count, AcceptPerWrite);
    const std::string Bytes(Buffer, Done);
    Written += Bytes;
    Writes.push_back(Bytes);
    if (OnWrite) {
        OnWrite(*this, Bytes);
    }
    return true;
}

bool MemorySerialPort::ClearCommError(THandle Handle, uint32_t& Errors, COMSTAT& Status) {
    if (!Enter(Call::ClearCommError, Handle)) {
        return false;
    }
    Errors = 0;
    Status.Flags = 0;
    Status.cbInQue = static_cast<uint32_t>(Incoming.size());
    Status.cbOutQue = OutQueued;
    return true;
}

bool MemorySerialPort::GetCommMask(THandle Handle, uint32_t& Mask) {
    if (!Enter(Call::GetCommMask, Handle)) {
        return false;
    }
    Mask = EventMask;
    return true;
}

bool MemorySerialPort::SetCommMask(THandle Handle, uint32_t Mask) {
    if (!Enter(Call::SetCommMask, Handle)) {
        return false;
    }
    EventMask = Mask;
    return true;
}

bool MemorySerialPort::EscapeCommFunction(THandle Handle, uint32_t Function) {
    if (!Enter(Call::EscapeCommFunction, Handle)) {
        return false;
    }
    if (Function < SETXOFF || Function > CLRBREAK) {
        return Fail(EINVAL);
    }
    EscapeCodes.push_back(Function);
    return true;
}

bool MemorySerialPort::CloseHandle(THandle Handle) {
    if (!Enter(Call::CloseHandle, Handle)) {
        return false;
    }
    FOpen.erase(std::find(FOpen.begin(), FOpen.end(), Handle));
    return true;
}

bool MemorySerialPort::GetVersionEx(detail::OSVERSIONINFOA& Info) {
    VersionInfoSizeSeen = Info.dwOSVersionInfoSize;
    if (!Enter(Call::GetVersionEx, InvalidHandle, false)) {
        return false;
    }
    if (Info.dwOSVersionInfoSize != sizeof(detail::OSVERSIONINFOA)) {
        return Fail(EINVAL);
    }
    Info = Version;
    Info.dwOSVersionInfoSize = sizeof(detail::OSVERSIONINFOA);
    return true;
}

detail::WaitResult MemorySerialPort::WaitReadable(THandle Handle, uint32_t) {
    if (!Enter(Call::WaitReadable, Handle)) {
        return detail::WaitResult::Failed;
    }
    return Incoming.empty() ? detail::WaitResult::TimedOut : detail::WaitResult::Ready;
}

namespace {

class BorrowedSerialPort final : public detail::SerialPort {
  public:
    explicit BorrowedSerialPort(detail::SerialPort& Target) : T(Target) {}

    THandle Open(const std::string& Name) override { return T.Open(Name); }
    bool GetCommState(THandle H, DCB& S) override { return T.GetCommState(H, S); }
    bool SetCommState(THandle H, const DCB& S) override { return T.SetCommState(H, S); }
    bool SetupComm(THandle H, uint32_t In, uint32_t Out) override {
        return T.SetupComm(H, In, Out);
    }
    bool SetCommTimeouts(THandle H, const COMMTIMEOUTS& C) override {
        return T.SetCommTimeouts(H, C);
    }
    bool PurgeComm(THandle H, uint32_t F) override { return T.PurgeComm(H, F); }
    bool ReadFile(THandle H, char* B, uint32_t C, uint32_t& R) override {
        return T.ReadFile(H, B, C, R);
    }
    bool WriteFile(THandle H, const char* B, uint32_t C, uint32_t& W) override {
        return T.WriteFile(H, B, C, W);
    }
    bool ClearCommError(THandle H, uint32_t& E, COMSTAT& S) override {
        return T.ClearCommError(H, E, S);
    }
    bool GetCommMask(THandle H, uint32_t& M) override { return T.GetCommMask(H, M); }
    bool SetCommMask(THandle H, uint32_t M) override { return T.SetCommMask(H, M); }
    bool EscapeCommFunction(THandle H, uint32_t F) override { return T.EscapeCommFunction(H, F); }
    bool CloseHandle(THandle H) override { return T.CloseHandle(H); }
    int32_t GetLastError() const override { return T.GetLastError(); }
    int32_t TimedOutError() const override { return T.TimedOutError(); }
    bool GetVersionEx(detail::OSVERSIONINFOA& I) override { return T.GetVersionEx(I); }
    detail::WaitResult WaitReadable(THandle H, uint32_t Ms) override {
        return T.WaitReadable(H, Ms);
    }
    intptr_t InputObject(THandle H) const override { return T.InputObject(H); }

  private:
    detail::SerialPort& T;
};

}  // namespace

std::unique_ptr<detail::SerialPort> Borrow(detail::SerialPort& Target) {
    return std::make_unique<BorrowedSerialPort>(Target);
}

}  // namespace vorsa::test
