// The received messages in a read (+CMGR) or a listing (+CMGL), taken apart into parts for
// the reassembly, and reassembled messages turned into what the application receives. No
// I/O.
#pragma once

#include <optional>
#include <string>

#include "component/ReplyOutcome.h"
#include "vorsa/MessageTypes.h"
#include "vorsa/PDU.h"

namespace vorsa::detail {

/// The storage index of a listed message ("+CMGL: 3,..."); 0 when it has none.
[[nodiscard]] int ListedIndexOf(const ReplyMessage& Message);

/// The received message of a read or a listing as a part kept at Memory and Index; none
/// for a unit that is no received message (a stored status report, a message stored for
/// sending, a PDU that does not decode). In text mode the modem shows no concatenation,
/// so every message is one of its own; its text is read as UTF-8 where it is that, else as
/// ISO 8859-1.
[[nodiscard]] std::optional<ReceivedPart> ReceivedPartOf(const ReplyMessage& Message, bool TextMode,
                                                         const std::string& Memory, int Index);

/// A directly forwarded message ("+CMT: " entry: the header fields, CR LF, the text or
/// PDU) as a part that is not stored.
[[nodiscard]] std::optional<ReceivedPart> ForwardedPartOf(const std::string& Entry, bool TextMode);

/// What the application receives of a reassembled message.
[[nodiscard]] SmsMessage ToSmsMessage(const ReassembledMessage& Message);

/// The text as UTF-8: well-formed UTF-8 stays, every other byte is read as ISO 8859-1.
[[nodiscard]] std::string AsUtf8(const std::string& Bytes);

/// A key for a message's concatenation (sender, reference, parts): equal for the parts of
/// one message, "" for a message in one part.
[[nodiscard]] std::string ConcatKey(const DeliverMessage& Message);

}  // namespace vorsa::detail
