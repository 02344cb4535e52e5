// The PDU codec: builds the SMS-SUBMIT unit that a modem in PDU mode sends, and takes
// apart the SMS-DELIVER unit that it hands back, both as text of hexadecimal digits, two
// per octet, high nibble first (GSM 03.40 units in the form of GSM 07.05's PDU mode).
//
// The routines are pure functions of their arguments: they keep no state, share nothing
// and may be called from any thread. None of them validates its input, reports a failure
// or throws: malformed, truncated or oversized input yields a value formed by the same
// rules from whatever is there, and nothing is ever read or written outside a string.
//
// Beside those classic routines stand the ones for messages as people write them: any
// text as UTF-8, long texts sent in parts and put together again on arrival, message
// class, validity and delivery reports. They check what they are given and say when it
// cannot be used, and every decoder of outside bytes returns nothing rather than guess.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace vorsa {

/// Builds the PDU that follows the modem's ">" prompt after "AT+CMGS=": an optional
/// service-centre address, then an SMS-SUBMIT with no validity period and protocol
/// identifier 00, as upper-case hexadecimal text.
///
/// A number that begins with "+" or "00" loses that prefix and is written as
/// international (type 91); any other number is written as it is with type 81. An empty
/// `serviceCentre` writes "00": the modem then uses its own.
///
/// `text` is UTF-8; a byte that does not begin a UTF-8 sequence is read as ISO 8859-1.
/// With `eightBit` zero the text travels in the GSM 7-bit default alphabet and its
/// extension table (data coding F1, class 1) when every character has a place there, the
/// user data length counting septets (an extension character such as "[" or "€" takes
/// two); otherwise it travels as UCS2 (data coding 08), the length counting octets. A
/// non-zero `eightBit` sends the bytes of `text` as 8-bit data (data coding F5, class 1),
/// "@" as octet 0 and "$" as octet 2. The encoder puts no limit on the length: one unit
/// holds 160 septets or 140 octets, and longer texts go with encodeSubmitParts.
///
/// Note the order: `messageReference` comes before `firstOctet` here, while the unit
/// carries the first octet first. A non-zero `eightBit` selects 8-bit data.
[[nodiscard]] std::string encodeSMS(const std::string& serviceCentre,
                                    const std::string& destination, const std::string& text,
                                    uint8_t messageReference, uint8_t firstOctet, uint8_t eightBit);

/// The length in octets that goes after "AT+CMGS=": the octets of `pdu` after its
/// service-centre part, as given by the service-centre length in its first octet.
[[nodiscard]] int32_t PduLength(const std::string& pdu);

/// Takes apart an SMS-DELIVER PDU, the PDU line of a "+CMGR:", "+CMGL:" or "+CMT:" reply,
/// and replaces the four outputs:
///  - `serviceCentre` and `originator`: the numbers, "+" before an international number
///    (type 91), nothing before one of unknown type (81), "0" before every other numeric
///    type (the national dialling form); an alphanumeric address (type of number 101,
///    such as D0) is given as its text. An empty service-centre part (length 00) gives
///    the empty string.
///  - `timeStamp`: the 14 digits of the service-centre time stamp, YYMMDDhhmmsszz, the
///    zone digits raw (the sign bit of a negative zone is left in place; see formatDate).
///  - `text`: the message. The data coding octet names its alphabet (GSM 03.38): the
///    7-bit default alphabet with its extension table, or UCS2 (such as 08), both given
///    as UTF-8; or 8-bit data (such as F5 or 04), given as its octets with octet 0 shown
///    as "@" and 2 as "$". A user data header, when the first octet announces one, is
///    skipped together with the fill bits that follow it in 7-bit data.
/// The outputs may be the same string objects as `pdu`.
void decodeSMS(const std::string& pdu, std::string& serviceCentre, std::string& originator,
               std::string& timeStamp, std::string& text);

/// Turns the 14 time-stamp digits YYMMDDhhmmsszz into "YY/MM/DD,hh:mm:ss+zz". A zone whose
/// first digit carries the sign bit (8 and above) is shown as "-" and the zone without
/// it, so "92" (three hours west) gives "-12" quarter hours. Shorter or longer input is
/// copied character by character with each separator appended after its position.
[[nodiscard]] std::string formatDate(const std::string& timeStamp);

// ---------------------------------------------------------------------------------------
// Messages as people write them.

/// The alphabet a message's text travels in, as its data coding octet names it.
enum class SmsAlphabet : uint8_t {
    Gsm7,      ///< GSM 7-bit default alphabet and extension table: 160 septets a message
    EightBit,  ///< octets of data: 140 a message
    Ucs2,      ///< UTF-16 big-endian: 70 units a message, emoji as surrogate pairs
};

/// The alphabet to send a text in.
enum class TextCoding : uint8_t {
    Automatic,  ///< GSM 7-bit when every character has a place there, UCS2 otherwise
    Ucs2,       ///< UCS2 whatever the text
    EightBit,   ///< the bytes of the text as 8-bit data, unchanged
};

/// The message class of the data coding octet: where the recipient keeps the message.
enum class MessageClass : uint8_t {
    Flash = 0,              ///< shown at once and not stored
    MobileEquipment = 1,    ///< kept in the phone
    Sim = 2,                ///< kept on the SIM
    TerminalEquipment = 3,  ///< handed to an attached terminal
};

/// How a text is sent: alphabet, delivery report, class and validity.
struct SubmitOptions {
    TextCoding coding = TextCoding::Automatic;
    /// Asks the service centre for a status report on each part (TP-SRR).
    bool statusReport = false;
    /// No class by default (the recipient stores the message as usual).
    std::optional<MessageClass> messageClass;
    /// How long the centre keeps trying, as a relative validity period. The field knows
    /// steps of 5 minutes up to 12 hours, 30 minutes up to a day, days up to 30 and weeks
    /// up to 63; a period between steps is rounded up, and one outside is held to 5
    /// minutes or 63 weeks. None: the centre's own default.
    std::optional<std::chrono::minutes> validity;
};

/// One SMS-SUBMIT ready for the modem.
struct SubmitPart {
    /// Service-centre part and SMS-SUBMIT in hexadecimal, for after the ">" prompt.
    std::string pdu;
    /// The number that goes after "AT+CMGS=": the octets after the service-centre part.
    int32_t length = 0;
    /// This part's place (1 to `total`) in its message; 1 of 1 for a message in one part.
    uint8_t sequence = 1;
    uint8_t total = 1;
};

/// Why a text could not be made into SMS-SUBMIT units.
enum class SubmitError : uint8_t {
    None,
    /// The destination has no digits, more than 20, or a character other than the digits,
    /// "*" and "#" after its "+" or "00".
    InvalidDestination,
    /// The same for a service centre that is not empty.
    InvalidServiceCentre,
    /// The text takes more than 255 parts.
    TooLong,
};

/// The units of one text, or why there are none.
struct SubmitEncoding {
    SubmitError error = SubmitError::None;
    SmsAlphabet alphabet = SmsAlphabet::Gsm7;
    /// In order; empty when `error` is not None.
    std::vector<SubmitPart> parts;
};

/// Builds the SMS-SUBMIT units that carry `text` (UTF-8; a byte that does not begin a
/// UTF-8 sequence is read as ISO 8859-1, so Latin-1 text arrives as meant) to
/// `destination`, through `serviceCentre` (empty: the modem's own).
///
/// A text that fits one message (160 septets, 70 UCS2 units or 140 octets) goes in one
/// unit without a header. A longer one goes in up to 255 parts, each with a user data
/// header naming the 8-bit concatenation `reference`, the number of parts and the part's
/// place: 153 septets, 67 UCS2 units or 134 octets a part, and an extension character's
/// two septets or a surrogate pair's two units are never parted. Numbers follow the rule
/// of encodeSMS ("+" or "00": international); "*" and "#" may be dialled. The message
/// reference of every unit is 0: the modem assigns its own and reports it with "+CMGS:".
/// Without options the units carry no class and no validity period, and the first octet
/// is that of encodeSMS, with the header indicator set on parts.
[[nodiscard]] SubmitEncoding encodeSubmitParts(std::string_view serviceCentre,
                                               std::string_view destination, std::string_view text,
                                               const SubmitOptions& options = {},
                                               uint8_t reference = 0);

/// What a text takes before it is sent: its alphabet, its length in that alphabet's
/// units (septets, an extension character counting two; UTF-16 units; octets), and the
/// number of messages encodeSubmitParts makes of it (1 for the empty text; more than 255
/// means it cannot be sent).
struct TextSize {
    SmsAlphabet alphabet = SmsAlphabet::Gsm7;
    std::size_t units = 0;
    std::size_t parts = 1;
};
[[nodiscard]] TextSize measureText(std::string_view text,
                                   TextCoding coding = TextCoding::Automatic);

/// The concatenation header of one part of a long message (information element 00 with
/// an 8-bit reference, or 08 with a 16-bit one).
struct ConcatInfo {
    uint16_t reference = 0;
    uint8_t total = 0;     ///< parts in the message, 1 or more
    uint8_t sequence = 0;  ///< this part's place, 1 to `total`
    bool sixteenBitReference = false;

    bool operator==(const ConcatInfo& other) const {
        return std::tie(reference, total, sequence, sixteenBitReference) ==
               std::tie(other.reference, other.total, other.sequence, other.sixteenBitReference);
    }
    bool operator!=(const ConcatInfo& other) const { return !(*this == other); }
};

/// A received SMS-DELIVER, taken apart.
struct DeliverMessage {
    /// "+" and the digits for an international number, the digits alone for one of
    /// unknown type, "0" and the digits for the other numeric types; an alphanumeric
    /// sender (such as a company name) as its text. The centre is empty when the PDU
    /// names none.
    std::string serviceCentre;
    std::string sender;
    /// The sender's type of address (91 international, 81 unknown, D0 alphanumeric...).
    uint8_t senderType = 0;
    /// The service centre's time stamp as formatDate writes it: "YY/MM/DD,hh:mm:ss+zz".
    std::string timeStamp;
    /// The message as UTF-8, without the header; 8-bit data read as ISO 8859-1.
    std::string text;
    /// 8-bit data only: the octets themselves.
    std::string data;
    uint8_t dataCoding = 0;
    SmsAlphabet alphabet = SmsAlphabet::Gsm7;
    std::optional<MessageClass> messageClass;
    uint8_t protocolId = 0;
    /// Set when this is one part of a long message.
    std::optional<ConcatInfo> concat;
    /// The user data header's information elements as octets (its length octet left
    /// out); empty when there is no header.
    std::string userDataHeader;
};

/// Takes apart an SMS-DELIVER PDU (service-centre part first, as "+CMGR:", "+CMGL:" and
/// "+CMT:" give it in PDU mode; upper- or lower-case hexadecimal). Returns nothing when
/// the text is not hexadecimal, is not an SMS-DELIVER, or ends before the user data
/// length says; octets after the user data are ignored. Concatenation headers with an
/// impossible count or place (0, or a place beyond the count) are not taken as such.
[[nodiscard]] std::optional<DeliverMessage> decodeDeliver(std::string_view pdu);

/// What became of a message a status report is about.
enum class DeliveryStatus : uint8_t {
    Delivered,  ///< the recipient has it (status 00-1F)
    Pending,    ///< not yet: the centre is still trying (20-3F)
    Failed,     ///< it will not arrive: a permanent error, or the centre gave up (40-FF)
};

/// A received SMS-STATUS-REPORT, taken apart.
struct StatusReport {
    std::string serviceCentre;
    /// The message reference that "+CMGS:" gave for the message reported on.
    uint8_t messageReference = 0;
    /// The recipient of that message, written as DeliverMessage::sender is.
    std::string recipient;
    /// When the centre received the message, and when it was delivered or the status
    /// was reached, as formatDate writes them.
    std::string serviceCentreTime;
    std::string dischargeTime;
    /// TP-Status as it came, its meaning, and its text ("Short message received by the SME").
    uint8_t status = 0;
    DeliveryStatus outcome = DeliveryStatus::Delivered;
    std::string statusText;
};

/// Takes apart an SMS-STATUS-REPORT PDU (service-centre part first, as "+CDS:" and a
/// "+CMGR:" of a stored report give it). Returns nothing for text that is not
/// hexadecimal, is not a status report, or ends before its status octet; the optional
/// fields after the status are not needed and not read.
[[nodiscard]] std::optional<StatusReport> decodeStatusReport(std::string_view pdu);

/// The meaning of a TP-Status value.
[[nodiscard]] DeliveryStatus deliveryStatusOf(uint8_t status) noexcept;

/// The text of a TP-Status value, such as "SME busy"; reserved and centre-specific
/// values have a text that says which group they belong to.
[[nodiscard]] std::string statusText(uint8_t status);

/// A received part together with where the modem keeps it, so that the stored parts can
/// be deleted once the whole message has been handed on.
struct ReceivedPart {
    DeliverMessage message;
    /// The storage ("SM", "ME"...) and index; empty and 0 for a part that was not stored
    /// (one that came with "+CMT:").
    std::string memory;
    int index = 0;
};

/// A message put together from its parts (or a message that came in one part).
struct ReassembledMessage {
    std::string sender;
    /// The texts of the parts at hand, in their order.
    std::string text;
    /// The time stamp of the first part at hand.
    std::string timeStamp;
    /// False when the message is handed on without all its parts (after the time-out);
    /// `missing` then lists the places of the parts that never came.
    bool complete = true;
    uint8_t total = 1;
    std::vector<uint8_t> missing;
    /// The parts at hand in their order, with their storage; delete them from the modem
    /// after the message has been handed on.
    std::vector<ReceivedPart> parts;
};

/// What MessageReassembler::add did with a part.
enum class PartStatus : uint8_t {
    /// Its message is complete and among the messages returned.
    Completed,
    /// Kept until the other parts come.
    Waiting,
    /// Another copy (same place, same text) of a part that is at hand or was handed on
    /// lately; it adds nothing, and the caller may delete it from storage at once.
    Duplicate,
    /// This very stored part (same memory and index) was given before; nothing to do.
    AlreadyHeld,
};

/// How long the reassembler waits, and how many unfinished messages it holds.
struct ReassemblyOptions {
    /// A message still incomplete this long after its first part came is handed on as
    /// far as it goes.
    std::chrono::milliseconds timeout = std::chrono::minutes(10);
    /// Beyond this many unfinished messages the oldest is handed on incomplete.
    std::size_t maxPending = 1024;
};

/// Puts long messages together from their parts, in whatever order the parts come.
/// Parts belong together when they have the same sender, reference, reference size and
/// number of parts, so two messages from one sender, or one reference used by two
/// senders, stay apart. A part whose place is taken by a different text belongs to a
/// later message with the same reference: the earlier one is handed on as it stands. No part is
/// ever dropped without being handed back: a message comes out complete, or incomplete after the
/// time-out (or when too many are pending), or through takeAll. It does no I/O and reads no clock:
/// the caller says what time it is.
class MessageReassembler {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit MessageReassembler(ReassemblyOptions options = {});

    struct AddResult {
        PartStatus status = PartStatus::Waiting;
        /// The message this part completed, and any incomplete ones pushed out by
        /// `maxPending`; usually empty or one.
        std::vector<ReassembledMessage> messages;
    };

    /// Takes one received part. A message that is not concatenated is complete at once.
    [[nodiscard]] AddResult add(ReceivedPart part, TimePoint now);

    /// Hands on, incomplete, every message whose first part came `timeout` or longer
    /// before `now`.
    [[nodiscard]] std::vector<ReassembledMessage> expire(TimePoint now);

    /// Hands on everything still waiting, incomplete (for instance before closing).
    [[nodiscard]] std::vector<ReassembledMessage> takeAll();

    /// When the next message will be due for expire(); none when nothing waits.
    [[nodiscard]] std::optional<TimePoint> nextExpiry() const;

    /// Messages waiting for parts.
    [[nodiscard]] std::size_t pending() const noexcept { return groups_.size(); }

  private:
    struct Key {
        std::string sender;
        uint16_t reference;
        uint8_t total;
        bool sixteenBit;
        bool operator<(const Key& other) const {
            return std::tie(sender, reference, total, sixteenBit) <
                   std::tie(other.sender, other.reference, other.total, other.sixteenBit);
        }
    };
    struct Group {
        TimePoint started;
        uint64_t order;  // arrival order of the first part, for the oldest-first rules
        std::vector<std::optional<ReceivedPart>> parts;
        std::size_t present = 0;
    };
    struct Finished {
        TimePoint until;
        std::vector<std::optional<std::string>> texts;  // of the parts handed on, by place
    };

    ReassembledMessage handOver(const Key& key, Group& group) const;
    ReassembledMessage finish(std::map<Key, Group>::iterator group, TimePoint now);
    void forgetFinished(TimePoint now);

    ReassemblyOptions options_;
    std::map<Key, Group> groups_;
    std::map<Key, Finished> finished_;  // messages handed on, remembered to spot late copies
    uint64_t arrivals_ = 0;
};

/// Concatenation references for long messages, rotating per destination, so that a
/// recipient never sees one reference for two messages in a row. A destination is
/// known by its digits and whether it is international, so "+4070..." and "004070..."
/// share their rotation.
class ConcatReferences {
  public:
    /// `seed` is the first reference of the first destination; each new destination
    /// starts one further on, so that destinations do not move in step.
    explicit ConcatReferences(uint8_t seed = 0) : nextStart_(seed) {}

    /// The reference for the next long message to `destination`.
    [[nodiscard]] uint8_t next(std::string_view destination);

  private:
    static constexpr std::size_t kMaxDestinations = 4096;
    std::map<std::string, uint8_t, std::less<>> last_;
    uint8_t nextStart_;
};

}  // namespace vorsa
