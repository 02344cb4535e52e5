// Sending a short message: the argument checks, then AT+CMGS in text mode (the command and
// the message line by line, each after the modem's "> " prompt, then Ctrl-Z) or in PDU mode
// (the command with the PDU length, the prompt, then the PDU and Ctrl-Z), the final reply,
// and the error tail. No byte of the message is written without its prompt: a missing
// prompt cancels the message with ESC, so that its text never reaches the modem as
// commands.
#include <cstdint>
#include <string>

#include "component/BusyGuard.h"
#include "component/CommandArguments.h"
#include "component/LinkState.h"
#include "component/ReplyOutcome.h"
#include "vorsa/PDU.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

constexpr char kCtrlZ[] = "\x1A";
constexpr size_t kMinDestLength = 3;
constexpr size_t kMaxMessageLength = 159;

}  // namespace

std::string TVorsa::SendSMS(const std::string& Dest, const std::string& Message) {
    return TextMode ? T_SendSMS(Dest, Message) : P_SendSMS(Dest, Message);
}

// The checks both forms make, in this order; the first that fails is reported and ends the
// send before anything is written. The character checks come after the length checks so
// that those keep their order and texts.
bool TVorsa::SendArgumentsAccepted(const std::string& Dest, const std::string& Message,
                                   bool TextForm) {
    if (!Connected()) {
        ReportError(ErrNotConnected, GetErrString(ErrNotConnected));
        return false;
    }
    if (Dest.size() < kMinDestLength) {
        ReportError(ErrNotCatalogued, "Dest number too short.");
        return false;
    }
    if (Message.empty()) {
        ReportError(ErrNotCatalogued, "No message to send.");
        return false;
    }
    if (Message.size() > kMaxMessageLength) {
        ReportError(ErrNotCatalogued, "Message too long.");
        return false;
    }
    if (!detail::IsDialString(Dest)) {
        ReportError(ErrNotCatalogued, detail::kDestCharactersRefused);
        return false;
    }
    if (detail::AddressDigits(Dest) > detail::kMaxAddressDigits) {
        ReportError(ErrNotCatalogued, detail::kDestTooLong);
        return false;
    }
    // In PDU mode the text travels packed inside the hexadecimal PDU, where no byte of it
    // can end the command.
    if (TextForm && detail::HoldsMessageTerminator(Message)) {
        ReportError(ErrNotCatalogued, detail::kMessageTerminatorRefused);
        return false;
    }
    // The service centre goes into the PDU, which is written to the line as it comes out.
    if (!TextForm && !detail::IsServiceCentre(SMSCenter)) {
        ReportError(ErrNotCatalogued, detail::kServiceCentreRefused);
        return false;
    }
    return true;
}

std::string TVorsa::T_SendSMS(const std::string& Dest, const std::string& Message) {
    if (!SendArgumentsAccepted(Dest, Message, true)) {
        return "";
    }
    AwaitIdle();
    std::string Reply;
    bool Lost = false;
    {
        detail::BusyGuard Exchange(Busy);
        // The command is the first line; the message's own line breaks make the others.
        TStringList Lines;
        Lines.SetText("AT+CMGS=\"" + Dest + "\"\r\n" + Message);
        PromptOutcome Outcome = PromptOutcome::Prompt;
        for (int Index = 0; Index < Lines.Count() && Outcome == PromptOutcome::Prompt; ++Index) {
            const uint32_t Start = GetTickCount();
            SendString(Lines[Index] + "\r\n");
            FLink->Command = Lines[Index];  // a modem with echo on repeats it first
            Outcome = AwaitPrompt(Start, Reply);
        }
        FLink->Command.clear();
        if (Outcome == PromptOutcome::Prompt) {
            SendString(kCtrlZ);
            const detail::ReplyOutcome Final = Collect();
            Reply = Final.Text;
            Lost = Final.LinkLost;
        } else if (Outcome == PromptOutcome::LinkLost) {
            Lost = true;
        } else {
            DrainAfterCancel();
        }
    }
    if (Lost) {
        LoseLink();
    }
    ReportLatchedErrors();
    return Reply;
}

std::string TVorsa::P_SendSMS(const std::string& Dest, const std::string& Message) {
    if (!SendArgumentsAccepted(Dest, Message, false)) {
        return "";
    }
    const std::string Pdu = encodeSMS(SMSCenter, Dest, Message, 0, 1, 0);
    AwaitIdle();
    std::string Reply;
    bool Lost = false;
    {
        detail::BusyGuard Exchange(Busy);
        const uint32_t Start = GetTickCount();
        const std::string Command = "AT+CMGS=" + IntToStr(PduLength(Pdu));
        SendString(Command + "\r\n");
        FLink->Command = Command;
        std::string Refusal;
        const PromptOutcome Outcome = AwaitPrompt(Start, Refusal);
        if (Outcome == PromptOutcome::Prompt) {
            SendString(Pdu + kCtrlZ);
            FLink->Command = Pdu;  // a modem with echo on repeats the PDU first
            const detail::ReplyOutcome Final = Collect();
            Reply = Final.Text;
            Lost = Final.LinkLost;
        } else if (Outcome == PromptOutcome::LinkLost) {
            Lost = true;
        } else {
            // The modem did not ask for the PDU: the send is reported as refused (1001), the
            // result stays empty, and ESC drops the message in case the prompt was only late.
            SetSMSError(ErrModemError);
            DrainAfterCancel();
        }
        FLink->Command.clear();
    }
    if (Lost) {
        LoseLink();
    }
    ReportLatchedErrors();
    return Reply;
}

}  // namespace vorsa
