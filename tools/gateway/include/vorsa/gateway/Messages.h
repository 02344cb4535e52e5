// The records the gateway keeps: outgoing messages with their state, received messages,
// status reports and the health of each modem. Times are milliseconds since the Unix epoch.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorsa::gateway {

/// Where an outgoing message stands. Queued, Sending and Sent move on; the others are final
/// (Unknown: the message may or may not have gone out, and is never sent again blindly).
enum class MessageState { Queued, Sending, Sent, Delivered, Failed, Expired, Unknown };

/// "queued", "sending", "sent", "delivered", "failed", "expired", "unknown".
[[nodiscard]] std::string_view StateName(MessageState state);
[[nodiscard]] std::optional<MessageState> ParseState(std::string_view name);
/// True for the states a message never leaves.
[[nodiscard]] bool IsFinal(MessageState state);

/// What a client asks to send.
struct NewMessage {
    std::string to;
    std::string text;  // UTF-8
    bool report = false;
    std::optional<int> messageClass;         // 0-3
    std::optional<int64_t> validitySeconds;  // how long the network keeps trying
    std::string idempotencyKey;              // empty: none
};

struct OutgoingMessage {
    int64_t id = 0;
    NewMessage request;
    MessageState state = MessageState::Queued;
    std::string modem;            // the modem that took it last
    std::string claimedBy;        // gateway and modem that took it last
    std::vector<int> references;  // the message reference of every part sent
    int attempts = 0;
    std::string lastError;
    int64_t createdAt = 0;
    int64_t updatedAt = 0;
    int64_t nextAttemptAt = 0;
    int64_t expiresAt = 0;
    std::optional<int64_t> sentAt;
    std::optional<int64_t> doneAt;  // delivered, failed, expired or unknown
};

/// A message as it arrives from a modem, before the store gives it an id.
struct ReceivedRecord {
    std::string modem;
    std::string sender;
    std::string timeStamp;  // the service centre's, as the modem gives it
    std::string text;       // UTF-8
    /// Identifies a multipart group ("" for a single message): with the sender it tells
    /// two messages of the same text and second apart.
    std::string partReference;
    int parts = 1;
    bool complete = true;
};

struct IncomingMessage {
    int64_t id = 0;
    ReceivedRecord record;
    int64_t receivedAt = 0;
};

enum class DeliveryOutcome { Delivered, Pending, Failed };
[[nodiscard]] std::string_view OutcomeName(DeliveryOutcome outcome);

/// A status report from the network about a message a modem sent.
struct StatusReport {
    int reference = 0;  // the message reference the send gave
    int status = 0;     // TP-Status
    DeliveryOutcome outcome = DeliveryOutcome::Pending;
    std::string recipient;
    std::string dischargeTime;
};

struct ModemHealth {
    std::string name;
    std::string gateway;
    std::string device;
    bool connected = false;
    std::optional<int> signalDbm;
    /// +CREG status: 0 not registered, 1 home, 2 searching, 3 denied, 5 roaming; -1 unknown.
    int registration = -1;
    std::string lastError;
    int64_t reconnects = 0;
    int64_t updatedAt = 0;
};

/// Milliseconds since the Unix epoch, now.
[[nodiscard]] int64_t NowMillis();
/// "2026-12-08T21:59:38.123Z".
[[nodiscard]] std::string IsoTime(int64_t millis);

}  // namespace vorsa::gateway
