// One command exchange with the modem: write a command line, wait, collect the reply,
// report what went wrong.
#include <string>

#include "component/BusyGuard.h"
#include "component/LinePause.h"
#include "component/LinkState.h"
#include "component/ReplyOutcome.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

// A modem that lets this many exchanges in a row pass without a single byte has stopped
// answering; one silent command alone may be a command it ignores.
constexpr uint32_t kSilentExchangesOfALostModem = 2;

}  // namespace

void TVorsa::wait(int32_t N) {
    Sleep(detail::ScaledPause(N, Baud));
}

// Busy is set only while an exchange runs on this thread, so it is clear again by the time
// anything else runs; the bound keeps a flag that was left set from blocking for ever.
void TVorsa::AwaitIdle() {
    const uint32_t Start = GetTickCount();
    const uint64_t Limit = static_cast<uint64_t>(ReadTimeout) * 1000u;
    while (Busy && static_cast<uint32_t>(GetTickCount() - Start) <= Limit) {
        Sleep(detail::PollStep(Baud));
    }
}

bool TVorsa::RunExchange(const std::string& Command, detail::ReplyOutcome& Out, bool ReportErrors) {
    if (!Connected()) {
        ReportError(ErrNotConnected, GetErrString(ErrNotConnected));
        return false;
    }
    AwaitIdle();
    {
        detail::BusyGuard Guard(Busy);
        // Bytes that were already waiting are kept: reports the modem sent since the last
        // exchange become the start of this reply and are cut out by the collector.
        SendString(Command + "\r\n");
        FLink->Command = Command;
        wait(450);
        Out = Collect();
        FLink->Command.clear();
    }
    if (Out.AnyInput) {
        FLink->SilentExchanges = 0;
    } else if (Out.TimedOut) {
        ++FLink->SilentExchanges;
    }
    if (Out.LinkLost || (FLink->SetUp && FLink->SilentExchanges >= kSilentExchangesOfALostModem)) {
        LoseLink();
    }
    if (ReportErrors) {
        ReportLatchedErrors();
    }
    // A time-out alone does not fail the command: it is reported, and the result follows
    // the reply's final result.
    return !Out.Failed && !Out.LinkLost;
}

bool TVorsa::SendCommand(const std::string& Command, std::string& Reply) {
    if (!Connected()) {
        ReportError(ErrNotConnected, GetErrString(ErrNotConnected));
        return false;
    }
    detail::ReplyOutcome Out;
    const bool Accepted = RunExchange(Command, Out, false);
    Reply = Out.Text;  // given back also when a report below raises
    ReportLatchedErrors();
    return Accepted;
}

std::string TVorsa::SendSMSCommand(const std::string& Command) {
    std::string Reply;
    (void)SendCommand(Command, Reply);
    return Reply;
}

}  // namespace vorsa
