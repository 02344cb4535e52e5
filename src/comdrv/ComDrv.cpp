#include "vorsa/ComDrv.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "comdrv/BaudRate.h"
#include "comdrv/LineControl.h"
#include "comdrv/WinProbes.h"
#include "platform/SerialPort.h"

namespace vorsa {

namespace {

// Read and write time-outs: a read returns 10 ms after a byte without a further one (and
// never before its first byte); a write gives up after 5 s.
constexpr COMMTIMEOUTS DriverTimeouts{10, 0, 0, 0, 5000};

constexpr char DC1 = 17;
constexpr char DC3 = 19;
constexpr uint16_t XonLimit = 80;
constexpr uint16_t XoffLimit = 200;

// The NT family from version 4.0 gets the fixed flag words.
constexpr uint32_t FirstFixedWordsVersion = 0x40000;

int32_t QueueCount(uint32_t Count) {
    return static_cast<int32_t>(
        std::min<uint32_t>(Count, static_cast<uint32_t>(std::numeric_limits<int32_t>::max())));
}

// The first failure among the steps of Connect, with the platform's code for it.
struct StepFailure {
    bool Failed = false;
    int32_t Code = 0;

    void Note(bool Succeeded, detail::SerialPort& Platform) {
        if (!Succeeded && !Failed) {
            Failed = true;
            Code = Platform.GetLastError();
        }
    }
};

bool IsBlank(char C) {
    return static_cast<unsigned char>(C) <= 32;
}

}  // namespace

TComPortDriver::TComPortDriver(TComponent* AOwner)
    : TComPortDriver(AOwner, detail::MakePlatformSerialPort()) {}

TComPortDriver::TComPortDriver(TComponent* AOwner, std::unique_ptr<detail::SerialPort> Platform)
    : TComponent(AOwner), FPlatform(std::move(Platform)) {}

TComPortDriver::~TComPortDriver() {
    DisConnect();
}

void TComPortDriver::LatchSystemError() {
    SetError(FPlatform->GetLastError());
}

void TComPortDriver::SetError(int32_t Code) noexcept {
    if (Code != 0) {
        LastError = Code;
    }
}

int32_t TComPortDriver::GetError() noexcept {
    return std::exchange(LastError, 0);
}

uint32_t TComPortDriver::BuildLineControlFlags(const DCB& Current) {
    const bool FixedWords = detail::WinPlatform(*FPlatform) == "WNT" &&
                            detail::WinVersion(*FPlatform) >= FirstFixedWordsVersion;
    return detail::LineControlFlags(FlowControl, FixedWords, Current.Flags);
}

// Every step runs even when an earlier one failed. Each step that decides whether the port
// can be used (the open and the three configuration calls) gives its own result; the port
// counts as open when none failed, and the latch, cleared once the new record is started,
// receives the code of the first that failed: the cause (a missing or busy device, a refused
// setting), not the error of a later call on a handle that never opened.
void TComPortDriver::Connect() {
    LineStatus.cbInQue = 0;
    if (PortOpen) {
        FPlatform->CloseHandle(PortHandle);
    }
    StepFailure First;
    PortHandle = FPlatform->Open(Port);
    First.Note(PortHandle != InvalidHandle, *FPlatform);

    // The current settings only feed the flag rule of older platforms; when they cannot be
    // read the rule starts from an empty word, and the open stands.
    DCB Current;
    (void)FPlatform->GetCommState(PortHandle, Current);

    DCB State;
    State.DCBlength = sizeof(DCB);
    State.BaudRate = detail::SnapBaudRate(Baud);
    State.ByteSize = DataBits;
    State.Parity = static_cast<uint8_t>(Parity);
    State.StopBits = static_cast<uint8_t>(StopBits);
    LastError = 0;  // whatever an earlier operation latched is dropped here
    State.XonChar = DC1;
    State.XoffChar = DC3;
    State.ErrorChar = 0;
    State.EofChar = 0;
    State.EvtChar = 0;
    State.XonLim = XonLimit;
    State.XoffLim = XoffLimit;
    State.Flags = BuildLineControlFlags(Current);

    First.Note(FPlatform->SetCommState(PortHandle, State), *FPlatform);
    First.Note(FPlatform->SetupComm(PortHandle, StagingSize, StagingSize), *FPlatform);
    First.Note(FPlatform->SetCommTimeouts(PortHandle, DriverTimeouts), *FPlatform);
    PortOpen = !First.Failed;
    SetError(First.Code);
    // An open port whose purge fails stays open with the purge's error latched.
    if (PortOpen && !FlushBuffers(true, true)) {
        LatchSystemError();
    }

    // A device that was opened but could not be configured is released at once, so that it
    // is neither leaked nor held against the next open. PortHandle keeps its value.
    if (!PortOpen && PortHandle != InvalidHandle) {
        FPlatform->CloseHandle(PortHandle);
    }
}

void TComPortDriver::DisConnect() {
    if (PortOpen) {
        FPlatform->CloseHandle(PortHandle);
    }
    PortOpen = false;
}

bool TComPortDriver::FlushBuffers(bool InBuffer, bool OutBuffer) {
    if (!PortOpen) {
        return false;
    }
    uint32_t Flags = 0;
    if (InBuffer) {
        Flags |= PURGE_RXABORT | PURGE_RXCLEAR;
    }
    if (OutBuffer) {
        Flags |= PURGE_TXABORT | PURGE_TXCLEAR;
    }
    return FPlatform->PurgeComm(PortHandle, Flags);
}

std::string TComPortDriver::GetFlags() {
    DCB State;
    if (!FPlatform->GetCommState(PortHandle, State)) {
        LatchSystemError();
        return "";
    }
    std::string Bits(16, '0');
    for (int Bit = 15; Bit >= 0; --Bit) {
        if ((State.Flags >> Bit) & 1u) {
            Bits[static_cast<size_t>(15 - Bit)] = '1';
        }
    }
    return Bits;
}

void TComPortDriver::Trace(bool Outgoing, const char* Bytes, uint32_t Count) {
    if (OnTrace && Count > 0) {
        OnTrace(Outgoing, std::string(Bytes, Count));
    }
}

bool TComPortDriver::WriteChunk(const char* Bytes, uint32_t Count) {
    uint32_t Written = 0;
    const bool Ok = FPlatform->WriteFile(PortHandle, Bytes, Count, Written);
    Trace(true, Bytes, std::min(Written, Count));
    if (!Ok) {
        LatchSystemError();
        return false;
    }
    // A write cut short by the write time-out lost the rest of the string: the receiver
    // would see a truncated command, so it is reported instead of passing as a success.
    if (Written < Count) {
        SetError(FPlatform->TimedOutError());
        return false;
    }
    return true;
}

void TComPortDriver::SendString(const std::string& S) {
    if (!PortOpen) {
        return;
    }
    size_t Done = 0;
    while (Done < S.size()) {
        const auto Piece = static_cast<uint32_t>(std::min<size_t>(S.size() - Done, StagingSize));
        if (!WriteChunk(S.data() + Done, Piece)) {
            return;
        }
        Done += Piece;
    }
}

void TComPortDriver::SendByte(uint8_t Value) {
    if (!PortOpen) {
        return;
    }
    const char Byte = static_cast<char>(Value);
    (void)WriteChunk(&Byte, 1);
}

std::string TComPortDriver::GetString(int32_t Count) {
    std::string Result;
    if (!PortOpen || Count <= 0) {
        return Result;
    }
    // Counts above the staging size are read piece by piece; a piece that comes back short
    // ended with the pause after the last byte, and so does the whole read.
    std::string Staging(static_cast<size_t>(std::min<int32_t>(Count, StagingSize)), '\0');
    auto Remaining = static_cast<uint32_t>(Count);
    while (Remaining > 0) {
        const uint32_t Piece = std::min<uint32_t>(Remaining, StagingSize);
        uint32_t Read = 0;
        const bool Ok = FPlatform->ReadFile(PortHandle, Staging.data(), Piece, Read);
        Result.append(Staging.data(), std::min(Read, Piece));
        Trace(false, Staging.data(), std::min(Read, Piece));
        if (!Ok) {
            LatchSystemError();
            break;
        }
        if (Read < Piece) {
            break;
        }
        Remaining -= Piece;
    }
    return Result;
}

std::string TComPortDriver::ReadString() {
    const int32_t Waiting = GetIn();
    std::string S;
    if (Waiting >= 0) {
        S = GetString(Waiting);
    }
    const auto First = std::find_if_not(S.begin(), S.end(), IsBlank);
    const auto Last = std::find_if_not(S.rbegin(), S.rend(), IsBlank).base();
    std::string Trimmed = First < Last ? std::string(First, Last) : std::string();
    Trimmed.erase(std::remove(Trimmed.begin(), Trimmed.end(), '\0'), Trimmed.end());
    return Trimmed;
}

uint8_t TComPortDriver::GetByte() {
    if (!PortOpen) {
        LatchSystemError();
        return 0;
    }
    char Byte = 0;
    uint32_t Read = 0;
    if (!FPlatform->ReadFile(PortHandle, &Byte, 1, Read)) {
        LatchSystemError();
        return 0;
    }
    Trace(false, &Byte, Read == 1 ? 1 : 0);
    return Read == 1 ? static_cast<uint8_t>(Byte) : 0;
}

bool TComPortDriver::GetEvent(uint32_t& EventMask) {
    uint32_t DeviceMask = 0;
    if (!PortOpen || !FPlatform->GetCommMask(PortHandle, DeviceMask)) {
        LatchSystemError();
        return false;
    }
    const bool Same = EventMask == DeviceMask;
    EventMask = DeviceMask;
    return Same;
}

void TComPortDriver::SetEvent(uint32_t EventMask) {
    if (!PortOpen || !FPlatform->SetCommMask(PortHandle, EventMask)) {
        LatchSystemError();
    }
}

void TComPortDriver::SetEscCode(uint32_t Code) {
    if (!PortOpen || !FPlatform->EscapeCommFunction(PortHandle, Code)) {
        LatchSystemError();
    }
}

int32_t TComPortDriver::GetIn() {
    uint32_t LineErrors = 0;  // thrown away: line errors are cleared, never reported
    if (!PortOpen || !FPlatform->ClearCommError(PortHandle, LineErrors, LineStatus)) {
        LatchSystemError();
        return -1;
    }
    return QueueCount(LineStatus.cbInQue);
}

int32_t TComPortDriver::GetOut() {
    uint32_t LineErrors = 0;
    if (!PortOpen || !FPlatform->ClearCommError(PortHandle, LineErrors, LineStatus)) {
        LatchSystemError();
        return -1;
    }
    return QueueCount(LineStatus.cbOutQue);
}

bool TComPortDriver::WaitReadable(uint32_t TimeoutMs) {
    return PortOpen && WaitForInput(TimeoutMs) == tInputWait::Ready;
}

tInputWait TComPortDriver::WaitForInput(uint32_t TimeoutMs) {
    if (!PortOpen) {
        return tInputWait::Failed;
    }
    switch (FPlatform->WaitReadable(PortHandle, TimeoutMs)) {
        case detail::WaitResult::Ready:
            return tInputWait::Ready;
        case detail::WaitResult::TimedOut:
            return tInputWait::TimedOut;
        case detail::WaitResult::Failed:
            break;
    }
    LatchSystemError();
    return tInputWait::Failed;
}

intptr_t TComPortDriver::InputObject() const {
    return PortOpen ? FPlatform->InputObject(PortHandle) : -1;
}

}  // namespace vorsa
