// The messaging component: TVorsa talks to a GSM modem or phone on a serial port with AT
// commands, sends, reads, lists and deletes short messages in text or PDU mode, and turns
// the modem's unsolicited reports into events on the application's thread.
//
// Everything runs on the thread that created the component. Every operation is
// synchronous; events from reports that arrive between operations are raised from the
// component's hidden window when the thread's message loop runs (vorsa::HandleMessage,
// vorsa::ProcessMessages, or the descriptor of vorsa::MessageLoopFd in your own loop).
//
// Errors go to OnSMSError as a code and a text. Its default handler throws
// vorsa::Exception("<code>: <text>"), so by default the first error ends the operation;
// assign a handler that returns to let operations run to their end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "vorsa/ComDrv.h"
#include "vorsa/Framework.h"
#include "vorsa/MessageTypes.h"

namespace vorsa {

/// Raised after a successful Connect.
using TConnected = std::function<void(TObject* Sender)>;
/// Raised after an open port was closed.
using TDisConnect = std::function<void(TObject* Sender)>;
/// Every error report: a catalogue code with its text, or -1 with a text of its own.
using TSMSErrorEvent =
    std::function<void(TObject* Sender, int32_t ErrorId, std::string ErrorMessage)>;
/// The modem confirmed a sent message; Reference is its message reference.
using TSentSMSEvent = std::function<void(TObject* Sender, std::string Reference)>;
/// A stored message was deleted; Reference is its storage index.
using TDelSMSEvent = std::function<void(TObject* Sender, std::string Reference)>;
/// A new message was stored in memory Mem (e.g. "SM") at index Reference.
using TNotifySMSEvent =
    std::function<void(TObject* Sender, std::string Mem, std::string Reference)>;
/// A message arrived directly or was listed: its header fields and its text.
using TReceiveSMSEvent =
    std::function<void(TObject* Sender, std::string Header, std::string MessageBody)>;
/// Connect adapted to a modem that refused a step or answered in a form of its own; Text
/// says what the modem did and what the component does instead.
using TAdaptationEvent = std::function<void(TObject* Sender, std::string Text)>;

/// True when S begins with Prefix (exact bytes; an empty prefix always matches).
[[nodiscard]] bool startWith(const std::string& S, const std::string& Prefix);
/// True when S ends with Suffix (exact bytes; an empty suffix always matches).
[[nodiscard]] bool endWith(const std::string& S, const std::string& Suffix);

/// Registers TVorsa on the component palette page "System".
void Register();

/// The package's description.
inline constexpr std::string_view PackageDescription = "Vorsa 1.0 Component";
/// A resource of the package by name, as the bytes of its file: "TVORSA" is the palette
/// bitmap (a 24 by 24 pixel, 16-colour Windows bitmap). Empty for an unknown name.
[[nodiscard]] std::string_view FindPackageResource(std::string_view Name);

class TVorsa;

namespace detail {
struct HeldExchange;
struct LinkState;
struct MessageFlow;
struct ReplyOutcome;
struct ReplyMessage;
struct ReportTable;
}  // namespace detail

/// The DirectForward property: reads as a bool; assigning it goes through
/// TVorsa::SetNotify, which also tells a connected modem at once.
class TDirectForwardProperty {
  public:
    TDirectForwardProperty& operator=(bool Value);
    TDirectForwardProperty& operator=(const TDirectForwardProperty& Other) {
        return *this = static_cast<bool>(Other);
    }
    TDirectForwardProperty(const TDirectForwardProperty&) = delete;
    operator bool() const noexcept { return FValue; }

  private:
    friend class TVorsa;
    explicit TDirectForwardProperty(TVorsa& Owner) noexcept : FOwner(Owner) {}

    TVorsa& FOwner;
    bool FValue = false;
};

/// The messaging component.
class TVorsa : public TComPortDriver {
  public:
    /// A component over the platform's serial interface. Outside design state it creates
    /// its hidden window; it neither opens the port nor starts the polling timer.
    explicit TVorsa(TComponent* AOwner = nullptr);
    /// A component over the given serial interface (a test double, or another backend).
    TVorsa(TComponent* AOwner, std::unique_ptr<detail::SerialPort> Platform);
    /// Drops queued entries, disconnects an open port (raising OnDisconnect) and releases
    /// the hidden window with its timer and pending messages. Never throws: an exception
    /// from an event handler raised here is swallowed.
    ~TVorsa() override;

    // Published properties. Port and Baud come from TComPortDriver.

    /// SIM PIN, sent by Connect when the SIM is not ready.
    std::string PIN;
    /// Message service centre number: set on the modem by Connect when not empty, and
    /// placed in every PDU.
    std::string SMSCenter;
    /// Initialisation commands sent first by Connect; an empty one is skipped.
    std::string InitString1 = "ATZ";
    std::string InitString2 = "ATE0&S0";
    std::string InitString3;
    /// Argument of "AT+CPMS=" sent by Connect; skipped when empty.
    std::string StorageString = "\"SM\",\"SM\",\"SM\"";
    /// Seconds to wait for a complete reply.
    uint32_t ReadTimeout = 10;
    /// Seconds between polls of the modem for reports that arrive between operations.
    int32_t PollingDelay = 1;
    /// True: new messages are forwarded directly ("+CMT: ", OnReceiveSMS); false: stored and
    /// announced ("+CMTI: ", OnNotifySMS). Assigning it while connected tells the modem.
    TDirectForwardProperty DirectForward{*this};
    /// Delete each message from the modem once it was read or listed.
    bool DeleteOnRead = true;
    /// True: text mode; false: PDU mode. Takes effect on the modem at the next Connect.
    bool TextMode = true;

    /// True: when the modem is lost (unplugged, hung up, or silent to two commands in a
    /// row), the component, after closing the port and raising OnDisconnect, opens it again
    /// on its own: from its hidden window, after 1 s, then after twice as long each time up
    /// to ReconnectMaxDelay seconds. Each attempt runs Connect quietly (no OnSMSError); the
    /// one that succeeds raises OnConnected and lists what the modem stored meanwhile into
    /// OnReceiveSMS (see DownloadSMS). Assign before the link is lost; DisConnect stops it.
    bool AutoReconnect = false;
    /// The longest pause between two attempts, in seconds.
    uint32_t ReconnectMaxDelay = 60;
    /// Seconds a message in parts waits for its missing parts before OnMessage (or a
    /// listing) hands it over incomplete. A new value applies once no message is waiting.
    uint32_t ReassemblyTimeout = 600;
    /// Asks the modem to route status reports ("+CDS:" or "+CDSI:", raised as
    /// OnStatusReport); takes effect at the next Connect. None keeps the classic routing.
    StatusReportRouting StatusReports = StatusReportRouting::None;

    TConnected OnConnected;
    TDisConnect OnDisconnect;
    /// Bound to InernalErrorHandling by the constructor. When it is cleared, reports still
    /// go to InernalErrorHandling: an error is never dropped silently.
    TSMSErrorEvent OnSMSError;
    TDelSMSEvent OnDeleteSMS;
    TSentSMSEvent OnSentSMS;
    TNotifySMSEvent OnNotifySMS;
    TReceiveSMSEvent OnReceiveSMS;
    /// Raised when Connect adapts to a modem instead of giving up: an initialisation command
    /// it refuses (left out), a SIM that wants its PIN before anything else (entered, then
    /// the initialisation again), fewer message memories than StorageString names (what
    /// AT+CPMS=? lists is set; with none, sending works and receiving is unavailable), a
    /// routing it refuses (the nearest one AT+CNMI=? lists, else new messages are found by
    /// listing the storage at every polling tick). Never raised for a modem that accepts the
    /// usual dialogue, which then stays as it always was.
    TAdaptationEvent OnAdaptation;
    /// A received message, whole: once assigned, the component reads every new stored
    /// message itself ("+CMTI:"), takes directly forwarded ones ("+CMT:") and listed ones
    /// (DownloadSMS), puts the parts of long messages together in any order, ignores
    /// copies, and raises this once a message is complete, or incomplete after
    /// ReassemblyTimeout (a polling tick checks). Stored parts are deleted, when
    /// DeleteOnRead is set, only after the message was handed over. OnNotifySMS (for
    /// "+CMTI:") and OnReceiveSMS are then not raised. PDU mode only: text mode shows no
    /// parts, so each part there is a message of its own.
    TMessageEvent OnMessage;
    /// A status report, from "+CDS:" or (read, then deleted when DeleteOnRead) "+CDSI:".
    TStatusReportEvent OnStatusReport;

    // The error latch and the default handler.

    /// Latches Code unless it is 0; the last non-zero code wins.
    void SetSMSError(int32_t Code) noexcept;
    /// The latched code; clears the latch.
    [[nodiscard]] int32_t GetSMSError() noexcept;
    /// The default OnSMSError handler: throws vorsa::Exception with the message
    /// "<ErrorId>: <ErrorMessage>".
    [[noreturn]] void InernalErrorHandling(TObject* Sender, int32_t ErrorId,
                                           const std::string& ErrorMessage);

    // The command channel.

    /// Sleeps N * 2400 / Baud milliseconds: N milliseconds at 2400 baud, shorter in
    /// proportion to the line speed. A Baud of 0 or below sleeps N milliseconds.
    void wait(int32_t N);
    /// Cuts the line-shaped report that begins with Marker out of Reply and returns it: from
    /// the marker to the reply's first blank line (CR LF CR LF), with the line break in front
    /// of the marker. Gives "" and cuts nothing when Reply has no Marker or when that blank
    /// line stands before the marker.
    [[nodiscard]] std::string Notify(std::string& Reply, const std::string& Marker);
    /// Cuts the delivered message that begins with Marker, and everything after it, out of
    /// Reply and returns it ("" when Reply has no Marker).
    [[nodiscard]] std::string NotifySMS(std::string& Reply, const std::string& Marker);
    /// Appends Report to Queue and posts Msg to the hidden window, which raises the event.
    void ProcessNot(const std::string& Report, uint32_t Msg, TStringList& Queue);
    /// The reply collector: reads the port until a final result line has come (OK, ERROR,
    /// +CMS ERROR, +CME ERROR and the vendors' forms) or ReadTimeout passes, or the port
    /// hangs up; latches the error the reply carries; cuts the unsolicited reports out into
    /// the queues, and the vendors' lines and the command's echo out of the reply; gives the
    /// rest, trimmed. A message's text in the reply is never taken for a final result or a
    /// report.
    [[nodiscard]] std::string ReadString() override;
    /// One command exchange: writes Command and CR LF, collects the reply into Reply, and
    /// reports latched errors. True when the reply's final result is no failure (a time-out
    /// alone is reported but does not fail it); false also when the port hung up, which
    /// closes it.
    bool SendCommand(const std::string& Command, std::string& Reply);
    /// SendCommand, giving the reply ("" when the port is closed).
    std::string SendSMSCommand(const std::string& Command);

    // Connection and modem set-up.

    /// Opens the port, starts the polling timer and sets the modem up; raises OnConnected.
    /// Does nothing when the port is already open. SMSCenter must be empty or a number of at
    /// most 20 digits, PIN empty or at most 8 decimal digits, and StorageString empty or one
    /// to three quoted memory names: anything else is refused (-1) before the port is opened.
    void Connect() override;
    /// Closes an open port and raises OnDisconnect; the polling timer keeps running.
    void DisConnect() override;
    /// DisConnect when open, then Connect.
    void Reset();
    /// The write accessor of DirectForward.
    void SetNotify(bool Value);
    /// The modem's activity status (0 = ready), or -1 when it does not answer.
    [[nodiscard]] int32_t GetState();
    /// The received signal strength in dBm (-113 to -51), or 0 when there is no reading.
    [[nodiscard]] int32_t GetField();

    // Messages.

    /// Sends a message of 1 to 159 characters to Dest; gives the modem's final reply ("OK"
    /// on success). The message reference arrives later through OnSentSMS. Dest may hold
    /// only digits, "+", "*" and "#", at most 20 of them besides "+"; a text-mode message no
    /// Ctrl-Z or ESC; and in PDU mode SMSCenter must be a number as Connect wants it:
    /// anything else is refused (-1) before a byte is written. T_SendSMS and P_SendSMS are
    /// the text and PDU forms; SendSMS picks one by TextMode.
    std::string SendSMS(const std::string& Dest, const std::string& Message);
    std::string T_SendSMS(const std::string& Dest, const std::string& Message);
    std::string P_SendSMS(const std::string& Dest, const std::string& Message);
    /// Reads the stored message at index Reference: its header fields and its text ("" when
    /// the read failed). Deletes it afterwards when DeleteOnRead is set and the whole message
    /// came in; a deletion that fails leaves its error latched for the next exchange and the
    /// message is still given. Reference must be decimal digits, else it is refused (-1)
    /// unwritten.
    std::string ReadSMS(const std::string& Reference);
    std::string T_ReadSMS(const std::string& Reference);
    std::string P_ReadSMS(const std::string& Reference);
    /// Deletes the stored message at index Reference; true (and OnDeleteSMS) when the modem
    /// confirmed it.
    bool DeleteSMS(const std::string& Reference);
    /// Lists the modem's unread stored messages into OnReceiveSMS (deleting each when
    /// DeleteOnRead is set). A reply that lists nothing queues and deletes nothing; a
    /// listing cut short by the time-out, or one a text in it may have confused (text mode,
    /// reported -1), deletes nothing.
    void DownloadSMS();
    // Messages as people write them. These operations report nothing through
    // OnSMSError: what went wrong is in their results.

    /// Sends Text (UTF-8; a byte that does not begin a UTF-8 sequence is read as ISO
    /// 8859-1) to Dest. In PDU mode any text goes: in the GSM alphabet or as UCS2, in up to
    /// 255 parts, with the options (status report, class, validity). Text mode carries
    /// what every modem character set writes alike: one part of letters, digits, common
    /// punctuation and line breaks; the options go through AT+CSMP and are set back
    /// after. Anything else is refused (Permanent) as needing PDU mode.
    [[nodiscard]] SendResult SendMessage(const std::string& Dest, const std::string& Text,
                                         const SubmitOptions& Options = {});
    /// Reads the stored message at index Reference and, when it is one part of a long
    /// message, the other stored parts with it. With DeleteOnRead set, deletes every part
    /// of a whole message afterwards (none of an incomplete one).
    [[nodiscard]] MessageRead ReadMessage(const std::string& Reference);
    /// Lists the stored received messages, put together from their parts; deletes nothing.
    [[nodiscard]] MessageListing ListMessages(ListScope Scope = ListScope::All);
    /// Deletes every stored part of Message; true when the modem confirmed each.
    bool DeleteMessage(const SmsMessage& Message);
    /// Hands every message still waiting for parts to OnMessage now, incomplete (before
    /// closing, say, so that parts forwarded directly are not lost with the component).
    void FlushPendingMessages();

    /// The hidden window's procedure: polls on the timer, raises the events of the queues
    /// (re-posting their messages while Busy). While the port is closed every message goes
    /// to DefWindowProcA; entries left queued then are announced again at the first timer
    /// tick with the port open, each raised once, oldest first.
    void TimerWndProc(TMessage& Message);

    /// The hidden window; 0 in design state.
    [[nodiscard]] HWND WindowHandle() const noexcept { return TimerWindow; }
    /// A command exchange is under way.
    [[nodiscard]] bool IsBusy() const noexcept { return Busy; }
    /// The link was lost and AutoReconnect is trying to bring it back.
    [[nodiscard]] bool Reconnecting() const noexcept;

  protected:
    /// Calls OnSMSError (or the default handler when it is cleared).
    void ReportError(int32_t ErrorId, const std::string& ErrorMessage);
    /// Reports a latched system error as -1 "System Error <code>", then a latched modem or
    /// library code with its catalogue text.
    void ReportLatchedErrors();

    /// Pending received messages ("+CMT: " reports and listed messages).
    TStringList ReceiveQueue;
    /// Pending send confirmations ("+CMGS: " reports).
    TStringList SentQueue;
    /// Pending new-message reports ("+CMTI: " and "+CBMI: ").
    TStringList NotifyQueue;
    /// Pending status reports ("+CDS: " and "+CDSI: ").
    TStringList StatusQueue;
    /// The hidden window; 0 in design state.
    HWND TimerWindow = 0;
    /// A command exchange is under way.
    bool Busy = false;
    /// The last modem or library error code; 0 = none.
    int32_t SMSError = 0;

  private:
    friend struct detail::ReportTable;

    void Construct();

    // The command channel (ReplyCollector.cpp, CommandExchange.cpp, PromptWait.cpp).

    /// Collects one reply: up to its final result line, or the time-out, or the loss of the
    /// link. Queues the reports in it and latches its error.
    [[nodiscard]] detail::ReplyOutcome Collect();
    /// Writes Command and collects its reply into Out; with ReportErrors, runs the error
    /// tail. False when the reply failed or the link was lost.
    bool RunExchange(const std::string& Command, detail::ReplyOutcome& Out, bool ReportErrors);
    /// Waits until Busy is clear, for at most the reply time-out.
    void AwaitIdle();
    /// How a wait for the "> " prompt ended.
    enum class PromptOutcome { Prompt, Refused, TimedOut, LinkLost };
    /// Waits for the prompt after a line written at Start: the last thing received, after
    /// whatever came before it (reports are queued). A final result refuses; Refusal gets
    /// the reply. Latches the modem's code, or 1002.
    [[nodiscard]] PromptOutcome AwaitPrompt(uint32_t Start, std::string& Refusal);
    /// After ESC: reads what the modem answers, queueing reports.
    void DrainAfterCancel();
    /// Queues the reports of a reply into their queues.
    void QueueReports(const detail::ReplyOutcome& Reply);

    // The link (LinkRecovery.cpp).

    /// The modem is gone: closes the port (OnDisconnect) and, with AutoReconnect, starts
    /// the attempts to bring it back.
    void LoseLink();
    /// Closes the port; OnDisconnect unless muted.
    void ClosePort();
    /// One attempt of AutoReconnect, from the hidden window's reconnection timer.
    void TryReconnect();
    /// When bytes wait and no exchange runs, collects the reports among them; notices a
    /// port that has hung up.
    void CollectWaitingReports();

    // Messages.

    /// The checks of a send, in order; reports the first that fails.
    [[nodiscard]] bool SendArgumentsAccepted(const std::string& Dest, const std::string& Message,
                                             bool TextForm);
    /// The port is open and Reference is a storage index; reports the first that fails.
    [[nodiscard]] bool ReferenceAccepted(const std::string& Reference);
    std::string ReadStoredMessage(const std::string& Reference, bool TextForm);
    /// Deletes a message just read; its errors stay latched for the next exchange, so that
    /// a refused deletion never keeps the message read from its caller.
    void DeleteAfterRead(const std::string& Reference);
    /// One tick of the polling timer.
    void PollForReports();
    /// Takes the oldest entry of the queue of window message Msg and raises its event.
    void RaiseQueuedEvent(uint32_t Msg);

    std::unique_ptr<detail::LinkState> FLink;

    // Messages as people write them (MessageSubmission.cpp, MessageAssembly.cpp,
    // StructuredReading.cpp, StatusReportEvents.cpp).

    /// How one message was written after AT+CMGS: the prompt, and the final reply when
    /// the text or PDU went out (`Written`).
    struct Submission {
        PromptOutcome Prompt = PromptOutcome::TimedOut;
        bool Written = false;
        std::string Reply;
        bool TimedOut = false;
        bool LinkLost = false;
        bool Failed = false;
        /// The "+CMGS:" reference of the final reply, or -1.
        int Reference = -1;

        /// Takes in the final reply after the text or PDU was written.
        void Take(const detail::ReplyOutcome& Final);
        /// What the exchange means for the send, given the code latched by a failure.
        [[nodiscard]] SendOutcome OutcomeWith(int32_t Code) const;
    };
    /// The exchange of a text-mode send: the command and the message line by line, each
    /// after its prompt, then Ctrl-Z. Holds Busy; leaves the latches to the caller.
    [[nodiscard]] Submission SubmitText(const std::string& Dest, const std::string& Message);
    /// The exchange of a PDU-mode send: AT+CMGS=Length, the prompt, the PDU and Ctrl-Z.
    [[nodiscard]] Submission SubmitPdu(const std::string& Pdu, int32_t Length);
    [[nodiscard]] SendResult SendPduParts(const std::string& Dest, const std::string& Text,
                                          const SubmitOptions& Options);
    [[nodiscard]] SendResult SendTextModeMessage(const std::string& Dest, const std::string& Text,
                                                 const SubmitOptions& Options);
    /// The parts of a listing (AT+CMGL with the status for Scope), in the mode of the
    /// moment; Error is set when it did not come whole.
    [[nodiscard]] std::vector<ReceivedPart> ListedParts(ListScope Scope, int32_t& ErrorCode,
                                                        std::string& ErrorText);
    /// Deletes the stored message at Index (AT+CMGD), raising OnDeleteSMS; true when the
    /// modem confirmed it. Errors stay latched.
    bool DeleteStoredPart(int Index);
    /// Takes one received part into the reassembly; raises OnMessage for what it completes.
    void AcceptPart(ReceivedPart Part);
    /// Raises OnMessage for each message, then deletes its stored parts (DeleteOnRead).
    void HandOver(std::vector<ReassembledMessage> Messages);
    /// A polling tick: hands over the messages whose time-out has passed.
    void ExpireWaitingMessages();
    /// "+CMTI:" with OnMessage assigned: reads the announced part and takes it in.
    void ReadAnnouncedMessage(const std::string& Memory, const std::string& Index);
    /// "+CDSI:": reads the stored status report, deletes it (DeleteOnRead), raises it.
    void ReadAnnouncedReport(const std::string& Index);
    /// The memory that reads and listings address, as the notifications name it.
    [[nodiscard]] std::string ReadMemory() const;

    std::unique_ptr<detail::MessageFlow> FMessages;

    // Set-up that adapts to the modem (SetupAdaptation.cpp, StoragePolling.cpp).

    /// What the initialisation commands and the activity check came to.
    enum class Initialisation { Ready, NotReady, PinRefused };
    /// PIN, SMSCenter and StorageString can go onto the command line; reports the first
    /// that cannot.
    [[nodiscard]] bool SetupSettingsAccepted();
    /// The initialisation commands and the activity check. A refused first command asks for
    /// the SIM's state and, when it wants its PIN, enters it and starts again; any other
    /// refused initialisation command is announced and left out.
    [[nodiscard]] Initialisation Initialise();
    /// When the SIM says it wants a PIN, enters it; true once the SIM took it. Sets
    /// PinRefused when it did not.
    [[nodiscard]] bool PinEnteredFirst(const std::string& Refused, bool& PinRefused);
    /// The storage step, falling back to what AT+CPMS=? lists; false to give up.
    [[nodiscard]] bool StorageSet();
    /// The routing step, falling back to the nearest routing AT+CNMI=? lists, else to
    /// polling the storage; false to give up.
    [[nodiscard]] bool RoutingSet();
    /// SendCommand with its error reports held back.
    [[nodiscard]] detail::HeldExchange SendHeld(const std::string& Command);
    /// Hands the held reports on, unless the exchange was a plain refusal; true when it was.
    bool DropRefusal(const detail::HeldExchange& Exchange);
    /// Raises OnAdaptation.
    void Adapted(const std::string& Text);
    /// A timer tick while routing could not be set: lists the unread messages and announces
    /// each one not yet announced, as a "+CMTI: " report would.
    void PollStorageForMessages();

    /// New messages are found by listing the storage (routing could not be set).
    bool StoragePolled = false;
    /// The modem lists no message memory: receiving is unavailable.
    bool NoMessageMemory = false;
    /// The memory that listing reads, as the notifications name it.
    std::string PolledMemory;
};

}  // namespace vorsa
