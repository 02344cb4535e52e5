// Sending a message as people write it: any text, in as many parts as it takes, with a
// status report, a class or a validity when asked, and a result that says what became of
// it: every part's reference, and whether a failure is for good, worth another try, or
// may have let the message go out all the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "component/CommandArguments.h"
#include "component/LatchesAside.h"
#include "component/MessageFlow.h"
#include "component/ReplyOutcome.h"
#include "component/SendRefusals.h"
#include "pdu/MessagePayload.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

constexpr size_t kMinDestLength = 3;
constexpr size_t kTextModeSeptets = 160;

// The submit parameters of text mode (AT+CSMP) that the send sets back afterwards: an
// SMS-SUBMIT with a relative validity period of one day, no protocol, the default alphabet.
constexpr const char* kUsualSubmitParameters = "AT+CSMP=17,167,0,0";
constexpr int kSubmitWithValidity = 17;
constexpr int kStatusReportRequest = 32;
constexpr int kOneDayValidity = 167;
constexpr int kClassInDefaultAlphabet = 0xF0;

constexpr const char* kNeedsPduMode =
    "Text mode sends one part of letters, digits and common punctuation; this text needs PDU "
    "mode (TextMode false).";
constexpr const char* kTooManyParts = "Message too long: more than 255 parts.";

// Characters whose byte means the same in every character set a modem takes in text mode
// and that take one septet: printable ASCII but for the characters of the extension table
// and the backquote, which the GSM alphabet lacks; and line breaks.
bool TextModeCarries(const std::string& Text) {
    if (Text.size() > kTextModeSeptets) {
        return false;
    }
    for (const char C : Text) {
        const auto Byte = static_cast<unsigned char>(C);
        const bool Printable = Byte >= 0x20 && Byte <= 0x7E;
        if (!(Printable || C == '\r' || C == '\n') ||
            std::string_view("[\\]^{|}~`").find(C) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

SendResult Refused(SendOutcome Outcome, int32_t Code, std::string Text) {
    SendResult Result;
    Result.outcome = Outcome;
    Result.errorCode = Code;
    Result.errorText = std::move(Text);
    return Result;
}

}  // namespace

SendResult TVorsa::SendMessage(const std::string& Dest, const std::string& Text,
                               const SubmitOptions& Options) {
    if (!Connected()) {
        return Refused(SendOutcome::Transient, ErrNotConnected, GetErrString(ErrNotConnected));
    }
    const char* Refusal = Dest.size() < kMinDestLength  ? "Dest number too short."
                          : Text.empty()                ? "No message to send."
                          : !detail::IsDialString(Dest) ? detail::kDestCharactersRefused
                          : detail::AddressDigits(Dest) > detail::kMaxAddressDigits
                              ? detail::kDestTooLong
                          : !detail::IsServiceCentre(SMSCenter) ? detail::kServiceCentreRefused
                                                                : nullptr;
    if (Refusal != nullptr) {
        return Refused(SendOutcome::Permanent, ErrNotCatalogued, Refusal);
    }
    detail::LatchesAside Aside(*this);
    return TextMode ? SendTextModeMessage(Dest, Text, Options) : SendPduParts(Dest, Text, Options);
}

// What one unit's exchange, and the latched code that explains a failure, mean for the send.
SendOutcome TVorsa::Submission::OutcomeWith(int32_t Code) const {
    if (Written) {
        if (LinkLost || (TimedOut && !Failed)) {
            return SendOutcome::Ambiguous;  // the unit went; its answer did not come
        }
        if (!Failed) {
            return SendOutcome::Sent;
        }
    }
    return detail::IsPermanentRefusal(Code) ? SendOutcome::Permanent : SendOutcome::Transient;
}

SendResult TVorsa::SendPduParts(const std::string& Dest, const std::string& Text,
                                const SubmitOptions& Options) {
    const TextSize Size = measureText(Text, Options.coding);
    if (Size.parts > 255) {
        return Refused(SendOutcome::Permanent, ErrNotCatalogued, kTooManyParts);
    }
    const uint8_t Reference = Size.parts > 1 ? FMessages->References.next(Dest) : 0;
    const SubmitEncoding Encoding = encodeSubmitParts(SMSCenter, Dest, Text, Options, Reference);
    if (Encoding.error != SubmitError::None) {
        return Refused(SendOutcome::Permanent, ErrNotCatalogued,
                       Encoding.error == SubmitError::TooLong ? kTooManyParts
                       : Encoding.error == SubmitError::InvalidServiceCentre
                           ? detail::kServiceCentreRefused
                           : detail::kDestCharactersRefused);
    }
    SendResult Result;
    Result.parts = static_cast<uint8_t>(Encoding.parts.size());
    for (const SubmitPart& Part : Encoding.parts) {
        if (!Connected()) {
            Result.outcome = SendOutcome::Transient;
            Result.errorCode = ErrNotConnected;
            Result.errorText = GetErrString(ErrNotConnected);
            return Result;
        }
        const Submission Sent = SubmitPdu(Part.pdu, Part.length);
        const int32_t System = GetError();
        int32_t Code = GetSMSError();
        if (Sent.Written && !Sent.Failed && !Sent.TimedOut && !Sent.LinkLost) {
            Result.references.push_back(Sent.Reference);
            continue;
        }
        if (!Sent.Written && Code == 0) {
            Code = ErrModemError;  // no prompt, and the modem said nothing of why
        }
        Result.outcome = Sent.OutcomeWith(Code);
        if (System != 0 && (Sent.LinkLost || Code == 0)) {
            Result.errorCode = ErrNotCatalogued;
            Result.errorText = "System Error " + IntToStr(System);
        } else {
            Result.errorCode = Code;
            Result.errorText = GetErrString(Code);
        }
        return Result;
    }
    Result.outcome = SendOutcome::Sent;
    return Result;
}

SendResult TVorsa::SendTextModeMessage(const std::string& Dest, const std::string& Text,
                                       const SubmitOptions& Options) {
    if (Options.coding != TextCoding::Automatic || !TextModeCarries(Text)) {
        return Refused(SendOutcome::Permanent, ErrNotCatalogued, kNeedsPduMode);
    }
    // Text mode takes the report request, the validity and the class from AT+CSMP.
    const bool Parameters = Options.statusReport || Options.validity || Options.messageClass;
    if (Parameters) {
        const int FirstOctet =
            kSubmitWithValidity + (Options.statusReport ? kStatusReportRequest : 0);
        const int Validity =
            Options.validity ? detail::relativeValidity(*Options.validity) : kOneDayValidity;
        const int Coding = Options.messageClass
                               ? kClassInDefaultAlphabet + static_cast<int>(*Options.messageClass)
                               : 0;
        detail::ReplyOutcome Reply;
        if (!RunExchange("AT+CSMP=" + IntToStr(FirstOctet) + "," + IntToStr(Validity) + ",0," +
                             IntToStr(Coding),
                         Reply, false) ||
            !Reply.Complete) {
            const int32_t Code = GetSMSError();
            return Refused(Connected() ? SendOutcome::Permanent : SendOutcome::Transient,
                           Code == 0 ? ErrModemError : Code,
                           "The modem does not take the report, class or validity in text mode "
                           "(AT+CSMP); PDU mode sends them.");
        }
    }
    SendResult Result;
    Result.parts = 1;
    const Submission Sent = SubmitText(Dest, Text);
    const int32_t System = GetError();
    const int32_t Code = GetSMSError();
    if (Parameters && Connected()) {
        detail::ReplyOutcome Reply;
        (void)RunExchange(kUsualSubmitParameters, Reply, false);
        (void)GetSMSError();  // the send's outcome stands whatever this answers
    }
    Result.outcome = Sent.OutcomeWith(Code);
    if (Result.outcome == SendOutcome::Sent) {
        Result.references.push_back(Sent.Reference);
        return Result;
    }
    if (System != 0 && (Sent.LinkLost || Code == 0)) {
        Result.errorCode = ErrNotCatalogued;
        Result.errorText = "System Error " + IntToStr(System);
    } else {
        Result.errorCode = Code == 0 ? ErrModemError : Code;
        Result.errorText = GetErrString(Result.errorCode);
    }
    return Result;
}

}  // namespace vorsa
