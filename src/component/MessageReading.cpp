// Reading one stored message by its index (AT+CMGR) in text or PDU mode, with its deletion
// afterwards when DeleteOnRead is set, and deleting one stored message (AT+CMGD).
#include <string>

#include "component/CommandArguments.h"
#include "component/ReplyFields.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string kLineBreak = "\r\n";

int64_t LengthOf(const std::string& S) {
    return static_cast<int64_t>(S.size());
}

// "+CMGR: <stat>,<oa>,[<alpha>],<scts>" CR LF <text>: the header fields without quotes,
// then CR LF and the text. A reply without a line break (a message with an empty text) has
// an empty header and gives the whole line after "+CMGR:" as it is.
std::string ParseTextRead(const std::string& Reply) {
    const std::string Rest = detail::WithoutFinalOk(Trim(Copy(Reply, 7, LengthOf(Reply))));
    const int64_t LineEnd = Pos(kLineBreak, Rest);
    const std::string Header = Copy(Rest, 1, LineEnd - 1);
    const std::string Body = Copy(Rest, LineEnd, LengthOf(Rest));
    return detail::HeaderFields(Header) + Body;
}

// "+CMGR: <stat>,[<alpha>],<length>" CR LF <pdu>: the header is built from the status and
// the decoded PDU, and the text follows it with no separator. A status that is not a number
// raises EConvertError.
std::string ParsePduRead(const std::string& Reply) {
    const int32_t Status = StrToInt(Trim(Copy(Reply, 7, Pos(",", Reply) - 7)));
    // A final "OK" read apart from the PDU follows it with no line break; it is cut off
    // before the PDU line is taken.
    const std::string Rest =
        detail::WithoutFinalOk(Copy(Reply, Pos(kLineBreak, Reply) + 2, LengthOf(Reply)));
    const int64_t LineEnd = Pos(kLineBreak, Rest);
    const std::string Pdu = Trim(LineEnd == 0 ? Rest : Copy(Rest, 1, LineEnd - 1));
    std::string Text;
    const std::string Header = detail::DeliverHeader(Pdu, Text);
    return std::string(Status == 0 ? "REC UNREAD," : "REC READ,") + Header + Text;
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
    std::string Reply;
    if (!SendCommand("AT+CMGR=" + Reference, Reply)) {
        return "";
    }
    const std::string Result = TextForm ? ParseTextRead(Reply) : ParsePduRead(Reply);
    // Only a complete reply ends in the final "OK". One cut short by the read time-out has
    // not brought the whole message, so the message stays in storage to be read again.
    if (DeleteOnRead && endWith(Reply, "OK")) {
        (void)DeleteSMS(Reference);
    }
    return Result;
}

bool TVorsa::DeleteSMS(const std::string& Reference) {
    if (!ReferenceAccepted(Reference)) {
        return false;
    }
    const bool Deleted = endWith(SendSMSCommand("AT+CMGD=" + Reference), "OK");
    if (Deleted && OnDeleteSMS) {
        OnDeleteSMS(this, Reference);
    }
    return Deleted;
}

}  // namespace vorsa
