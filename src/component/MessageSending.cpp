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

// The message reference of the last "+CMGS:" report in a send's final reply, or -1.
int ReferenceIn(const detail::ReplyOutcome& Final) {
    int Reference = -1;
    for (const auto& [Kind, Entry] : Final.Reports) {
        if (Kind->Marker != "+CMGS:") {
            continue;
        }
        const std::string Digits = Trim(Entry.substr(Kind->Marker.size()));
        size_t Count = 0;
        while (Count < Digits.size() && Count < 5 && Digits[Count] >= '0' && Digits[Count] <= '9') {
            ++Count;
        }
        if (Count > 0) {
            Reference = std::stoi(Digits.substr(0, Count));
        }
    }
    return Reference;
}

}  // namespace

void TVorsa::Submission::Take(const detail::ReplyOutcome& Final) {
    Written = true;
    Reply = Final.Text;
    TimedOut = Final.TimedOut;
    LinkLost = Final.LinkLost;
    Failed = Final.Failed;
    Reference = ReferenceIn(Final);
}

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
    const Submission Sent = SubmitText(Dest, Message);
    ReportLatchedErrors();
    return Sent.Reply;
}

std::string TVorsa::P_SendSMS(const std::string& Dest, const std::string& Message) {
    if (!SendArgumentsAccepted(Dest, Message, false)) {
        return "";
    }
    // The full alphabet counts septets: a text of fewer than 160 characters can still take
    // more than one message ("[" takes two septets, Cyrillic goes as UCS2, 70 a message).
    // The modem would refuse such a PDU; it is refused here, with the length's own text.
    if (measureText(Message).parts > 1) {
        ReportError(ErrNotCatalogued, "Message too long.");
        return "";
    }
    const std::string Pdu = encodeSMS(SMSCenter, Dest, Message, 0, 1, 0);
    const Submission Sent = SubmitPdu(Pdu, PduLength(Pdu));
    if (Sent.Prompt == PromptOutcome::Refused || Sent.Prompt == PromptOutcome::TimedOut) {
        // The modem did not ask for the PDU: the send is reported as refused (1001) and the
        // result stays empty.
        SetSMSError(ErrModemError);
    }
    ReportLatchedErrors();
    return Sent.Written ? Sent.Reply : "";
}

TVorsa::Submission TVorsa::SubmitText(const std::string& Dest, const std::string& Message) {
    AwaitIdle();
    Submission Sent;
    {
        detail::BusyGuard Exchange(Busy);
        // The command is the first line; the message's own line breaks make the others.
        TStringList Lines;
        Lines.SetText("AT+CMGS=\"" + Dest + "\"\r\n" + Message);
        Sent.Prompt = PromptOutcome::Prompt;
        for (int Index = 0; Index < Lines.Count() && Sent.Prompt == PromptOutcome::Prompt;
             ++Index) {
            const uint32_t Start = GetTickCount();
            SendString(Lines[Index] + "\r\n");
            FLink->Command = Lines[Index];  // a modem with echo on repeats it first
            Sent.Prompt = AwaitPrompt(Start, Sent.Reply);
        }
        FLink->Command.clear();
        if (Sent.Prompt == PromptOutcome::Prompt) {
            SendString(kCtrlZ);
            Sent.Take(Collect());
        } else if (Sent.Prompt == PromptOutcome::LinkLost) {
            Sent.LinkLost = true;
        } else {
            DrainAfterCancel();
        }
    }
    if (Sent.LinkLost) {
        LoseLink();
    }
    return Sent;
}

TVorsa::Submission TVorsa::SubmitPdu(const std::string& Pdu, int32_t Length) {
    AwaitIdle();
    Submission Sent;
    {
        detail::BusyGuard Exchange(Busy);
        const uint32_t Start = GetTickCount();
        const std::string Command = "AT+CMGS=" + IntToStr(Length);
        SendString(Command + "\r\n");
        FLink->Command = Command;
        std::string Refusal;
        Sent.Prompt = AwaitPrompt(Start, Refusal);
        if (Sent.Prompt == PromptOutcome::Prompt) {
            SendString(Pdu + kCtrlZ);
            FLink->Command = Pdu;  // a modem with echo on repeats the PDU first
            Sent.Take(Collect());
        } else if (Sent.Prompt == PromptOutcome::LinkLost) {
            Sent.LinkLost = true;
        } else {
            // ESC drops the message in case the prompt was only late.
            DrainAfterCancel();
        }
        FLink->Command.clear();
    }
    if (Sent.LinkLost) {
        LoseLink();
    }
    return Sent;
}

}  // namespace vorsa
