// A modem double keyed by command, on the in-memory serial port and a virtual clock: each
// command line the component writes gets its scripted reply, at once or at a later
// virtual moment, and every line is recorded, so that tests hold the component to the
// exact bytes on the line without waiting in real time.
//
//     FakeClock Clock;
//     ScopedClock UseIt(Clock);
//     ScriptedModem Modem(Clock);            // answers "\r\nOK\r\n" to every line
//     Modem.ActLikeReadyModem();             // "+CPIN: READY", "+CPAS: 0", OK elsewhere
//     Modem.Answer("AT+CSQ", "\r\n+CSQ: 15,99\r\n\r\nOK\r\n");
//     Modem.AnswerOnce("AT", "\r\nERROR\r\n");   // the next "AT" only, then the standing reply
//     Modem.Ignore("AT+CPAS");               // never answers this one
//     Modem.Answer("ATZ", "\r\nOK\r\n", 300);    // 300 ms after the command, virtual time
//     Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n");   // bytes arriving on their own
//     TVorsa Vorsa(nullptr, Borrow(Modem));
//     ...
//     EXPECT_EQ(Modem.Lines(), (std::vector<std::string>{"ATZ", ...}));
//
// A line ends at CR (an LF right after it belongs to it), at a lone LF, or at Ctrl-Z (byte
// 26) or ESC (27), which stay at the end of the recorded line ("0791...\x1A"), so that a
// message body ended by Ctrl-Z, or cancelled by ESC, can be scripted as a command of its
// own. Replies of delay 0 wait at
// the port as soon as the write returns; later ones arrive on the clock's first Sleep that
// reaches their moment. A wait for input (WaitReadable) with nothing to read lets virtual
// time run to the next scripted arrival or to the end of the wait, whichever is first, as
// a device would: so the component's waits cost no real time and end the moment a byte
// comes.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/FakeClock.h"
#include "support/MemorySerialPort.h"

namespace vorsa::test {

class ScriptedModem : public MemorySerialPort {
  public:
    /// The final reply of a command that succeeded, as a modem frames it.
    static constexpr const char* Ok = "\r\nOK\r\n";

    /// Times late replies on Clock, whose sleep hook it takes over until destroyed.
    explicit ScriptedModem(FakeClock& Clock);
    ~ScriptedModem() override;

    // --- scripts ----------------------------------------------------------------------
    /// The reply to every later line equal to Command, DelayMs after the line was written.
    void Answer(const std::string& Command, std::string Reply, uint32_t DelayMs = 0);
    /// A reply to the next line equal to Command only. Replies given once are used up in
    /// the order given, before the standing reply of Answer.
    void AnswerOnce(const std::string& Command, std::string Reply, uint32_t DelayMs = 0);
    /// No answer at all to Command, from now on.
    void Ignore(const std::string& Command);
    /// The reply to lines that have no script of their own (at first "\r\nOK\r\n").
    void AnswerOthers(std::string Reply, uint32_t DelayMs = 0);
    /// No answer to lines that have no script of their own.
    void IgnoreOthers();
    /// A modem that is up and needs no PIN: "+CPIN: READY" to "AT+CPIN?", "+CPAS: 0" to
    /// "AT+CPAS", OK to everything else.
    void ActLikeReadyModem();
    /// Bytes that arrive on their own DelayMs from now (0: waiting at once).
    void Arrive(std::string Bytes, uint32_t DelayMs = 0);

    // --- observation ------------------------------------------------------------------
    /// Every line received, without its line end, in order.
    [[nodiscard]] const std::vector<std::string>& Lines() const { return FLines; }
    /// How many received lines equal Command.
    [[nodiscard]] size_t CountOfLine(const std::string& Command) const;
    /// Replies and arrivals scheduled for a later moment and not delivered yet.
    [[nodiscard]] size_t PendingCount() const { return FPending.size(); }
    void ClearLines() { FLines.clear(); }

    /// Waits on the virtual clock (see above).
    [[nodiscard]] detail::WaitResult WaitReadable(THandle Handle, uint32_t TimeoutMs) override;

    /// Runs for each line as it is received, before its reply is scheduled.
    std::function<void(const std::string& Line)> OnLine;
    /// Runs after each sleep on the clock (after due bytes were delivered), with the time.
    std::function<void(uint32_t Now)> OnSleep;

  private:
    struct Reply {
        std::string Bytes;
        uint32_t DelayMs = 0;
        bool Silent = false;
    };
    struct Script {
        std::deque<Reply> Once;
        Reply Standing;
        bool HasStanding = false;
    };
    struct Delivery {
        uint32_t Due;
        std::string Bytes;
    };

    void Received(const std::string& Bytes);
    void LineDone(const std::string& Line);
    void Schedule(const Reply& What);
    void DeliverDue(uint32_t Now);

    FakeClock& FClock;
    std::map<std::string, Script> FScripts;
    Reply FOthers{Ok, 0, false};
    std::vector<std::string> FLines;
    std::string FPartial;
    bool FAfterCr = false;
    std::vector<Delivery> FPending;  // in order of their moments, ties in order of scheduling
};

/// The reply framing of a modem with echo off: CR LF before and after each line, a blank
/// line between an information line and the final result.
[[nodiscard]] std::string Framed(const std::string& Information, const std::string& Final = "OK");

}  // namespace vorsa::test
