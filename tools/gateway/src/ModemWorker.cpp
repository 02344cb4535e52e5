#include "vorsa/gateway/ModemWorker.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>

#include "vorsa/gateway/EventLog.h"
#include "vorsa/gateway/Pacing.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway {

namespace {

// The longest the worker waits between two looks at the outbox (other gateways' retries
// and due times are not announced by a wake-up).
constexpr int kIdleWaitMs = 250;
// Reconnection backoff: 1 s doubling up to 30 s.
constexpr int64_t kReconnectBaseMs = 1000;
constexpr int64_t kReconnectMaxMs = 30000;
// A listing that failed is tried again this soon.
constexpr int64_t kListRetryMs = 2000;
// A store write after a send is tried this often, this far apart, before giving up (the
// message is then recovered as "unknown" at the next start).
constexpr int kRecordAttempts = 20;
constexpr int kRecordPauseMs = 500;

void Drain(int fd) {
    uint64_t count = 0;
    while (::read(fd, &count, sizeof count) > 0) {
    }
}

// The error of a send, with the parts that went out before it stopped.
std::string ErrorText(const SendResult& result) {
    std::string text = std::to_string(result.code) + ": " + result.text;
    if (result.outcome != SendOutcome::Sent && !result.references.empty()) {
        text += " (parts 1 to " + std::to_string(result.references.size()) + " of " +
                std::to_string(result.parts) + " went out, references";
        for (const int reference : result.references) {
            text += " " + std::to_string(reference);
        }
        text += ")";
    }
    return text;
}

// How the worker treats a send: a long message stopped after some of its parts went out
// cannot be retried without sending those parts again, so a passing fault there is handled
// as a send that may have gone out.
SendOutcome Treatment(const SendResult& result) {
    if (result.outcome == SendOutcome::Transient && !result.references.empty()) {
        return SendOutcome::Ambiguous;
    }
    return result.outcome;
}

}  // namespace

ModemWorker::ModemWorker(WorkerSettings settings, Store& store, EventLog& log, LinkFactory makeLink)
    : settings_(std::move(settings)),
      store_(store),
      log_(log),
      makeLink_(std::move(makeLink)),
      limiter_(settings_.modem.ratePerMinute) {
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    health_.name = settings_.modem.name;
    health_.gateway = settings_.gatewayId;
    health_.device = settings_.modem.link.device;
}

ModemWorker::~ModemWorker() {
    Stop();
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

std::string ModemWorker::Claimant() const {
    return settings_.gatewayId + "/" + settings_.modem.name;
}

void ModemWorker::Start() {
    if (!thread_.joinable()) {
        stop_ = false;
        thread_ = std::thread([this] { Run(); });
    }
}

void ModemWorker::RequestStop() {
    stop_ = true;
    Wake();
}

void ModemWorker::Stop() {
    stop_ = true;
    Wake();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ModemWorker::Wake() {
    const uint64_t one = 1;
    if (wakeFd_ >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
    }
}

void ModemWorker::Run() {
    std::unique_ptr<ModemLink> link = makeLink_();
    ModemLink::Events events;
    events.onStored = [this] {
        storedPending_ = true;
        Wake();  // ends the link's wait, so the message is fetched now
    };
    events.onStatusReport = [this](const StatusReport& report) {
        try {
            const auto id = store_.ApplyStatusReport(settings_.modem.name, report, NowMillis());
            log_.Emit("report", {{"modem", settings_.modem.name},
                                 {"reference", report.reference},
                                 {"outcome", OutcomeName(report.outcome)},
                                 {"message_id", id ? nlohmann::json(*id) : nullptr}});
        } catch (const StoreError& error) {
            log_.Emit("store_error", {{"modem", settings_.modem.name}, {"error", error.what()}});
        }
    };
    events.onHangUp = [this](const std::string& why) {
        health_.connected = false;
        health_.lastError = why;
        nextConnect_ = NowMillis() + kReconnectBaseMs;
        log_.Emit("modem", {{"modem", settings_.modem.name}, {"state", "hung_up"}, {"why", why}},
                  true);
        SaveHealth();
    };
    link->SetEvents(events);
    SaveHealth();

    while (!stop_) {
        const int64_t now = NowMillis();
        if (!link->Connected()) {
            if (now < nextConnect_) {
                pollfd fd{wakeFd_, POLLIN, 0};
                (void)::poll(&fd, 1, static_cast<int>(std::min<int64_t>(nextConnect_ - now, 500)));
                Drain(wakeFd_);
                continue;
            }
            Connect(*link, now);
            continue;
        }
        if (storedPending_ || now >= nextRescan_) {
            ReceiveStored(*link);
        }
        if (link->Connected() && now >= nextHealth_) {
            QueryHealth(*link);
        }
        bool busy = false;
        if (link->Connected()) {
            busy = SendOne(*link);
        }
        if (link->Connected() &&
            link->Health().consecutiveTimeouts >= settings_.reinitAfterTimeouts) {
            log_.Emit("modem",
                      {{"modem", settings_.modem.name},
                       {"state", "reinitialising"},
                       {"why", link->Health().lastError}},
                      true);
            link->Disconnect();
            health_.connected = false;
            nextConnect_ = NowMillis();
            continue;
        }
        if (link->Connected() && !stop_) {
            Drain(wakeFd_);
            link->Poll(busy ? 0 : kIdleWaitMs, wakeFd_);
        }
    }
    link->Disconnect();
    health_.connected = false;
    SaveHealth();
}

void ModemWorker::Connect(ModemLink& link, int64_t now) {
    if (link.Connect(settings_.modem.link)) {
        connectFailures_ = 0;
        if (everConnected_) {
            ++health_.reconnects;
        }
        everConnected_ = true;
        health_.connected = true;
        health_.lastError.clear();
        storedPending_ = true;  // what the modem stored meanwhile
        nextHealth_ = now;
        log_.Emit("modem",
                  {{"modem", settings_.modem.name},
                   {"state", "connected"},
                   {"device", settings_.modem.link.device}},
                  true);
        SaveHealth();
        return;
    }
    ++connectFailures_;
    nextConnect_ = now + BackoffMs(connectFailures_, kReconnectBaseMs, kReconnectMaxMs);
    health_.connected = false;
    health_.lastError = link.Health().lastError;
    if (connectFailures_ == 1) {
        log_.Emit("modem",
                  {{"modem", settings_.modem.name},
                   {"state", "connect_failed"},
                   {"why", health_.lastError}},
                  true);
    }
    SaveHealth();
}

void ModemWorker::ReceiveStored(ModemLink& link) {
    storedPending_ = false;
    const int64_t started = NowMillis();
    nextRescan_ = started + settings_.rescanIntervalMs;
    const ListResult listed = link.ListStored();
    if (listed.waiting != waiting_) {
        waiting_ = listed.waiting;
        log_.Emit("waiting", {{"modem", settings_.modem.name}, {"messages", waiting_}});
    }
    for (const StoredMessage& message : listed.messages) {
        ReceivedRecord record{settings_.modem.name, message.sender,        message.timeStamp,
                              message.text,         message.partReference, message.parts,
                              message.complete};
        StoreIncomingResult stored;
        try {
            stored = store_.StoreIncoming(record, NowMillis());
        } catch (const StoreError& error) {
            // Not committed: the message stays on the modem for the next round.
            log_.Emit("store_error", {{"modem", settings_.modem.name}, {"error", error.what()}});
            nextRescan_ = NowMillis() + kListRetryMs;
            return;
        }
        if (stored.inserted) {
            log_.Emit("received", {{"modem", settings_.modem.name},
                                   {"id", stored.id},
                                   {"from", message.sender},
                                   {"parts", message.parts},
                                   {"complete", message.complete}});
        }
        // Committed: now the modem's copy may go. A delete that fails leaves it for the
        // next round, where the store recognises it.
        if (!link.Delete(message.indexes)) {
            nextRescan_ = NowMillis() + kListRetryMs;
        }
        if (!link.Connected()) {
            return;
        }
    }
    // A part stored twice keeps its first copy with its message; the second would come
    // back alone in the next listing and end as a fragment of its own.
    if (!listed.copies.empty() && !link.Delete(listed.copies)) {
        nextRescan_ = NowMillis() + kListRetryMs;
    }
    if (!listed.ok) {
        nextRescan_ = NowMillis() + kListRetryMs;
    }
}

bool ModemWorker::SendOne(ModemLink& link) {
    const int64_t now = NowMillis();
    if (!limiter_.Ready(now)) {
        return false;
    }
    std::optional<OutgoingMessage> message;
    try {
        message = store_.Claim(settings_.modem.name, Claimant(), now);
    } catch (const StoreError& error) {
        log_.Emit("store_error", {{"modem", settings_.modem.name}, {"error", error.what()}});
        return false;
    }
    if (!message) {
        return false;
    }
    limiter_.Took(now);
    const SendOptions options{message->request.report, message->request.messageClass,
                              message->request.validitySeconds};
    const SendResult result = link.Send(message->request.to, message->request.text, options);
    const int64_t done = NowMillis();
    const int64_t id = message->id;
    std::string outcome;
    bool recorded = false;
    switch (Treatment(result)) {
        case SendOutcome::Sent:
            outcome = "sent";
            recorded = Record(
                [&] {
                    if (!store_.MarkSent(id, result.references, done)) {
                        // Recovered as abandoned meanwhile: it stays "unknown".
                        outcome = "sent, but recovered as unknown meanwhile";
                    }
                },
                "sent");
            break;
        case SendOutcome::Permanent:
            outcome = "failed";
            recorded = Record([&] { store_.MarkFailed(id, ErrorText(result), done); }, "failed");
            break;
        case SendOutcome::Transient:
            if (message->attempts >= settings_.retry.maxAttempts) {
                outcome = "failed";
                recorded = Record(
                    [&] {
                        store_.MarkFailed(id,
                                          ErrorText(result) + " (after " +
                                              std::to_string(message->attempts) + " attempts)",
                                          done);
                    },
                    "failed");
            } else {
                outcome = "retry";
                const int64_t next = done + BackoffMs(message->attempts, settings_.retry.backoffMs,
                                                      settings_.retry.maxBackoffMs);
                recorded =
                    Record([&] { store_.MarkRetry(id, ErrorText(result), next, done); }, "retry");
            }
            break;
        case SendOutcome::Ambiguous:
            if (settings_.unconfirmed == UnconfirmedPolicy::Retry &&
                message->attempts < settings_.retry.maxAttempts) {
                outcome = "retry";
                const int64_t next = done + BackoffMs(message->attempts, settings_.retry.backoffMs,
                                                      settings_.retry.maxBackoffMs);
                recorded = Record(
                    [&] {
                        store_.MarkRetry(id, ErrorText(result) + " (may have gone out)", next,
                                         done);
                    },
                    "retry");
            } else {
                outcome = "unknown";
                recorded = Record(
                    [&] {
                        store_.MarkUnknown(id, ErrorText(result) + " (it may have gone out)", done);
                    },
                    "unknown");
            }
            break;
    }
    nlohmann::json fields = {
        {"modem", settings_.modem.name}, {"id", id}, {"outcome", outcome}, {"recorded", recorded}};
    if (result.outcome != SendOutcome::Sent) {
        fields["error"] = ErrorText(result);
    } else {
        fields["references"] = result.references;
    }
    log_.Emit("send", fields);
    return true;
}

bool ModemWorker::Record(const std::function<void()>& write, const std::string& what) {
    for (int attempt = 1; attempt <= kRecordAttempts; ++attempt) {
        try {
            write();
            return true;
        } catch (const StoreError& error) {
            log_.Emit("store_error", {{"modem", settings_.modem.name},
                                      {"writing", what},
                                      {"attempt", attempt},
                                      {"error", error.what()}});
            std::this_thread::sleep_for(std::chrono::milliseconds(kRecordPauseMs));
        }
    }
    return false;
}

void ModemWorker::QueryHealth(ModemLink& link) {
    nextHealth_ = NowMillis() + settings_.healthIntervalMs;
    const LinkHealth health = link.QueryHealth();
    if (health.registration != health_.registration && health_.registration != -1) {
        log_.Emit("modem",
                  {{"modem", settings_.modem.name},
                   {"state", "registration"},
                   {"registration", health.registration}},
                  true);
    }
    health_.signalDbm = health.signalDbm;
    health_.registration = health.registration;
    health_.connected = link.Connected();
    health_.lastError = health.lastError;
    SaveHealth();
}

void ModemWorker::SaveHealth() {
    health_.updatedAt = NowMillis();
    try {
        store_.SaveHealth(health_);
    } catch (const StoreError&) {
        // Health is refreshed at the next change; the log has what happened.
    }
}

}  // namespace vorsa::gateway
