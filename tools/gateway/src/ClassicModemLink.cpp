#include "vorsa/gateway/ClassicModemLink.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "vorsa/Framework.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"
#include "vorsa/cli/MessageFields.h"
#include "vorsa/cli/TextEncoding.h"
#include "vorsa/gateway/ModemReplies.h"

namespace vorsa::gateway {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kClassicMaxCharacters = 159;
// How often Poll looks at the port for reports that came between operations.
constexpr int kPortCheckMs = 20;
// +CMS ERROR: the stored message slot is empty.
constexpr int32_t kInvalidMemoryIndex = 321;
// The first initialisation command: ESC first, so that a modem still waiting for the PDU of
// a send cut short (the previous process was killed after AT+CMGS) abandons it instead of
// taking the commands that follow for message text. Modems in command mode ignore it.
constexpr const char* kCancelAndReset =
    "\x1b"
    "ATZ";

// +CMS ERROR numbers for which sending again cannot help: the number, the subscriber or
// the message itself was refused (GSM 04.11 and 03.40 causes, 27.005 parameter errors).
bool IsPermanentRefusal(int32_t code) {
    switch (code) {
        case 1:    // unassigned number
        case 8:    // operator determined barring
        case 10:   // call barred
        case 21:   // short message transfer rejected
        case 27:   // destination out of service
        case 28:   // unidentified subscriber
        case 29:   // facility rejected
        case 30:   // unknown subscriber
        case 50:   // requested facility not subscribed
        case 96:   // invalid mandatory information
        case 97:   // message type non-existent
        case 98:   // message not compatible with the protocol state
        case 99:   // information element non-existent
        case 111:  // protocol error
        case 193:  // no service centre subscription
        case 195:  // invalid destination address
        case 196:  // destination barred
        case 197:  // rejected duplicate
        case 198:  // validity period format not supported
        case 199:  // validity period not supported
        case 303:  // operation not supported
        case 304:  // invalid PDU mode parameter
        case 305:  // invalid text mode parameter
            return true;
        default:
            return (code >= 128 && code <= 176);  // PID, DCS and command errors
    }
}

// How long a send waits for its reference after the modem's OK.
constexpr auto kReferenceGrace = std::chrono::milliseconds(500);
// What the link keeps of the modem's bytes during one send.
constexpr size_t kHeardLimit = 4096;

// The number of the first "+CMS ERROR: <n>" in `bytes`.
std::optional<int32_t> CmsErrorIn(const std::string& bytes) {
    const std::string marker = "+CMS ERROR: ";
    const size_t at = bytes.find(marker);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    int32_t code = 0;
    size_t i = at + marker.size();
    const size_t first = i;
    while (i < bytes.size() && i - first < 4 && bytes[i] >= '0' && bytes[i] <= '9') {
        code = code * 10 + (bytes[i++] - '0');
    }
    if (i == first) {
        return std::nullopt;
    }
    return code;
}

bool SafeClassicCharacter(unsigned char c) {
    if (c == '\n' || c == '\r') {
        return true;
    }
    if (c < 0x20 || c > 0x7E) {
        return false;
    }
    return std::string_view("[\\]^_`{|}~").find(static_cast<char>(c)) == std::string_view::npos;
}

// The component's bytes as UTF-8: well-formed UTF-8 (decoded UCS2) stays, other bytes are
// read as ISO 8859-1.
std::string AsUtf8(const std::string& bytes) {
    if (cli::IsUtf8(bytes)) {
        return bytes;
    }
    std::string text;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (u >> 6));
            text += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return text;
}

}  // namespace

ClassicModemLink::ClassicModemLink() = default;

ClassicModemLink::~ClassicModemLink() {
    Disconnect();
}

TextLimits ClassicModemLink::ClassicLimits() {
    return TextLimits{kClassicMaxCharacters, true, false, false, false};
}

std::string ClassicModemLink::RefusalOf(const std::string& text) {
    if (text.empty()) {
        return "the text is empty";
    }
    for (char c : text) {
        if (!SafeClassicCharacter(static_cast<unsigned char>(c))) {
            return "the modem link sends plain ASCII letters, digits and common punctuation "
                   "only (no [ \\ ] ^ _ ` { | } ~ and no other characters yet)";
        }
    }
    if (text.size() > kClassicMaxCharacters) {
        return "the modem link sends at most " + std::to_string(kClassicMaxCharacters) +
               " characters in one message";
    }
    return "";
}

template <typename Operation>
std::vector<ClassicModemLink::Error> ClassicModemLink::Collecting(Operation&& operation) {
    std::vector<Error> errors;
    std::vector<Error>* outer = errors_;
    errors_ = &errors;
    try {
        operation();
    } catch (const std::exception& error) {
        // The component throws only where a reply holds text in place of a number.
        errors.push_back({ErrNotCatalogued, error.what()});
    }
    errors_ = outer;
    const bool timedOut = std::any_of(errors.begin(), errors.end(),
                                      [](const Error& e) { return e.code == ErrReadTimeout; });
    health_.consecutiveTimeouts = timedOut ? health_.consecutiveTimeouts + 1 : 0;
    if (!errors.empty()) {
        health_.lastErrorCode = errors.back().code;
        health_.lastError = std::to_string(errors.back().code) + ": " + errors.back().text;
    }
    if (outer != nullptr) {
        outer->insert(outer->end(), errors.begin(), errors.end());
    }
    return errors;
}

bool ClassicModemLink::Connect(const LinkSettings& settings) {
    Disconnect();
    modem_ = std::make_unique<TVorsa>(nullptr);
    TVorsa& m = *modem_;
    m.Port = settings.device;
    m.Baud = settings.baud;
    m.PIN = settings.pin;
    m.SMSCenter = settings.serviceCentre;
    if (!settings.storage.empty()) {
        m.StorageString = settings.storage;
    }
    m.ReadTimeout = settings.timeoutSeconds;
    m.TextMode = false;
    m.DeleteOnRead = false;
    m.InitString1 = kCancelAndReset;
    m.OnSMSError = [this](TObject*, int32_t code, std::string text) {
        if (errors_ != nullptr) {
            errors_->push_back({code, std::move(text)});
        } else {
            health_.lastErrorCode = code;
            health_.lastError = std::to_string(code) + ": " + text;
        }
    };
    m.OnSentSMS = [this](TObject*, std::string reference) {
        try {
            references_.push_back(StrToInt(Trim(reference)));
        } catch (const EConvertError&) {
            // A reference that is not a number is no reference.
        }
    };
    m.OnNotifySMS = [this](TObject*, std::string, std::string) {
        if (events_.onStored) {
            events_.onStored();
        }
    };
    const auto errors = Collecting([&] { m.Connect(); });
    if (!m.Connected()) {
        if (errors.empty()) {
            health_.lastErrorCode = ErrNotConnected;
            health_.lastError =
                std::to_string(ErrNotConnected) + ": " + GetErrString(ErrNotConnected);
        }
        modem_.reset();
        return false;
    }
    references_.clear();
    return true;
}

void ClassicModemLink::Disconnect() {
    if (modem_) {
        modem_->OnDisconnect = nullptr;
        (void)Collecting([&] { modem_->DisConnect(); });
        modem_.reset();
    }
}

bool ClassicModemLink::Connected() const {
    return modem_ && modem_->Connected();
}

SendResult ClassicModemLink::Send(const std::string& to, const std::string& text,
                                  const SendOptions&) {
    if (!Connected()) {
        return {SendOutcome::Transient, {}, ErrNotConnected, GetErrString(ErrNotConnected)};
    }
    if (const std::string refusal = RefusalOf(text); !refusal.empty()) {
        return {SendOutcome::Permanent, {}, ErrNotCatalogued, refusal};
    }
    // A reference still queued belongs to an earlier send; this one's comes after its OK.
    ProcessMessages();
    references_.clear();
    std::string reply;
    // A modem that refuses AT+CMGS itself, before any prompt (a "+CMS ERROR: <cause>" in
    // place of "> ", as vorsa-sim's `fault error CMGS CODE` answers), is reported by the
    // component as "no prompt" (1001); the line still tells the cause, so the link watches
    // it to tell a refused number from a passing fault.
    std::string heard;
    modem_->OnTrace = [&heard](bool outgoing, const std::string& bytes) {
        if (!outgoing && heard.size() < kHeardLimit) {
            heard += bytes;
        }
    };
    const auto errors = Collecting([&] { reply = modem_->SendSMS(to, text); });
    modem_->OnTrace = nullptr;
    if (errors.empty() && endWith(reply, "OK")) {
        // The reference ("+CMGS: n") stood in the same reply, before its OK: the component
        // has queued it, and the message loop raises it at once.
        const auto deadline = Clock::now() + kReferenceGrace;
        while (references_.empty() && Clock::now() < deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            (void)HandleMessage(static_cast<int>(left.count()) + 1);
        }
        SendResult result{SendOutcome::Sent, {}, 0, ""};
        if (!references_.empty()) {
            result.references.push_back(references_.front());
        }
        return result;
    }
    Error error =
        errors.empty() ? Error{ErrModemError, "the modem did not answer OK"} : errors.back();
    if (error.code == ErrModemError) {
        if (const std::optional<int32_t> cause = CmsErrorIn(heard)) {
            error = {*cause, GetErrString(*cause)};
        }
    }
    SendResult result{SendOutcome::Transient, {}, error.code, error.text};
    if (error.code == ErrReadTimeout ||
        (error.code == ErrNotCatalogued && startWith(error.text, "System Error"))) {
        // The PDU may have reached the modem: only the answer is missing.
        result.outcome = SendOutcome::Ambiguous;
    } else if (error.code == ErrNotCatalogued || IsPermanentRefusal(error.code)) {
        result.outcome = SendOutcome::Permanent;
    }
    CheckLine();
    return result;
}

ListResult ClassicModemLink::ListStored() {
    ListResult result;
    if (!Connected()) {
        result.ok = false;
        return result;
    }
    std::string reply;
    (void)Collecting([&] { reply = modem_->SendSMSCommand("AT+CPMS?"); });
    const std::optional<MemoryUsage> usage = ParseMemoryUsage(reply);
    if (!usage) {
        result.ok = false;
        CheckLine();
        return result;
    }
    // Read every slot until as many messages were found as the memory says it holds:
    // listing with AT+CMGL would miss messages already marked read by an earlier run.
    int found = 0;
    for (int index = 1; index <= usage->total && found < usage->used; ++index) {
        const std::string reference = std::to_string(index);
        std::string read;
        const auto errors = Collecting([&] { read = modem_->ReadSMS(reference); });
        if (!errors.empty()) {
            const bool empty = errors.size() == 1 && errors[0].code == kInvalidMemoryIndex;
            if (!empty) {
                result.ok = false;
                CheckLine();
                if (!Connected() || health_.consecutiveTimeouts > 0) {
                    return result;
                }
            }
            continue;
        }
        if (read.empty()) {
            continue;
        }
        ++found;
        const cli::MessageFields fields = cli::ParseReadResult(read, false);
        StoredMessage message;
        message.sender = AsUtf8(fields.from);
        message.timeStamp = fields.time;
        message.text = AsUtf8(fields.text);
        message.indexes.push_back(reference);
        result.messages.push_back(std::move(message));
    }
    return result;
}

bool ClassicModemLink::Delete(const std::vector<std::string>& indexes) {
    bool all = Connected();
    for (const std::string& index : indexes) {
        if (!Connected()) {
            return false;
        }
        bool deleted = false;
        (void)Collecting([&] { deleted = modem_->DeleteSMS(index); });
        all = all && deleted;
    }
    CheckLine();
    return all;
}

void ClassicModemLink::Poll(int timeoutMs, int wakeFd) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        (void)Collecting([] { ProcessMessages(); });
        CheckLine();
        if (!Connected()) {
            return;
        }
        // Reports that arrived between operations: a bare AT collects them, as the
        // component's polling timer does, without waiting for its next tick.
        if (modem_->GetIn() >= 2) {
            (void)Collecting([&] { (void)modem_->SendSMSCommand("AT"); });
            (void)Collecting([] { ProcessMessages(); });
            continue;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return;
        }
        pollfd fds[2] = {{MessageLoopFd(), POLLIN, 0}, {wakeFd, POLLIN, 0}};
        (void)::poll(fds, 2, static_cast<int>(std::min<int64_t>(left.count(), kPortCheckMs)));
        if ((fds[1].revents & POLLIN) != 0) {
            (void)Collecting([] { ProcessMessages(); });
            return;
        }
    }
}

void ClassicModemLink::CheckLine() {
    if (!modem_ || !modem_->Connected()) {
        return;
    }
    if (modem_->GetIn() < 0) {
        const int32_t code = modem_->GetError();
        const std::string why =
            "the device stopped answering (system error " + std::to_string(code) + ")";
        health_.lastErrorCode = ErrNotCatalogued;
        health_.lastError = why;
        Disconnect();
        if (events_.onHangUp) {
            events_.onHangUp(why);
        }
    }
}

LinkHealth ClassicModemLink::QueryHealth() {
    if (!Connected()) {
        return health_;
    }
    int32_t signal = 0;
    std::string reply;
    (void)Collecting([&] {
        signal = modem_->GetField();
        reply = modem_->SendSMSCommand("AT+CREG?");
    });
    health_.signalDbm = signal == 0 ? std::nullopt : std::optional<int>(signal);
    health_.registration = ParseRegistration(reply).value_or(-1);
    CheckLine();
    return health_;
}

}  // namespace vorsa::gateway
