// The component's messages as structured values, beside the classic strings: a received
// message put together from its parts, the result of a send with every part's reference
// and an outcome a caller can act on, a listing of the storage, and the events that carry
// them. All text is UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vorsa/Framework.h"
#include "vorsa/PDU.h"

namespace vorsa {

/// Where one part of a received message is kept on the modem.
struct StoredPart {
    /// "SM", "ME"...; empty for a part the modem forwarded without storing it ("+CMT:").
    std::string memory;
    /// The storage index; 0 for a part that was not stored.
    int index = 0;
    /// The part's place in its message: 1 for a message in one part.
    uint8_t sequence = 1;
};

/// A received message: whole, or handed over as far as it came when its other parts did
/// not come within the reassembly time-out.
struct SmsMessage {
    /// "+" and the digits of an international number, the digits of another, or the name
    /// of an alphanumeric sender.
    std::string sender;
    std::string text;
    /// The service centre's time stamp of the first part at hand, "YY/MM/DD,hh:mm:ss+zz".
    std::string timeStamp;
    /// Empty where the modem does not say (text mode).
    std::string serviceCentre;
    /// Parts the message was sent in, and parts at hand.
    uint8_t partsExpected = 1;
    uint8_t partsReceived = 1;
    /// False when parts are missing: `missing` names their places.
    bool complete = true;
    std::vector<uint8_t> missing;
    /// The concatenation reference of a message in parts; none for a message in one part.
    std::optional<uint16_t> concatReference;
    /// Each part at hand, in order, with where the modem keeps it.
    std::vector<StoredPart> parts;
    std::optional<MessageClass> messageClass;
    SmsAlphabet coding = SmsAlphabet::Gsm7;
};

/// How a send ended, as far as a caller must tell cases apart.
enum class SendOutcome : uint8_t {
    /// The modem confirmed every part.
    Sent,
    /// Refused for good: the number, the text or the network's refusal of the message.
    /// Sending it again would fail again.
    Permanent,
    /// Not sent, and worth another try: no network, a busy modem, no prompt, a closed port.
    Transient,
    /// A part may have reached the network but no answer came (a time-out or a lost line
    /// after its PDU was written). Sending again could send it twice.
    Ambiguous,
};

/// What SendMessage did.
struct SendResult {
    SendOutcome outcome = SendOutcome::Transient;
    /// The message reference of each part the modem confirmed, in order ("+CMGS:"); -1
    /// for a part it confirmed without one. Fewer than `parts` when the send stopped
    /// early: those parts did go out.
    std::vector<int> references;
    /// The parts the text takes (0 when it was refused before it was measured).
    uint8_t parts = 0;
    /// The error that ended the send: a catalogue code (a "+CMS ERROR:" cause, 1001, 1002,
    /// 1000) or -1 with a text of the component's own. 0 when sent.
    int32_t errorCode = 0;
    std::string errorText;

    [[nodiscard]] bool sent() const noexcept { return outcome == SendOutcome::Sent; }
};

/// Which stored messages a listing asks for.
enum class ListScope : uint8_t {
    Unread,  ///< received and not read yet (the modem then marks them read)
    All,     ///< every received message, read ones too
};

/// What ListMessages found in the storage.
struct MessageListing {
    /// False when the listing did not come whole (refused, cut short, the line lost):
    /// `messages` then holds what came, and the error says why.
    bool ok = true;
    int32_t errorCode = 0;
    std::string errorText;
    /// Whole messages, and incomplete ones whose other parts have not come within the
    /// reassembly time-out since a listing first showed them.
    std::vector<SmsMessage> messages;
    /// Messages still missing parts that may yet come; a later listing gives them.
    std::vector<SmsMessage> waiting;
    /// Stored copies of parts listed twice (the network delivered a part again): the
    /// messages above hold one copy each; a caller that deletes what it has taken deletes
    /// these too, or they come back alone in the next listing.
    std::vector<StoredPart> duplicates;
};

/// What ReadMessage found at one storage index.
struct MessageRead {
    bool ok = false;
    int32_t errorCode = 0;
    std::string errorText;
    /// The message the index belongs to (all its parts that are stored); none when the
    /// slot holds no received message.
    std::optional<SmsMessage> message;
};

/// Whether and how the modem is asked to route status reports (AT+CNMI <ds>).
enum class StatusReportRouting : uint8_t {
    None,    ///< not asked for: the classic routing, "2,1,0,0,0" or "2,2,0,0,0"
    Direct,  ///< each report comes at once as "+CDS:" (ds 1)
    Stored,  ///< each report is stored and announced with "+CDSI:" (ds 2)
};

/// A message came whole, or incomplete after the reassembly time-out.
using TMessageEvent = std::function<void(TObject* Sender, const SmsMessage& Message)>;
/// A status report came for a message sent with one asked for; its messageReference is a
/// reference that SendMessage returned.
using TStatusReportEvent = std::function<void(TObject* Sender, const StatusReport& Report)>;

}  // namespace vorsa
