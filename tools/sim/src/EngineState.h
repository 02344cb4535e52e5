// Inside the modem engine: its settings, input state, answer assembly and command
// handlers. The handlers are spread over several files by subject (general commands,
// message settings, sending, reading, arrival, message formats), with the shapes many
// of them share in CommandShapes.cpp.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "CommandText.h"
#include "MessageStore.h"
#include "OutputSchedule.h"
#include "vorsa/sim/AtCommandLine.h"
#include "vorsa/sim/DeliverPdu.h"
#include "vorsa/sim/ModemEngine.h"
#include "vorsa/sim/ModemQuirks.h"
#include "vorsa/sim/StatusReportPdu.h"
#include "vorsa/sim/SubmitPdu.h"

namespace vorsa::sim {

/// How a command ended.
struct Outcome {
    enum class Kind { Ok, Error, CmsError, CmeError, AwaitMessage, NotSupported };
    Kind kind = Kind::Ok;
    int code = 0;

    static Outcome Ok() { return {Kind::Ok, 0}; }
    static Outcome Error() { return {Kind::Error, 0}; }
    static Outcome Cms(int code) { return {Kind::CmsError, code}; }
    static Outcome Cme(int code) { return {Kind::CmeError, code}; }
    static Outcome Await() { return {Kind::AwaitMessage, 0}; }
    static Outcome NotSupported() { return {Kind::NotSupported, 0}; }
    bool Failed() const { return kind != Kind::Ok && kind != Kind::AwaitMessage; }
};

// +CMS ERROR numbers (3GPP TS 27.005).
enum CmsCode : int {
    kCmsOperationNotAllowed = 302,
    kCmsOperationNotSupported = 303,
    kCmsInvalidPduParameter = 304,
    kCmsInvalidTextParameter = 305,
    kCmsSimPinRequired = 311,
    kCmsSimPukRequired = 316,
    kCmsInvalidMemoryIndex = 321,
    kCmsMemoryFull = 322,
    kCmsCentreUnknown = 330,
    kCmsNoNetwork = 331,
    kCmsNoAckExpected = 340,
};

// +CME ERROR numbers (3GPP TS 27.007).
enum CmeCode : int {
    kCmeNotAllowed = 3,
    kCmeNotSupported = 4,
    kCmeSimPinRequired = 11,
    kCmeSimPukRequired = 12,
    kCmeIncorrectPassword = 16,
    kCmeIncorrectParameters = 50,
};

enum class SimState { Ready, PinRequired, PukRequired };

struct ModemEngine::State {
    using Handler = Outcome (State::*)(const AtCommand&, Millis);

    explicit State(ModemOptions opts);

    // --- input and answers (EngineInput.cpp) ---
    void Receive(std::string_view bytes, Millis now);
    void ReceiveCommandByte(char c, Millis now);
    void ReceiveMessageByte(char c, Millis now);
    void HandleLine(const std::string& line, Millis now);
    void ExecuteLine(std::string_view body, Millis now);
    void Echo(char c, Millis now);
    void Respond(const std::string& text);
    std::string FinalResultText(const Outcome& outcome) const;
    void FinishAnswer(const Outcome& outcome, Millis now);
    void SendAnswer(const std::string& bytes, Millis now);
    void Unsolicited(const std::string& text, Millis now);
    void FlushHeld(Millis now);
    /// Queues one framed report, stalled in the middle when the fault asks for it.
    void SendReport(const std::string& framed, Millis now);
    bool LinkReserved() const;
    std::string Frame(const std::string& text) const;

    // --- shapes that many commands share (CommandShapes.cpp) ---
    /// Answers "<name>: <value>".
    void RespondNumber(const AtCommand& command, int value);
    /// A setting from 0 to `max`: test, read and set; the action form sets `reset`, or
    /// is an error without one.
    Outcome NumberSetting(const AtCommand& command, int& value, long max, std::optional<int> reset);
    /// A setting of 0 or 1, shown and set as a number.
    Outcome SwitchSetting(const AtCommand& command, bool& on, std::optional<bool> reset);
    /// A command that only reports: the test form lists `range`, the action answers
    /// "<name>: <value>".
    Outcome Report(const AtCommand& command, const std::string& range, const std::string& value);
    /// The set form of a command on one stored message (AT+CMSS, AT+CMGR, AT+CMGD): it
    /// needs the SIM, and its arguments start with the message's index, at most `most` in
    /// all. Fills `request` when the outcome is OK; the caller answers the test form.
    Outcome ReadMessageIndex(const AtCommand& command, size_t most, detail::LeadingNumber* request);

    // --- general commands (GeneralCommands.cpp) ---
    static const std::unordered_map<std::string, Handler>& Handlers();
    Outcome Dispatch(const AtCommand& command, Millis now);
    void ResetSettings();
    Outcome Basic(const AtCommand& command, Millis now);
    Outcome Identity(const AtCommand& command, Millis now);
    Outcome Cpin(const AtCommand& command, Millis now);
    /// The right PIN, or the PUK with a new PIN: the SIM is ready, the count starts over.
    Outcome UnlockSim();
    Outcome Cpas(const AtCommand& command, Millis now);
    Outcome Csq(const AtCommand& command, Millis now);
    Outcome Creg(const AtCommand& command, Millis now);
    Outcome Cops(const AtCommand& command, Millis now);
    Outcome Cgatt(const AtCommand& command, Millis now);
    Outcome Cscs(const AtCommand& command, Millis now);
    Outcome Cfun(const AtCommand& command, Millis now);
    Outcome Cmee(const AtCommand& command, Millis now);
    Outcome Accepting(const AtCommand& command, Millis now);
    Outcome SimRequired(bool smsCommand) const;

    // --- message service settings (SmsCommands.cpp) ---
    Outcome Csms(const AtCommand& command, Millis now);
    Outcome Cpms(const AtCommand& command, Millis now);
    Outcome Csca(const AtCommand& command, Millis now);
    Outcome Cnmi(const AtCommand& command, Millis now);
    Outcome Cmgf(const AtCommand& command, Millis now);
    Outcome Csdh(const AtCommand& command, Millis now);
    Outcome Csmp(const AtCommand& command, Millis now);

    // --- sending and writing messages (MessageSending.cpp) ---
    Outcome Cmgs(const AtCommand& command, Millis now);
    Outcome Cmgw(const AtCommand& command, Millis now);
    Outcome Cmss(const AtCommand& command, Millis now);
    Outcome BeginMessage(const AtCommand& command, bool store, Millis now);
    Outcome FinishMessage(Millis now);
    Outcome FinishTextMessage(Millis now);
    Outcome FinishPduMessage(Millis now);
    /// Keeps the message typed after AT+CMGW in the write memory and answers its index.
    Outcome StoreWritten(const Octets& pdu, bool received);
    /// Puts the message in the outbox and answers `referenceReply` with its reference.
    Outcome Send(const SubmitPdu& submit, const std::string& pduHex, bool textMode, int length,
                 const char* referenceReply, Millis now);
    int NextReference();

    // --- reading, listing and deleting (MessageReading.cpp) ---
    Outcome Cmgr(const AtCommand& command, Millis now);
    Outcome Cmgl(const AtCommand& command, Millis now);
    Outcome Cmgd(const AtCommand& command, Millis now);

    // --- messages from the network (MessageArrival.cpp) ---
    Outcome Cnma(const AtCommand& command, Millis now);
    DeliveryResult Deliver(const IncomingMessage& message, Millis now);

    // --- status reports (StatusReports.cpp) ---
    /// Schedules the report on a message just sent, when it asked for one.
    void RequestStatusReport(const SubmitPdu& submit, int reference, Millis now);
    /// Sends or stores the reports that are due, as AT+CNMI <ds> says.
    void SendDueReports(Millis now);
    [[nodiscard]] std::optional<Millis> NextReportTime() const;
    /// Text-mode fields of a report: <fo>,<mr>,<ra>,<tora>,<scts>,<dt>,<st>.
    [[nodiscard]] std::string StatusReportFields(const StatusReportPdu& report) const;
    /// +CMGR/+CMGL text-mode answer for a stored report, after "<name>: " and the index.
    [[nodiscard]] std::string StoredReportText(const detail::StoredSlot& slot) const;

    // --- message formats (MessageFormat.cpp) ---
    std::string ToTerminal(const std::string& utf8) const;
    std::optional<std::u32string> FromTerminal(const std::string& bytes) const;
    std::string DataText(const UserData& data) const;
    std::string AlphaFor(const Address& address) const;
    std::string ReadResponse(const detail::StoredSlot& slot) const;
    std::string ListEntry(int index, const detail::StoredSlot& slot) const;
    std::string DirectReport(const DeliverPdu& deliver, const Octets& pdu) const;
    std::optional<SubmitPdu> BuildTextSubmit(const Address& destination, std::string body) const;
    static size_t TpduLength(const Octets& pdu);
    StoredMessage Describe(const std::string& memory, int index,
                           const detail::StoredSlot& slot) const;

    // --- the quirks of real modems (EngineQuirks.cpp) ---
    void SetQuirks(const QuirkSettings& wanted);
    /// The answer a quirk gives instead of carrying the command out, if any.
    std::optional<Outcome> QuirkRefusal(const AtCommand& command) const;
    /// The next vendor line, framed, to go out in front of an answer ("" when there are none).
    std::string VendorLineBeforeAnswer();
    /// The lines that go out in front of the "> " prompt, framed.
    std::string LinesBeforePrompt() const;
    /// AT+CPMS as a modem with fewer memories answers it; nullopt: the usual handling.
    std::optional<Outcome> StorageQuirk(const AtCommand& command);
    /// AT+CNMI=? as a modem with its own ranges lists them; nullopt: the textbook ranges.
    std::optional<std::string> RoutingRanges() const;
    /// Whether the modem takes these AT+CNMI values.
    bool RoutingAllowed(const std::vector<int>& values) const;
    /// Moves each AT+CNMI setting the modem does not take to the lowest one it does.
    void KeepRoutingWithinQuirks();

    // --- state ---
    ModemOptions options;
    StatusReportSettings statusReports{options.statusReports};
    struct PendingReport {
        Millis due;
        StatusReportPdu report;
    };
    std::vector<PendingReport> pendingReports;  // in the order they fall due
    ModemSettings settings;
    FaultSettings faults;
    QuirkSettings quirks;
    size_t nextVendorLine = 0;     // the vendor line that goes out next
    bool omitFinalResult = false;  // the answer being built goes out without its final result
    SimState sim = SimState::Ready;
    int pinAttempts = 0;
    detail::MessageStore store;
    std::vector<SentMessage> outbox;
    std::vector<std::string> commandLines;
    int nextReference = 1;
    bool ackExpected = false;
    int registrationReports = 0;        // AT+CREG=<n>
    int packetRegistrationReports = 0;  // AT+CGREG=<n>
    int operatorFormat = 0;             // AT+COPS=3,<format>
    bool packetAttached = true;         // AT+CGATT

    enum class Input { Command, MessageText, MessagePdu };
    Input input = Input::Command;
    std::string lineBuffer;
    std::string lastLine;
    bool afterCarriageReturn = false;

    // The message being entered after the prompt.
    bool storeMessage = false;                                  // AT+CMGW rather than AT+CMGS
    Address messageDestination;                                 // text mode
    int messageLength = 0;                                      // PDU mode length argument
    MessageStatus messageStatus = MessageStatus::StoredUnsent;  // AT+CMGW
    std::string messageBody;
    std::vector<IncomingMessage> loopback;  // sent to the own number, delivered after the answer

    std::string answer;                 // responses of the line being executed
    std::vector<std::string> held;      // reports held while the link is reserved
    std::vector<std::string> buffered;  // reports kept in the modem (AT+CNMI mode 0)
    detail::OutputSchedule output;
};

}  // namespace vorsa::sim
