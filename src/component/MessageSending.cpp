// Sending a short message: the argument checks, then AT+CMGS in text mode (the command and
// the message line by line, each after the modem's "> " prompt, then Ctrl-Z) or in PDU mode
// (the command with the PDU length, one look for the prompt, then the PDU and Ctrl-Z), the
// final reply, and the error tail.
#include <cstdint>
#include <string>

#include "component/BusyGuard.h"
#include "component/CommandArguments.h"
#include "component/LinePause.h"
#include "vorsa/PDU.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

constexpr char kCtrlZ[] = "\x1A";
constexpr char kEscape[] = "\x1B";
constexpr uint32_t kPduPromptPauseMs = 500;
constexpr size_t kMinDestLength = 3;
constexpr size_t kMaxMessageLength = 159;

// Between two reads of the text-mode prompt wait, the port is watched for input for at
// most this long: the wait ends as soon as a byte arrives and costs no processor meanwhile.
constexpr uint32_t kPromptWatchSliceMs = 10;
constexpr uint32_t kEmptyReadPauseMs = 1;

// Milliseconds allowed for one reply; 64 bits so that a large ReadTimeout cannot wrap.
uint64_t ReplyLimitMs(uint32_t ReadTimeout) {
    return static_cast<uint64_t>(ReadTimeout) * 1000;
}

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

// Waits for the modem's prompt after one line of a text-mode send. Reads what waits at the
// port and collects it until the collection is exactly ">", or until the reply time-out,
// counted from Start, has passed; then latches 1002.
//
// Between reads the port is watched for input (WaitReadable) for at most a short slice, so
// the wait ends the moment the prompt arrives and does not spin. The time-out is measured on
// the replaceable clock (GetTickCount). A slice that ended without input normally shows on
// that clock as the time it took; when it does not (the clock in place is a virtual one that
// only moves when slept on, or the port could not be watched and the slice returned at once),
// the slice is counted on the clock by sleeping it there. So the time-out comes in real time
// in production and at once under a test's virtual clock, without a core spinning in either
// case. A port that says it has input and then gives nothing is not watched again before a
// pause of a millisecond, so that not even a faulty device can make the wait spin.
void TVorsa::AwaitTextPrompt(uint32_t Start) {
    const uint64_t Limit = ReplyLimitMs(ReadTimeout);
    std::string Collected;
    bool SaidReadable = false;
    for (;;) {
        const std::string Piece = TComPortDriver::ReadString();
        Collected += Piece;
        if (static_cast<uint32_t>(GetTickCount() - Start) > Limit) {
            SetSMSError(ErrReadTimeout);
            return;
        }
        if (IsPromptAfterReports(Collected)) {
            return;
        }
        if (SaidReadable && Piece.empty()) {
            Sleep(kEmptyReadPauseMs);
        }
        const uint32_t SliceStart = GetTickCount();
        SaidReadable = WaitReadable(kPromptWatchSliceMs);
        if (!SaidReadable && GetTickCount() == SliceStart) {
            Sleep(kPromptWatchSliceMs);
        }
    }
}

std::string TVorsa::T_SendSMS(const std::string& Dest, const std::string& Message) {
    if (!SendArgumentsAccepted(Dest, Message, true)) {
        return "";
    }
    while (Busy) {
        Sleep(detail::PollStep(Baud));
    }
    std::string Reply;
    {
        detail::BusyGuard Exchange(Busy);
        // The command is the first line; the message's own line breaks make the others.
        TStringList Lines;
        Lines.SetText("AT+CMGS=\"" + Dest + "\"\r\n" + Message);
        for (int Index = 0; Index < Lines.Count(); ++Index) {
            const uint32_t Start = GetTickCount();
            SendString(Lines[Index] + "\r\n");
            AwaitTextPrompt(Start);
        }
        SendString(kCtrlZ);
        Reply = ReadString();
    }
    ReportLatchedErrors();
    return Reply;
}

std::string TVorsa::P_SendSMS(const std::string& Dest, const std::string& Message) {
    if (!SendArgumentsAccepted(Dest, Message, false)) {
        return "";
    }
    const std::string Pdu = encodeSMS(SMSCenter, Dest, Message, 0, 1, 0);
    while (Busy) {
        Sleep(detail::PollStep(Baud));
    }
    std::string Reply;
    {
        detail::BusyGuard Exchange(Busy);
        SendString("AT+CMGS=" + IntToStr(PduLength(Pdu)) + "\r\n");
        Sleep(kPduPromptPauseMs);
        std::string Prompt = TComPortDriver::ReadString();
        if (!IsPromptAfterReports(Prompt)) {
            // The modem did not ask for the PDU (or something else came first): the PDU is
            // not written, and the send is reported as refused. A modem whose prompt is
            // merely late, or was hidden behind an echo, would otherwise wait for a PDU and
            // take every later command as part of one: ESC tells it to drop the message.
            // What it answers to that is read off the line, reports kept.
            SetSMSError(ErrModemError);
            SendString(kEscape);
            wait(450);
            std::string Answer = TComPortDriver::ReadString();
            CutUnsolicitedReports(Answer);
        } else {
            SendString(Pdu + kCtrlZ);
            Reply = ReadString();
        }
    }
    ReportLatchedErrors();
    return Reply;
}

}  // namespace vorsa
