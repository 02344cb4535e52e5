// What one collected reply brought, for the operations that need more than its text.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "component/UnsolicitedReports.h"

namespace vorsa::detail {

/// A stored message in a reply: the one of +CMGR, or each of a +CMGL listing.
struct ReplyMessage {
    /// The header line, "+CMGR: ..." or "+CMGL: ...".
    std::string Header;
    /// Text mode: everything after the header's line break up to the line that ends the
    /// message (the next message, or the line break before the final result), as received.
    std::string Body;
    /// PDU mode: the PDU line, trimmed.
    std::string Pdu;
    /// The message ended before the reply did: at the next message or at the final result.
    bool Complete = false;
};

struct ReplyOutcome {
    /// The reply in the shape callers of ReadString and SendCommand know: trimmed, with the
    /// reports, the echo and vendor lines cut out.
    std::string Text;
    /// A final result line came (or the answer that stands for one).
    bool Complete = false;
    bool TimedOut = false;
    /// The port hung up: the reply ends where it stands.
    bool LinkLost = false;
    /// The final result may be the last line of a text-mode message (see ReplyScan).
    bool Uncertain = false;
    /// The final result fails the command.
    bool Failed = false;
    /// A byte at all arrived.
    bool AnyInput = false;
    std::vector<ReplyMessage> Messages;
    /// The reports, in the order of the report table, each with its queue entry.
    std::vector<std::pair<const ReportKind*, std::string>> Reports;
};

}  // namespace vorsa::detail
