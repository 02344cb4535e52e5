// A status report the modem stored and announced with "+CDSI:": read with AT+CMGR, taken
// apart (the SMS-STATUS-REPORT in PDU mode, its fields in text mode), raised as
// OnStatusReport, and deleted afterwards when DeleteOnRead is set. Runs from the hidden
// window; what goes wrong is reported through OnSMSError.
#include <optional>
#include <string>
#include <vector>

#include "component/CommandArguments.h"
#include "component/ReplyOutcome.h"
#include "component/TextModeFields.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string kReadHeader = "+CMGR:";

// The stored report of a read: "+CMGR: <stat>,,<length>" and the PDU, or in text mode
// "+CMGR: <stat>,<fo>,<mr>,<ra>,<tora>,<scts>,<dt>,<st>".
std::optional<StatusReport> StoredReportOf(const detail::ReplyMessage& Message, bool TextMode) {
    if (TextMode) {
        return detail::StatusReportFromFields(detail::SplitTextFields(Message.Header), 1);
    }
    return decodeStatusReport(Message.Pdu);
}

}  // namespace

void TVorsa::ReadAnnouncedReport(const std::string& Index) {
    if (!detail::IsStorageIndex(Index)) {
        ReportError(ErrNotCatalogued, detail::kReferenceRefused);
        return;
    }
    detail::ReplyOutcome Reply;
    const bool Accepted = RunExchange("AT+CMGR=" + Index, Reply, false);
    ReportLatchedErrors();
    const detail::ReplyMessage* Stored = nullptr;
    for (const detail::ReplyMessage& Message : Reply.Messages) {
        if (startWith(Message.Header, kReadHeader)) {
            Stored = &Message;
            break;
        }
    }
    if (!Accepted || Stored == nullptr) {
        return;
    }
    const std::optional<StatusReport> Report = StoredReportOf(*Stored, TextMode);
    if (!Report) {
        ReportError(ErrNotCatalogued, "The status report at index " + Index +
                                          " cannot be read; it stays on the modem.");
        return;
    }
    if (OnStatusReport) {
        OnStatusReport(this, *Report);
    }
    if (DeleteOnRead && Reply.Complete) {
        (void)DeleteStoredPart(StrToInt(Index));
        ReportLatchedErrors();
    }
}

}  // namespace vorsa
