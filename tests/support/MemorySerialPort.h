// An in-memory serial interface for tests: incoming bytes are scripted, writes are
// recorded, every call is logged, and any single call can be made to fail with a chosen
// error code. Nothing ever blocks: a read takes what is queued and returns.
//
// To extend it (replies scripted by command, a virtual clock), derive and override the
// virtual calls, or set OnWrite, which runs after every successful write and may queue
// incoming bytes with Feed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialPort.h"

namespace vorsa::test {

class MemorySerialPort : public detail::SerialPort {
  public:
    /// The platform calls, for failure injection and the call log.
    enum class Call {
        Open,
        GetCommState,
        SetCommState,
        SetupComm,
        SetCommTimeouts,
        PurgeComm,
        ReadFile,
        WriteFile,
        ClearCommError,
        GetCommMask,
        SetCommMask,
        EscapeCommFunction,
        CloseHandle,
        GetVersionEx,
        WaitReadable,
    };
    /// One logged call and the handle it was given (for Open: the handle it gave).
    struct Record {
        Call What;
        THandle Handle;
        bool operator==(const Record& Other) const {
            return What == Other.What && Handle == Other.Handle;
        }
    };

    /// Code of a call on a handle that is not open (EBADF).
    static constexpr int32_t BadHandleError = 9;
    /// Code of an open while another handle is open: the device is exclusive (EBUSY).
    static constexpr int32_t BusyError = 16;
    /// Code of a transfer cut short by its time-out (ETIMEDOUT).
    static constexpr int32_t TimeoutError = 110;

    MemorySerialPort();

    // --- scripting ---------------------------------------------------------------------
    /// Queues bytes as if the device had received them.
    void Feed(std::string_view Bytes) { Incoming.append(Bytes); }
    /// Makes every later call of What fail with Code, until Heal.
    void FailAlways(Call What, int32_t Code) { FFailures[What] = {Code, -1}; }
    /// Makes the next call of What fail with Code.
    void FailOnce(Call What, int32_t Code) { FFailures[What] = {Code, 1}; }
    void Heal(Call What) { FFailures.erase(What); }

    /// Runs after every successful write with the bytes written; may Feed a reply.
    std::function<void(MemorySerialPort&, const std::string& Bytes)> OnWrite;

    // --- observation -------------------------------------------------------------------
    [[nodiscard]] const std::vector<Record>& Log() const { return FLog; }
    /// The logged calls without their handles.
    [[nodiscard]] std::vector<Call> Calls() const;
    [[nodiscard]] size_t CountOf(Call What) const;
    void ClearLog() { FLog.clear(); }
    /// Whether Handle is open now.
    [[nodiscard]] bool IsOpen(THandle Handle) const;
    [[nodiscard]] static const char* NameOf(Call What);

    // --- device state (tests may set and inspect it) -----------------------------------
    std::string Incoming;                   ///< bytes waiting to be read
    std::string Written;                    ///< every byte written, in order
    std::vector<std::string> Writes;        ///< the bytes of each write call
    uint32_t AcceptPerWrite = 0xFFFFFFFFu;  ///< a write takes at most this many bytes and
                                            ///< reports the rest as cut short by time-out
    std::string OpenedName;                 ///< the name of the last open
    DCB State;                              ///< the device's settings
    COMMTIMEOUTS Timeouts;
    uint32_t InQueueSize = 0;
    uint32_t OutQueueSize = 0;
    uint32_t OutQueued = 0;  ///< reported as cbOutQue
    uint32_t EventMask = 0;
    std::vector<uint32_t> Purges;       ///< flags of each purge
    std::vector<uint32_t> EscapeCodes;  ///< each extended function run
    detail::OSVERSIONINFOA Version;     ///< answer of the version query (NT 5.1 at first)
    uint32_t VersionInfoSizeSeen = 0;   ///< dwOSVersionInfoSize of the last query

    // --- the platform calls -------------------------------------------------------------
    [[nodiscard]] THandle Open(const std::string& Name) override;
    [[nodiscard]] bool GetCommState(THandle Handle, DCB& Out) override;
    [[nodiscard]] bool SetCommState(THandle Handle, const DCB& In) override;
    [[nodiscard]] bool SetupComm(THandle Handle, uint32_t InQueue, uint32_t OutQueue) override;
    [[nodiscard]] bool SetCommTimeouts(THandle Handle, const COMMTIMEOUTS& In) override;
    [[nodiscard]] bool PurgeComm(THandle Handle, uint32_t Flags) override;
    [[nodiscard]] bool ReadFile(THandle Handle, char* Buffer, uint32_t Count,
                                uint32_t& Read) override;
    [[nodiscard]] bool WriteFile(THandle Handle, const char* Buffer, uint32_t Count,
                                 uint32_t& Done) override;
    [[nodiscard]] bool ClearCommError(THandle Handle, uint32_t& Errors, COMSTAT& Status) override;
    [[nodiscard]] bool GetCommMask(THandle Handle, uint32_t& Mask) override;
    [[nodiscard]] bool SetCommMask(THandle Handle, uint32_t Mask) override;
    [[nodiscard]] bool EscapeCommFunction(THandle Handle, uint32_t Function) override;
    bool CloseHandle(THandle Handle) override;
    [[nodiscard]] int32_t GetLastError() const override { return FLastError; }
    [[nodiscard]] int32_t TimedOutError() const override { return TimeoutError; }
    [[nodiscard]] bool GetVersionEx(detail::OSVERSIONINFOA& Info) override;
    [[nodiscard]] detail::WaitResult WaitReadable(THandle Handle, uint32_t TimeoutMs) override;

  protected:
    /// Logs the call and tells whether it may go on: false (with the error recorded) when a
    /// failure is injected for it or, with CheckHandle, when Handle is not open.
    bool Enter(Call What, THandle Handle, bool CheckHandle = true);
    bool Fail(int32_t Code);

  private:
    struct Failure {
        int32_t Code;
        int Remaining;  // -1: for ever
    };
    std::map<Call, Failure> FFailures;
    std::vector<Record> FLog;
    std::vector<THandle> FOpen;
    THandle FNextHandle = 3;
    int32_t FLastError = 0;
};

/// A serial interface that forwards every call to Target without owning it, so that a test
/// can keep its double (and inspect it) after the driver that used it is gone.
[[nodiscard]] std::unique_ptr<detail::SerialPort> Borrow(detail::SerialPort& Target);

}  // namespace vorsa::test
