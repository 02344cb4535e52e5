#include "vorsa/gateway/ComponentModemLink.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "vorsa/Framework.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"
#include "vorsa/gateway/ModemReplies.h"

namespace vorsa::gateway {

namespace {

using Clock = std::chrono::steady_clock;

// How often Poll looks at the port for reports that came between operations.
constexpr int kPortCheckMs = 20;
// The first initialisation command: ESC first, so that a modem still waiting for the PDU of
// a send cut short (the previous process was killed after AT+CMGS) abandons it instead of
// taking the commands that follow for message text. Modems in command mode ignore it.
constexpr const char* kCancelAndReset =
    "\x1b"
    "ATZ";

SubmitOptions ToSubmitOptions(const SendOptions& options) {
    SubmitOptions submit;
    submit.statusReport = options.report;
    if (options.messageClass) {
        submit.messageClass = static_cast<MessageClass>(*options.messageClass & 3);
    }
    if (options.validitySeconds) {
        // Whole minutes, rounded up: the centre keeps trying at least as long as asked.
        submit.validity = std::chrono::minutes((*options.validitySeconds + 59) / 60);
    }
    return submit;
}

DeliveryOutcome ToOutcome(DeliveryStatus status) {
    switch (status) {
        case DeliveryStatus::Delivered:
            return DeliveryOutcome::Delivered;
        case DeliveryStatus::Failed:
            return DeliveryOutcome::Failed;
        case DeliveryStatus::Pending:
            break;
    }
    return DeliveryOutcome::Pending;
}

}  // namespace

ComponentModemLink::ComponentModemLink() = default;

ComponentModemLink::~ComponentModemLink() {
    Disconnect();
}

StoredMessage ComponentModemLink::ToStored(const SmsMessage& message) {
    StoredMessage stored;
    stored.sender = message.sender;
    stored.timeStamp = message.timeStamp;
    stored.text = message.text;
    if (message.concatReference) {
        stored.partReference =
            std::to_string(*message.concatReference) + "/" + std::to_string(message.partsExpected);
    }
    stored.parts = message.partsExpected;
    stored.complete = message.complete;
    for (const StoredPart& part : message.parts) {
        if (part.index > 0) {
            stored.indexes.push_back(std::to_string(part.index));
        }
    }
    return stored;
}

void ComponentModemLink::Note(int32_t code, const std::string& text) {
    health_.consecutiveTimeouts = code == ErrReadTimeout ? health_.consecutiveTimeouts + 1 : 0;
    if (code != 0) {
        health_.lastErrorCode = code;
        health_.lastError = std::to_string(code) + ": " + text;
    }
}

template <typename Operation>
std::vector<ComponentModemLink::Error> ComponentModemLink::Collecting(Operation&& operation) {
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

bool ComponentModemLink::Connect(const LinkSettings& settings) {
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
    // Reports come at once as "+CDS:": stored ones would pile up on the SIM beside the
    // messages. Only sends that ask for a report get one.
    m.StatusReports = StatusReportRouting::Direct;
    m.ReassemblyTimeout = settings.reassemblySeconds;
    m.OnSMSError = [this](TObject*, int32_t code, std::string text) {
        if (errors_ != nullptr) {
            errors_->push_back({code, std::move(text)});
        } else {
            health_.lastErrorCode = code;
            health_.lastError = std::to_string(code) + ": " + text;
        }
    };
    m.OnStatusReport = [this](TObject*, const vorsa::StatusReport& report) {
        if (events_.onStatusReport) {
            events_.onStatusReport(StatusReport{report.messageReference, report.status,
                                                ToOutcome(report.outcome), report.recipient,
                                                report.dischargeTime});
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
    return true;
}

void ComponentModemLink::Disconnect() {
    if (modem_) {
        modem_->OnDisconnect = nullptr;
        (void)Collecting([&] { modem_->DisConnect(); });
        modem_.reset();
    }
}

bool ComponentModemLink::Connected() const {
    return modem_ && modem_->Connected();
}

SendResult ComponentModemLink::Send(const std::string& to, const std::string& text,
                                    const SendOptions& options) {
    if (!Connected()) {
        return {SendOutcome::Transient, {}, ErrNotConnected, GetErrString(ErrNotConnected), 0};
    }
    const vorsa::SendResult sent = modem_->SendMessage(to, text, ToSubmitOptions(options));
    Note(sent.sent() ? 0 : sent.errorCode, sent.errorText);
    CheckLine();
    return {sent.outcome, sent.references, sent.errorCode, sent.errorText, sent.parts};
}

ListResult ComponentModemLink::ListStored() {
    ListResult result;
    if (!Connected()) {
        result.ok = false;
        return result;
    }
    // Every received message, read ones too: an earlier run may have read them and been
    // stopped before it stored them.
    const MessageListing listing = modem_->ListMessages(ListScope::All);
    Note(listing.ok ? 0 : listing.errorCode, listing.errorText);
    result.ok = listing.ok;
    result.waiting = static_cast<int>(listing.waiting.size());
    for (const SmsMessage& message : listing.messages) {
        if (!listing.ok && !message.complete) {
            // The listing was cut short: the missing parts may be among the unlisted ones.
            ++result.waiting;
            continue;
        }
        result.messages.push_back(ToStored(message));
    }
    for (const StoredPart& copy : listing.duplicates) {
        result.copies.push_back(std::to_string(copy.index));
    }
    CheckLine();
    return result;
}

bool ComponentModemLink::Delete(const std::vector<std::string>& indexes) {
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

void ComponentModemLink::Poll(int timeoutMs, int wakeFd) {
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

void ComponentModemLink::CheckLine() {
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

LinkHealth ComponentModemLink::QueryHealth() {
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
