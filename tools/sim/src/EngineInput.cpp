// Line discipline of the modem: command lines ended by CR, echo, the message entry that
// follows the prompt, and the framing of answers and unsolicited reports.
#include <algorithm>
#include <cctype>
#include <utility>

#include "EngineState.h"

namespace vorsa::sim {
namespace {

constexpr char kCtrlZ = 0x1A;
constexpr char kEscape = 0x1B;
constexpr char kBackspace = 0x08;
constexpr char kDelete = 0x7F;
constexpr size_t kMaxLine = 2048;
constexpr size_t kMaxMessageInput = 4096;

// Where "AT" (any case) starts; npos when the line has none.
size_t FindAttention(const std::string& line) {
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        if ((line[i] == 'A' || line[i] == 'a') && (line[i + 1] == 'T' || line[i + 1] == 't')) {
            return i;
        }
    }
    return std::string::npos;
}

bool IsRepeat(const std::string& line) {
    return line.size() == 2 && (line[0] == 'A' || line[0] == 'a') && line[1] == '/';
}

}  // namespace

ModemEngine::State::State(ModemOptions opts)
    : options(std::move(opts)),
      store(options.simCapacity, options.phoneCapacity),
      nextReference(options.firstMessageReference & 0xFF) {
    settings.serviceCentre = options.serviceCentre;
    settings.serviceCentreType =
        !options.serviceCentre.empty() && options.serviceCentre[0] == '+' ? 145 : 129;
    if (options.pinRequired) {
        sim = SimState::PinRequired;
    }
}

void ModemEngine::State::Receive(std::string_view bytes, Millis now) {
    for (char c : bytes) {
        if (input == Input::Command) {
            ReceiveCommandByte(c, now);
        } else {
            ReceiveMessageByte(c, now);
        }
    }
}

void ModemEngine::State::Echo(char c, Millis now) {
    if (settings.echo || faults.forceEcho) {
        output.Add(std::string(1, c), now, faults.trickleGap);
    }
}

void ModemEngine::State::ReceiveCommandByte(char c, Millis now) {
    bool lineFeedAfterReturn = c == '\n' && afterCarriageReturn;
    afterCarriageReturn = c == '\r';
    // NUL bytes are dropped (gsmlib sends "AT+CMGS=19" NUL CR); so are ESC and Ctrl-Z,
    // which tools send to cancel a prompt they think is still open; and the LF of CR LF.
    if (c == '\0' || c == kEscape || c == kCtrlZ || lineFeedAfterReturn) {
        return;
    }
    Echo(c, now);
    if (c == '\r') {
        std::string line;
        line.swap(lineBuffer);
        HandleLine(line, now);
        return;
    }
    if (c == '\n') {
        return;
    }
    if (c == kBackspace || c == kDelete) {
        if (!lineBuffer.empty()) {
            lineBuffer.pop_back();
        }
        return;
    }
    if (lineBuffer.size() < kMaxLine) {
        lineBuffer += c;
    }
    if (IsRepeat(lineBuffer)) {
        // "A/" repeats the previous command line at once, without CR.
        lineBuffer.clear();
        if (!lastLine.empty()) {
            HandleLine(lastLine, now);
        }
    }
}

void ModemEngine::State::ReceiveMessageByte(char c, Millis now) {
    bool lineFeedAfterReturn = c == '\n' && afterCarriageReturn;
    afterCarriageReturn = c == '\r';
    if (c == '\0' || lineFeedAfterReturn) {
        return;
    }
    if (c == kEscape) {
        // ESC abandons the message; nothing is sent or stored.
        input = Input::Command;
        messageBody.clear();
        FinishAnswer(Outcome::Ok(), now);
        return;
    }
    if (c == kCtrlZ) {
        Outcome outcome = FinishMessage(now);
        input = Input::Command;
        messageBody.clear();
        FinishAnswer(outcome, now);
        return;
    }
    if (c == kBackspace || c == kDelete) {
        if (!messageBody.empty()) {
            messageBody.pop_back();
        }
        return;
    }
    if (input == Input::MessagePdu) {
        if (c == '\r' || c == '\n' || c == ' ') {
            return;
        }
    } else if (c == '\r') {
        // Each CR ends a line of the message; the modem asks for the next one.
        messageBody += '\n';
        if (!faults.withholdPrompt) {
            SendAnswer("\r\n> ", now);
        }
        return;
    }
    Echo(c, now);
    if (messageBody.size() < kMaxMessageInput) {
        messageBody += c;
    }
}

void ModemEngine::State::HandleLine(const std::string& line, Millis now) {
    size_t at = FindAttention(line);
    if (at == std::string::npos) {
        return;  // not a command line: a real modem ignores it
    }
    std::string command = line.substr(at);
    lastLine = command;
    commandLines.push_back(command);
    if (faults.ignoreNextCommands > 0) {
        --faults.ignoreNextCommands;
        FlushHeld(now);
        return;
    }
    answer.clear();
    ExecuteLine(std::string_view(command).substr(2), now);
}

void ModemEngine::State::ExecuteLine(std::string_view body, Millis now) {
    std::optional<std::vector<AtCommand>> commands = ParseCommandLine(body);
    if (!commands) {
        FinishAnswer(Outcome::Error(), now);
        return;
    }
    for (const AtCommand& command : *commands) {
        if (faults.ignoredCommands.count(command.name) != 0) {
            answer.clear();
            FlushHeld(now);
            return;
        }
    }
    for (const AtCommand& command : *commands) {
        auto failing = faults.failingCommands.find(command.name);
        if (failing != faults.failingCommands.end()) {
            answer.clear();
            SendAnswer(Frame(failing->second), now);
            FlushHeld(now);
            return;
        }
    }
    for (const AtCommand& command : *commands) {
        Outcome outcome = Dispatch(command, now);
        if (outcome.kind == Outcome::Kind::AwaitMessage) {
            // The rest of the line is dropped: the message text comes next.
            std::string prompt =
                answer + (faults.withholdPrompt ? "" : LinesBeforePrompt() + "\r\n> ");
            answer.clear();
            SendAnswer(prompt, now);
            return;
        }
        if (outcome.Failed()) {
            FinishAnswer(outcome, now);
            return;
        }
    }
    FinishAnswer(Outcome::Ok(), now);
}

std::string ModemEngine::State::Frame(const std::string& text) const {
    return settings.verbose ? "\r\n" + text + "\r\n" : text + "\r\n";
}

void ModemEngine::State::Respond(const std::string& text) {
    answer += Frame(text);
}

std::string ModemEngine::State::FinalResultText(const Outcome& outcome) const {
    switch (outcome.kind) {
        case Outcome::Kind::Ok:
        case Outcome::Kind::AwaitMessage:
            return settings.verbose ? "OK" : "0";
        case Outcome::Kind::Error:
            return settings.verbose ? "ERROR" : "4";
        case Outcome::Kind::CmsError:
            return "+CMS ERROR: " + std::to_string(outcome.code);
        case Outcome::Kind::NotSupported:
            return settings.verbose ? "COMMAND NOT SUPPORT" : "4";
        case Outcome::Kind::CmeError:
            break;
    }
    if (settings.errorMode == 0) {
        return settings.verbose ? "ERROR" : "4";
    }
    if (settings.errorMode == 2) {
        static const std::unordered_map<int, const char*> kTexts = {
            {kCmeNotAllowed, "operation not allowed"},
            {kCmeNotSupported, "operation not supported"},
            {kCmeSimPinRequired, "SIM PIN required"},
            {kCmeSimPukRequired, "SIM PUK required"},
            {kCmeIncorrectPassword, "incorrect password"},
            {kCmeIncorrectParameters, "Incorrect parameters"},
        };
        auto it = kTexts.find(outcome.code);
        if (it != kTexts.end()) {
            return std::string("+CME ERROR: ") + it->second;
        }
    }
    return "+CME ERROR: " + std::to_string(outcome.code);
}

void ModemEngine::State::FinishAnswer(const Outcome& outcome, Millis now) {
    std::string bytes = VendorLineBeforeAnswer();
    bytes += answer;
    answer.clear();
    const bool omitResult = std::exchange(omitFinalResult, false);
    if (!settings.quiet && !omitResult) {
        std::string result = FinalResultText(outcome);
        bytes += settings.verbose ? Frame(result) : result + "\r";
    }
    SendAnswer(bytes, now);
    FlushHeld(now);
    std::vector<IncomingMessage> pending;
    pending.swap(loopback);
    for (const IncomingMessage& message : pending) {
        Deliver(message, now);
    }
}

void ModemEngine::State::SendAnswer(const std::string& bytes, Millis now) {
    if (bytes.empty()) {
        return;
    }
    std::string framed = std::string(static_cast<size_t>(std::max(faults.nulBytes, 0)), '\0') +
                         faults.lineNoise + bytes;
    output.Add(framed, now + faults.answerDelay, faults.trickleGap);
}

bool ModemEngine::State::LinkReserved() const {
    return input != Input::Command || !lineBuffer.empty();
}

void ModemEngine::State::Unsolicited(const std::string& text, Millis now) {
    std::string framed = Frame(text);
    switch (settings.notifyMode) {
        case 0:
            buffered.push_back(framed);
            return;
        case 1:
            if (LinkReserved()) {
                return;  // mode 1 drops reports while the line is busy
            }
            break;
        default:
            if (LinkReserved()) {
                held.push_back(framed);
                return;
            }
            break;
    }
    SendReport(framed, now);
}

void ModemEngine::State::FlushHeld(Millis now) {
    if (LinkReserved()) {
        return;
    }
    for (const std::string& report : held) {
        SendReport(report, now);
    }
    held.clear();
}

void ModemEngine::State::SendReport(const std::string& framed, Millis now) {
    if (faults.stallGap.count() <= 0 || framed.size() < 2) {
        output.Add(framed, now, faults.trickleGap);
        return;
    }
    // A line that stalls half way, as a modem busy with the radio sometimes sends it.
    const size_t half = framed.size() / 2;
    output.Add(framed.substr(0, half), now, faults.trickleGap);
    output.Add(framed.substr(half), now + faults.stallGap, faults.trickleGap);
}

// --- the public face ---

ModemEngine::ModemEngine(ModemOptions options)
    : state_(std::make_unique<State>(std::move(options))) {}
ModemEngine::~ModemEngine() = default;

void ModemEngine::Receive(std::string_view bytes, Millis now) {
    state_->Receive(bytes, now);
}

std::string ModemEngine::TakeOutput(Millis now) {
    state_->SendDueReports(now);
    return state_->output.TakeDue(now);
}

std::optional<Millis> ModemEngine::NextOutputTime() const {
    std::optional<Millis> output = state_->output.NextDue();
    std::optional<Millis> report = state_->NextReportTime();
    if (output && report) {
        return std::min(*output, *report);
    }
    return output ? output : report;
}

DeliveryResult ModemEngine::Deliver(const IncomingMessage& message, Millis now) {
    return state_->Deliver(message, now);
}

void ModemEngine::SendRaw(std::string_view bytes, Millis now) {
    state_->output.Add(std::string(bytes), now, state_->faults.trickleGap);
}

const std::vector<SentMessage>& ModemEngine::Outbox() const {
    return state_->outbox;
}

std::vector<StoredMessage> ModemEngine::Storage() const {
    std::vector<StoredMessage> messages;
    for (const std::string& memory : state_->store.Memories()) {
        for (int index : state_->store.Indexes(memory)) {
            messages.push_back(state_->Describe(memory, index, *state_->store.Find(memory, index)));
        }
    }
    return messages;
}

void ModemEngine::ClearStorage() {
    for (const std::string& memory : state_->store.Memories()) {
        for (int index : state_->store.Indexes(memory)) {
            state_->store.Erase(memory, index);
        }
    }
}

const std::vector<std::string>& ModemEngine::CommandLines() const {
    return state_->commandLines;
}

const FaultSettings& ModemEngine::Faults() const {
    return state_->faults;
}

void ModemEngine::SetFaults(const FaultSettings& faults) {
    if (faults.simNeedsPin && !state_->faults.simNeedsPin) {
        state_->sim = SimState::PinRequired;
        state_->pinAttempts = 0;
    } else if (!faults.simNeedsPin && state_->faults.simNeedsPin) {
        state_->sim = SimState::Ready;
    }
    state_->faults = faults;
}

const QuirkSettings& ModemEngine::Quirks() const {
    return state_->quirks;
}

void ModemEngine::SetQuirks(const QuirkSettings& quirks) {
    state_->SetQuirks(quirks);
}

ModemSettings ModemEngine::Settings() const {
    ModemSettings settings = state_->settings;
    settings.simState = state_->sim == SimState::Ready         ? "READY"
                        : state_->sim == SimState::PinRequired ? "SIM PIN"
                                                               : "SIM PUK";
    settings.awaitingMessage = state_->input != State::Input::Command;
    return settings;
}

const ModemOptions& ModemEngine::Options() const {
    return state_->options;
}

const char* StatusText(MessageStatus status) {
    switch (status) {
        case MessageStatus::ReceivedUnread:
            return "REC UNREAD";
        case MessageStatus::ReceivedRead:
            return "REC READ";
        case MessageStatus::StoredUnsent:
            return "STO UNSENT";
        case MessageStatus::StoredSent:
            return "STO SENT";
    }
    return "REC UNREAD";
}

}  // namespace vorsa::sim
