// One modem as the gateway needs it. The gateway's workers talk to modems only through
// this interface; ComponentModemLink implements it on the TVorsa component. Everything else
// in the gateway (store, outbox, API) is independent of the component.
//
// A link is used by one thread only, the one that connected it; its events are raised on
// that thread from inside Poll().
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vorsa/MessageTypes.h"
#include "vorsa/gateway/Messages.h"

namespace vorsa::gateway {

/// How to reach and set up one modem.
struct LinkSettings {
    std::string device;  // e.g. /dev/serial/by-id/usb-..., reopened by name on each connect
    int32_t baud = 115200;
    std::string pin;
    std::string serviceCentre;
    std::string storage;  // argument of AT+CPMS; empty: the modem's default
    uint32_t timeoutSeconds = 10;
    /// How long the parts of a long message wait on the modem for the missing ones before
    /// the message is taken as far as it came.
    uint32_t reassemblySeconds = 600;
};

struct SendOptions {
    bool report = false;
    std::optional<int> messageClass;
    std::optional<int64_t> validitySeconds;
};

/// How a send ended: the component's own four cases (sent, refused for good, worth another
/// try, perhaps gone), which the outbox's states follow.
using SendOutcome = ::vorsa::SendOutcome;

struct SendResult {
    SendOutcome outcome = SendOutcome::Transient;
    /// The message reference of every part the modem confirmed, in order (-1 for a part
    /// confirmed without one). Fewer than `parts` when the send stopped early: those parts
    /// did go out.
    std::vector<int> references;
    int32_t code = 0;  // the error code, when not Sent
    std::string text;  // its text
    /// The parts the text takes; 0 when it was refused before it was measured.
    int parts = 0;
};

/// A message the modem holds: whole (all parts in), or as far as it goes.
struct StoredMessage {
    std::string sender;
    std::string timeStamp;  // the service centre's
    std::string text;       // UTF-8
    /// "" for a single message; for a long one its concatenation reference and part count
    /// ("17/3"), which with the sender tells two long messages of one second apart.
    std::string partReference;
    int parts = 1;  // the parts the message was sent in (some missing when not complete)
    bool complete = true;
    /// The storage indexes of every part at hand, to delete once the message is stored.
    std::vector<std::string> indexes;
};

struct ListResult {
    bool ok = true;  // false: the listing failed (error in lastError); `messages` may hold some
    /// Whole messages, and long ones whose missing parts did not come within the
    /// reassembly time-out (not complete).
    std::vector<StoredMessage> messages;
    /// Long messages still waiting on the modem for parts that may yet come.
    int waiting = 0;
    /// Storage indexes of parts the modem holds twice (the network delivered them again).
    /// The messages above, complete or waiting, keep one copy each, so these may go at once.
    std::vector<std::string> copies;
};

struct LinkHealth {
    std::optional<int> signalDbm;
    int registration = -1;  // +CREG status, -1 unknown
    int32_t lastErrorCode = 0;
    std::string lastError;
    /// Replies that timed out since the last one that came in.
    int consecutiveTimeouts = 0;
};

class ModemLink {
  public:
    struct Events {
        /// The modem stored a new message (list to fetch it).
        std::function<void()> onStored;
        std::function<void(const StatusReport&)> onStatusReport;
        /// The device went away (unplugged, re-enumerated, hung up); the link is closed.
        std::function<void(const std::string& why)> onHangUp;
    };

    virtual ~ModemLink() = default;

    void SetEvents(Events events) { events_ = std::move(events); }

    /// Opens the device and sets the modem up; false (with lastError) when that failed.
    [[nodiscard]] virtual bool Connect(const LinkSettings& settings) = 0;
    virtual void Disconnect() = 0;
    [[nodiscard]] virtual bool Connected() const = 0;

    /// Sends `text` (UTF-8, any length up to 255 parts) in as many parts as it takes.
    [[nodiscard]] virtual SendResult Send(const std::string& to, const std::string& text,
                                          const SendOptions& options) = 0;
    /// Every message stored on the modem (read or not), put together from its parts,
    /// without deleting any.
    [[nodiscard]] virtual ListResult ListStored() = 0;
    /// Deletes stored messages by index; false when any delete failed.
    [[nodiscard]] virtual bool Delete(const std::vector<std::string>& indexes) = 0;

    /// Waits up to `timeoutMs` for something from the modem or for `wakeFd` (-1: none) to
    /// become readable, and raises the events that came.
    virtual void Poll(int timeoutMs, int wakeFd) = 0;

    /// Queries signal and registration and gives them with the last error.
    [[nodiscard]] virtual LinkHealth QueryHealth() = 0;
    /// The last error and time-out count, without asking the modem.
    [[nodiscard]] virtual LinkHealth Health() const = 0;

  protected:
    Events events_;
};

}  // namespace vorsa::gateway
