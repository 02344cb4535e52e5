// Waiting for the modem's "> " prompt before the text or PDU of a message, and cancelling a
// message the modem did not prompt for.
#include <cstdint>
#include <string>
#include <utility>

#include "component/LinePause.h"
#include "component/LinkState.h"
#include "component/ReplyBytes.h"
#include "component/ReplyDissect.h"
#include "component/ReplyOutcome.h"
#include "component/ReplyScan.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

constexpr char kEscape[] = "\x1B";
constexpr char kPrompt[] = ">";

// The prompt is the last thing received, whatever came before it (an echo, reports, a
// vendor's line): the line not yet ended, or failing that the last line.
bool EndsInPrompt(const detail::ReplyScan& Scan) {
    const std::string Partial = Trim(std::string(Scan.Partial()));
    if (!Partial.empty()) {
        return Partial == kPrompt;
    }
    const std::vector<detail::ReplyLine>& Lines = Scan.Lines();
    return !Lines.empty() && Lines.back().Role == detail::LineRole::Information &&
           Trim(std::string(Scan.Text(Lines.back()))) == kPrompt;
}

}  // namespace

TVorsa::PromptOutcome TVorsa::AwaitPrompt(uint32_t Start, std::string& Refusal) {
    std::string Raw = std::exchange(FLink->Carry, std::string());
    const detail::ScanContext Context{TextMode, FLink->Command};
    const uint64_t Limit = static_cast<uint64_t>(ReadTimeout) * 1000u;
    bool SaidReady = false;
    bool First = true;
    for (;;) {
        const int32_t Waiting = GetIn();
        const size_t Before = Raw.size();
        if (Waiting > 0) {
            (void)detail::AppendReplyBytes(Raw, GetString(Waiting));
        }
        const bool Quiet = Raw.size() == Before;
        if (First || !Quiet) {
            const detail::ReplyScan Scan(Raw, Context);
            detail::ReplyOutcome Seen;
            if (EndsInPrompt(Scan)) {
                detail::Dissect(Raw, Scan, Seen);
                QueueReports(Seen);
                return PromptOutcome::Prompt;
            }
            // A final result instead: the modem refused the message.
            if (Scan.Final()) {
                detail::Dissect(Raw, Scan, Seen);
                QueueReports(Seen);
                Refusal = Seen.Text;
                SetSMSError(Scan.ErrorCode());
                return PromptOutcome::Refused;
            }
        }
        First = false;
        const uint32_t Elapsed = GetTickCount() - Start;
        if (Elapsed > Limit) {
            SetSMSError(ErrReadTimeout);
            const detail::ReplyScan Scan(Raw, Context);
            detail::ReplyOutcome Late;
            detail::Dissect(Raw, Scan, Late);
            QueueReports(Late);
            return PromptOutcome::TimedOut;
        }
        if (SaidReady && Quiet) {
            Sleep(1);  // a device that says it has input and then has none must not spin us
        }
        // Until the prompt comes (the wait ends with the first byte), or the time-out.
        const tInputWait Wait = WaitForInput(static_cast<uint32_t>(Limit - Elapsed + 1));
        if (Wait == tInputWait::Failed && Waiting < 0) {
            return PromptOutcome::LinkLost;
        }
        if (Wait == tInputWait::Failed) {
            Sleep(detail::PollStep(Baud));
        }
        SaidReady = Wait == tInputWait::Ready;
    }
}

void TVorsa::DrainAfterCancel() {
    // ESC tells a modem that may still wait for the message to drop it; it answers OK,
    // which must not be taken for the answer to the next command.
    SendString(kEscape);
    wait(450);
    std::string Raw = std::exchange(FLink->Carry, std::string());
    const int32_t Waiting = GetIn();
    if (Waiting > 0) {
        (void)detail::AppendReplyBytes(Raw, GetString(Waiting));
    }
    const detail::ReplyScan Scan(Raw, detail::ScanContext{TextMode, ""});
    detail::ReplyOutcome Answer;
    detail::Dissect(Raw, Scan, Answer);
    QueueReports(Answer);
}

}  // namespace vorsa
