// The reports a modem sends on its own, in the middle of any reply: the marker that starts
// each, what follows its line (how it is cut out), the queue that keeps it, the window
// message that announces it, and the parser that turns a queued entry into its event.
//
// Another kind of report is one row more: a queue member of TVorsa for it, a window
// message (WindowMessages.h), an event and its parser below. The reply collector, the
// window procedure and the polling timer's re-announcement of lost entries all walk this
// table; nothing else needs to change.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "component/WindowMessages.h"
#include "vorsa/Vorsa32.h"

namespace vorsa::detail {

/// What follows the line that starts a report or a message listing.
enum class PayloadShape : uint8_t {
    None,         ///< nothing: the report is its line
    OneLine,      ///< one line (a PDU in hexadecimal)
    ToNextEntry,  ///< lines, up to the next line with the same marker or the final result
    ToBoundary,   ///< lines, up to a blank line before modem output, or the final result
    ToFinal,      ///< lines, up to the final result
};

struct ReportKind {
    std::string_view Marker;
    PayloadShape TextShape;
    PayloadShape PduShape;
    TStringList TVorsa::*Queue;
    uint32_t WindowMessage;
    /// Raises the event of one entry of the queue.
    void (*Raise)(TVorsa& Vorsa, const std::string& Entry);

    [[nodiscard]] constexpr PayloadShape Shape(bool TextMode) const {
        return TextMode ? TextShape : PduShape;
    }
};

/// The table and the parsers of its entries. A friend of TVorsa, for its queues.
struct ReportTable {
    /// +CMTI: "SM",3 (or +CBMI: "BM",5): OnNotifySMS with the memory inside the quotes and
    /// the index after the comma.
    static void RaiseNotify(TVorsa& Vorsa, const std::string& Entry);
    /// +CMGS: 45: OnSentSMS with the reference.
    static void RaiseSent(TVorsa& Vorsa, const std::string& Entry);
    /// +CMT: <header fields> CR LF <text or PDU>: OnReceiveSMS with the header and the text,
    /// read in the mode TextMode has when the entry is raised.
    static void RaiseReceived(TVorsa& Vorsa, const std::string& Entry);
    /// +CDS: <fields> (text mode) or +CDS: <length> CR LF <PDU>: OnStatusReport.
    static void RaiseStatusReport(TVorsa& Vorsa, const std::string& Entry);
    /// +CDSI: "SR",4: the stored report is read, then raised as OnStatusReport.
    static void RaiseStoredStatusReport(TVorsa& Vorsa, const std::string& Entry);

    static constexpr std::array<ReportKind, 6> Kinds{{
        // A new message was stored: memory and index.
        {"+CMTI:", PayloadShape::None, PayloadShape::None, &TVorsa::NotifyQueue, NotifyMessage,
         &RaiseNotify},
        // A cell broadcast message was stored: memory and index.
        {"+CBMI:", PayloadShape::None, PayloadShape::None, &TVorsa::NotifyQueue, NotifyMessage,
         &RaiseNotify},
        // A message was sent: its reference.
        {"+CMGS:", PayloadShape::None, PayloadShape::None, &TVorsa::SentQueue, SentMessage,
         &RaiseSent},
        // A message delivered directly: a header line, then the text (which may hold line
        // breaks and anything else) or the PDU.
        {"+CMT:", PayloadShape::ToBoundary, PayloadShape::OneLine, &TVorsa::ReceiveQueue,
         ReceiveMessage, &RaiseReceived},
        // A status report: one line of fields in text mode, a length line and the PDU in
        // PDU mode.
        {"+CDS:", PayloadShape::None, PayloadShape::OneLine, &TVorsa::StatusQueue, StatusMessage,
         &RaiseStatusReport},
        // A status report was stored: memory and index.
        {"+CDSI:", PayloadShape::None, PayloadShape::None, &TVorsa::StatusQueue, StatusMessage,
         &RaiseStoredStatusReport},
    }};

    /// The row whose marker starts Line, or null.
    [[nodiscard]] static const ReportKind* ForLine(std::string_view Line) noexcept;
    /// The first row announced by window message Msg, or null.
    [[nodiscard]] static const ReportKind* ForMessage(uint32_t Msg) noexcept;
};

}  // namespace vorsa::detail
