// The parsers of the report table: each turns one queued entry into its event.
#include <optional>
#include <string>
#include <vector>

#include "component/ReplyFields.h"
#include "component/StoredMessages.h"
#include "component/TextModeFields.h"
#include "component/UnsolicitedReports.h"
#include "vorsa/SMScnst.h"

namespace vorsa::detail {

namespace {

const std::string kLineBreak = "\r\n";
const std::string kFinalOk = "OK";

int64_t LengthOf(const std::string& S) {
    return static_cast<int64_t>(S.size());
}

// The entry without the marker that starts it and the blanks after the marker.
std::string Fields(const std::string& Entry) {
    const ReportKind* Kind = ReportTable::ForLine(Entry);
    const size_t Skip = Kind == nullptr ? 0 : Kind->Marker.size();
    return Trim(Entry.substr(Skip));
}

// A received entry's text without the final "OK" of the reply it was cut from, where one
// can be told from the text: joined straight to a header that has no text after it, or
// standing after a blank line. A text that ends in "OK" on a line of its own, or in
// "Fine, OK", keeps it.
std::string WithoutReplyResult(const std::string& S) {
    if (!endWith(S, kFinalOk)) {
        return S;
    }
    const std::string Before = S.substr(0, S.size() - kFinalOk.size());
    if (Pos(kLineBreak, S) == 0 || endWith(Before, kLineBreak + kLineBreak)) {
        return Trim(Before);
    }
    return S;
}

}  // namespace

void ReportTable::RaiseNotify(TVorsa& Vorsa, const std::string& Entry) {
    // With OnMessage assigned the component reads new messages itself; cell broadcasts
    // are still only announced.
    if (Vorsa.OnMessage && startWith(Entry, "+CMTI:")) {
        const std::vector<TextField> Parts = SplitTextFields(Entry);
        if (Parts.size() >= 2) {
            Vorsa.ReadAnnouncedMessage(Parts[0].Value, WithoutFinalOk(Parts[1].Value));
        }
        return;
    }
    const std::string S = Fields(Entry);
    // A final "OK" that an older reply joined to the report is no part of the index.
    const std::string Reference = WithoutFinalOk(Copy(S, Pos(",", S) + 1, LengthOf(S)));
    const std::string Mem = Copy(S, 2, 2);
    if (Vorsa.OnNotifySMS) {
        Vorsa.OnNotifySMS(&Vorsa, Mem, Reference);
    }
}

void ReportTable::RaiseSent(TVorsa& Vorsa, const std::string& Entry) {
    // 45, possibly with a final OK joined (45OK) or on a line of its own (45 CR LF OK).
    const std::string Reference = WithoutFinalOk(Fields(Entry));
    if (Vorsa.OnSentSMS) {
        Vorsa.OnSentSMS(&Vorsa, Reference);
    }
}

void ReportTable::RaiseReceived(TVorsa& Vorsa, const std::string& Entry) {
    if (Vorsa.OnMessage) {
        if (std::optional<ReceivedPart> Part =
                ForwardedPartOf(WithoutReplyResult(Fields(Entry)), Vorsa.TextMode)) {
            Vorsa.AcceptPart(std::move(*Part));
            return;
        }
        // Not a message the component can read (a PDU that does not decode): handed on as
        // the classic event has always done, so that nothing is lost.
    }
    const std::string S = WithoutReplyResult(Fields(Entry));
    const int64_t LineEnd = Pos(kLineBreak, S);
    std::string Header;
    std::string MessageBody;
    if (LineEnd == 0) {
        // No line break after the header fields: the entry is all header, and the message
        // is empty.
        Header = HeaderFields(S);
    } else if (Vorsa.TextMode) {
        Header = HeaderFields(Copy(S, 1, LineEnd - 1));
        MessageBody = Copy(S, LineEnd + 2, LengthOf(S));
    } else {
        Header = DeliverHeader(Trim(Copy(S, LineEnd + 2, LengthOf(S))), MessageBody);
    }
    if (Vorsa.OnReceiveSMS) {
        Vorsa.OnReceiveSMS(&Vorsa, Header, MessageBody);
    }
}

void ReportTable::RaiseStatusReport(TVorsa& Vorsa, const std::string& Entry) {
    std::optional<StatusReport> Report;
    const size_t LineEnd = Entry.find(kLineBreak);
    if (LineEnd == std::string::npos) {
        Report = ParseStatusReportLine(Entry);
    } else {
        Report = decodeStatusReport(Trim(Entry.substr(LineEnd + kLineBreak.size())));
    }
    if (!Report) {
        Vorsa.ReportError(ErrNotCatalogued, "A status report that cannot be read: " + Entry);
        return;
    }
    if (Vorsa.OnStatusReport) {
        Vorsa.OnStatusReport(&Vorsa, *Report);
    }
}

void ReportTable::RaiseStoredStatusReport(TVorsa& Vorsa, const std::string& Entry) {
    const std::vector<TextField> Parts = SplitTextFields(Entry);
    if (Vorsa.OnStatusReport && Parts.size() >= 2) {
        Vorsa.ReadAnnouncedReport(WithoutFinalOk(Parts[1].Value));
    }
}

const ReportKind* ReportTable::ForLine(std::string_view Line) noexcept {
    for (const ReportKind& Kind : Kinds) {
        if (Line.substr(0, Kind.Marker.size()) == Kind.Marker) {
            return &Kind;
        }
    }
    return nullptr;
}

const ReportKind* ReportTable::ForMessage(uint32_t Msg) noexcept {
    for (const ReportKind& Kind : Kinds) {
        if (Kind.WindowMessage == Msg) {
            return &Kind;
        }
    }
    return nullptr;
}

}  // namespace vorsa::detail
