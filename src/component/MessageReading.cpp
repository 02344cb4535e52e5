// Reading one stored message by its index (AT+CMGR) in text or PDU mode, with its deletion
// afterwards when DeleteOnRead is set, and deleting one stored message (AT+CMGD).
#include <string>

#include "component/CommandArguments.h"
#include "component/ReplyFields.h"
#include "component/ReplyOutcome.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string kReadHeader = "+CMGR:";

std::string TrimRight(const std::string& S) {
    size_t End = S.size();
    while (End > 0 && static_cast<unsigned char>(S[End - 1]) <= 32) {
        --End;
    }
    return S.substr(0, End);
}

// The fields of the header line after "+CMGR:".
std::string HeaderAfterMarker(const detail::ReplyMessage& Message) {
    return Message.Header.substr(kReadHeader.size());
}

// "+CMGR: <stat>,<oa>,[<alpha>],<scts>" CR LF <text>: the header fields without quotes,
// then CR LF and the text. A message with an empty text gives the whole line after "+CMGR:"
// as it is.
std::string ParseTextRead(const detail::ReplyMessage& Message) {
    const std::string Header = HeaderAfterMarker(Message);
    const std::string Body = TrimRight(Message.Body);
    if (Body.empty()) {
        return Trim(Header);
    }
    return detail::HeaderFields(Trim(Header)) + "\r\n" + Body;
}

// "+CMGR: <stat>,[<alpha>],<length>" CR LF <pdu>: the header is built from the status and
// the decoded PDU, and the text follows it with no separator. A missing status (ZTE MF626
// answers "+CMGR: ,,35") reads as received unread; one that is not a number raises
// EConvertError.
std::string ParsePduRead(const detail::ReplyMessage& Message) {
    const std::string Fields = HeaderAfterMarker(Message);
    const std::string StatusText = Trim(Fields.substr(0, Fields.find(',')));
    const int32_t Status = StatusText.empty() ? 0 : StrToInt(StatusText);
    std::string Text;
    const std::string Header = detail::DeliverHeader(Message.Pdu, Text);
    return std::string(Status == 0 ? "REC UNREAD," : "REC READ,") + Header + Text;
}

const detail::ReplyMessage* ReadMessageOf(const detail::ReplyOutcome& Reply) {
    for (const detail::ReplyMessage& Message : Reply.Messages) {
        if (startWith(Message.Header, kReadHeader)) {
            return &Message;
        }
    }
    return nullptr;
}

}  // namespace

std::string TVorsa::ReadSMS(const std::string& Reference) {
    return TextMode ? T_ReadSMS(Reference) : P_ReadSMS(Reference);
}

std::string TVorsa::T_ReadSMS(const std::string& Reference) {
    return ReadStoredMessage(Reference, true);
}

std::string TVorsa::P_ReadSMS(const std::string& Reference) {
    return ReadStoredMessage(Reference, false);
}

bool TVorsa::ReferenceAccepted(const std::string& Reference) {
    if (!Connected()) {
        ReportError(ErrNotConnected, GetErrString(ErrNotConnected));
        return false;
    }
    if (!detail::IsStorageIndex(Reference)) {
        ReportError(ErrNotCatalogued, detail::kReferenceRefused);
        return false;
    }
    return true;
}

std::string TVorsa::ReadStoredMessage(const std::string& Reference, bool TextForm) {
    if (!ReferenceAccepted(Reference)) {
        return "";
    }
    detail::ReplyOutcome Reply;
    const bool Accepted = RunExchange("AT+CMGR=" + Reference, Reply, false);
    ReportLatchedErrors();
    const detail::ReplyMessage* Message = ReadMessageOf(Reply);
    if (!Accepted || Message == nullptr) {
        return "";  // refused, or no message in the reply: nothing read, nothing deleted
    }
    const std::string Result = TextForm ? ParseTextRead(*Message) : ParsePduRead(*Message);
    // Only a message read whole is deleted: not one cut short by the time-out, nor one
    // whose end text mode cannot tell (its text may hold a line that reads like the final
    // result); such a message stays in storage to be read again.
    if (DeleteOnRead && Reply.Complete && !Reply.Uncertain && Message->Complete) {
        DeleteAfterRead(Reference);
    }
    return Result;
}

void TVorsa::DeleteAfterRead(const std::string& Reference) {
    detail::ReplyOutcome Reply;
    if (RunExchange("AT+CMGD=" + Reference, Reply, false) && Reply.Complete && OnDeleteSMS) {
        OnDeleteSMS(this, Reference);
    }
}

bool TVorsa::DeleteSMS(const std::string& Reference) {
    if (!ReferenceAccepted(Reference)) {
        return false;
    }
    detail::ReplyOutcome Reply;
    const bool Deleted = RunExchange("AT+CMGD=" + Reference, Reply, false) && Reply.Complete;
    ReportLatchedErrors();
    if (Deleted && OnDeleteSMS) {
        OnDeleteSMS(this, Reference);
    }
    return Deleted;
}

}  // namespace vorsa
