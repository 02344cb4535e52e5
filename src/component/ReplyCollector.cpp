// The reply collector: joins what the modem sends after a command, poll by poll, until a
// final result line has come or the read time-out passes; cuts the modem's unsolicited
// reports out of it into the component's queues; and latches the error the reply carries.
// The bytes are read as they are and taken apart line by line (ReplyScan), so that a
// message's text is never taken for the end of the reply or for a report, and a line that
// comes in slowly is waited for rather than cut.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "component/LinePause.h"
#include "component/LinkState.h"
#include "component/ReplyBytes.h"
#include "component/ReplyDissect.h"
#include "component/ReplyOutcome.h"
#include "component/ReplyScan.h"
#include "component/UnsolicitedReports.h"
#include "platform/PostToWindow.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

// Each report queue keeps at most this many entries; a flood beyond it is dropped rather
// than grow without end while the application does not run its message loop.
constexpr int kMostQueued = 10000;
// Where the reply's end is not certain (an answer that stands for the final result, or a
// final result that may be a text-mode message's last line), the line must stay silent
// this long before the reply counts as complete, so that a slow line, one that trickles
// its bytes, finishes first.
constexpr uint32_t kUncertainEndSilenceMs = 500;
// Once the reply has its final result, how long bytes that keep coming (a flood of reports)
// may hold it open.
constexpr uint32_t kSettleMs = 1000;

// Commands whose answer line stands for the final result when none follows.
struct AnswerWithoutResult {
    std::string_view Command;
    std::string_view Answer;
};
constexpr std::array<AnswerWithoutResult, 1> AnswersWithoutResult{{
    // Wavecom modems answer the PIN query with "+CPIN: READY" alone.
    {"AT+CPIN?", "+CPIN:"},
}};

std::string_view AnswerWithoutResultFor(std::string_view Command) {
    for (const AnswerWithoutResult& Row : AnswersWithoutResult) {
        if (Command.size() == Row.Command.size() &&
            std::equal(Command.begin(), Command.end(), Row.Command.begin(), [](char A, char B) {
                return std::toupper(static_cast<unsigned char>(A)) == B;
            })) {
            return Row.Answer;
        }
    }
    return {};
}

bool IsBlankText(std::string_view Text) {
    return std::all_of(Text.begin(), Text.end(),
                       [](char C) { return static_cast<unsigned char>(C) <= 32; });
}

}  // namespace

void TVorsa::ProcessNot(const std::string& Report, uint32_t Msg, TStringList& Queue) {
    if (Queue.Count() >= kMostQueued) {
        return;
    }
    Queue.Add(Report);
    // One posted message stands for one queue entry; a failed post (no window in design
    // state) leaves the entry for a later message.
    (void)detail::PostToWindow(TimerWindow, Msg, 0, 0);
}

void TVorsa::QueueReports(const detail::ReplyOutcome& Reply) {
    for (const auto& [Kind, Entry] : Reply.Reports) {
        ProcessNot(Entry, Kind->WindowMessage, this->*(Kind->Queue));
    }
}

detail::ReplyOutcome TVorsa::Collect() {
    detail::ReplyOutcome Out;
    std::string Raw = std::exchange(FLink->Carry, std::string());
    const detail::ScanContext Context{TextMode, FLink->Command};
    const std::string_view Answer = AnswerWithoutResultFor(FLink->Command);
    const uint32_t Start = GetTickCount();
    const uint64_t Limit = static_cast<uint64_t>(ReadTimeout) * 1000u;
    bool WaitingForQuiet = false;
    uint32_t WaitingForQuietSince = 0;
    uint32_t LastInputAt = Start;
    bool Full = false;
    bool SaidReady = false;
    std::optional<detail::ReplyScan> Scan;
    for (;;) {
        const int32_t Waiting = GetIn();
        const size_t Before = Raw.size();
        if (Waiting > 0) {
            const std::string Piece = GetString(Waiting);
            Out.AnyInput = Out.AnyInput || !Piece.empty();
            // A reply that overflows waits for the time-out: its end is lost.
            Full = !detail::AppendReplyBytes(Raw, Piece) || Full;
        }
        const bool Quiet = Raw.size() == Before;
        if (!Quiet) {
            LastInputAt = GetTickCount();
        }
        if (SaidReady && Quiet) {
            Sleep(1);  // a device that says it has input and then has none must not spin us
        }
        // One step of waiting, ended early by input.
        const tInputWait Wait = WaitForInput(detail::PollStep(Baud));
        if (Wait == tInputWait::Failed && Waiting < 0) {
            Out.LinkLost = true;  // the device is gone: neither read nor waited on
            break;
        }
        if (Wait == tInputWait::Failed) {
            Sleep(detail::PollStep(Baud));
        }
        SaidReady = Wait == tInputWait::Ready;
        // The time-out counts from the start, not from the last byte: a reply still
        // trickling in is cut short.
        if (static_cast<uint32_t>(GetTickCount() - Start) > Limit) {
            Out.TimedOut = true;
            break;
        }
        if (!Scan || !Quiet) {
            Scan.emplace(Raw, Context);
        }
        const bool HasFinal = Scan->Final().has_value();
        const bool Answered = !HasFinal && !Answer.empty() && Scan->FindAnswer(Answer) &&
                              IsBlankText(Scan->Partial());
        if (Full || (!HasFinal && !Answered)) {
            WaitingForQuiet = false;
            continue;
        }
        // A final result ends the reply at once, unless something may still follow that
        // belongs to this reply: a text-mode message (whose last line may yet turn out not
        // to be the last), a line half received, or reports after the final result, for
        // which the next poll that finds the line quiet is waited; or an end that is not
        // certain, for which the line must stay silent a while.
        const bool UncertainEnd = Answered || Scan->Uncertain();
        const bool MayGoOn = Scan->HasTextMessage() || !IsBlankText(Scan->Partial()) ||
                             Scan->LinesAfterFinal();
        const uint32_t Silence = GetTickCount() - LastInputAt;
        if (UncertainEnd ? Silence >= kUncertainEndSilenceMs : (!MayGoOn || Quiet)) {
            Out.Complete = true;
            break;
        }
        if (!WaitingForQuiet) {
            WaitingForQuiet = true;
            WaitingForQuietSince = GetTickCount();
        }
        if (!UncertainEnd &&
            static_cast<uint32_t>(GetTickCount() - WaitingForQuietSince) >= kSettleMs) {
            Out.Complete = true;
            break;
        }
    }

    if (Out.Complete) {
        // A report or message not come in full is kept whole for the next reply.
        const size_t Tail = detail::ReplyScan(Raw, Context).OpenTail();
        FLink->Carry = Raw.substr(Tail);
        Raw.resize(Tail);
    }
    const detail::ReplyScan Final(Raw, Context);
    detail::Dissect(Raw, Final, Out);
    Out.Failed = Final.Failed();
    Out.Uncertain = Final.Uncertain();
    QueueReports(Out);

    if (Out.TimedOut) {
        SetSMSError(ErrReadTimeout);
        // After a time-out no modem code is read, but an ERROR that did come still wins.
        if (Final.Final() && Final.ErrorCode() == ErrModemError) {
            SetSMSError(ErrModemError);
        }
    } else if (Out.Complete) {
        SetSMSError(Final.ErrorCode());
    }
    return Out;
}

std::string TVorsa::ReadString() {
    return Collect().Text;
}

}  // namespace vorsa
