// The simulated modem itself, without any I/O: bytes from the terminal go in with the
// time they arrived, bytes for the terminal come out when they are due. It keeps the
// modem's settings, its message memories, the messages sent through it, and its fault
// switches. Time is whatever the caller says it is, so tests can drive it step by step;
// the pty server (SimulatedModem) feeds it the steady clock.
//
// Not thread-safe: one caller at a time (SimulatedModem holds a lock around it).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vorsa/sim/ModemQuirks.h"
#include "vorsa/sim/ModemTypes.h"

namespace vorsa::sim {

class ModemEngine {
  public:
    explicit ModemEngine(ModemOptions options = {});
    ~ModemEngine();
    ModemEngine(const ModemEngine&) = delete;
    ModemEngine& operator=(const ModemEngine&) = delete;

    /// Bytes the terminal wrote, arriving at `now`.
    void Receive(std::string_view bytes, Millis now);
    /// Removes and returns the bytes due to be sent at `now`.
    [[nodiscard]] std::string TakeOutput(Millis now);
    /// When the next byte is due; nullopt when nothing waits.
    [[nodiscard]] std::optional<Millis> NextOutputTime() const;

    /// A message from the network: stored and announced, or forwarded directly, as
    /// AT+CNMI says.
    DeliveryResult Deliver(const IncomingMessage& message, Millis now);
    /// Bytes sent to the terminal as they are, after whatever is already queued.
    void SendRaw(std::string_view bytes, Millis now);

    [[nodiscard]] const std::vector<SentMessage>& Outbox() const;
    /// Every stored message, memory by memory ("SM" first), by index.
    [[nodiscard]] std::vector<StoredMessage> Storage() const;
    /// Empties both memories.
    void ClearStorage();
    /// Every command line received, from its "AT" on, in order.
    [[nodiscard]] const std::vector<std::string>& CommandLines() const;

    /// How status reports are answered from now on (reports already due keep theirs).
    [[nodiscard]] const StatusReportSettings& StatusReports() const;
    void SetStatusReports(const StatusReportSettings& settings);

    [[nodiscard]] const FaultSettings& Faults() const;
    void SetFaults(const FaultSettings& faults);
    /// The quirk switches of real modem families that are on (none: the textbook modem).
    [[nodiscard]] const QuirkSettings& Quirks() const;
    void SetQuirks(const QuirkSettings& quirks);
    [[nodiscard]] ModemSettings Settings() const;
    [[nodiscard]] const ModemOptions& Options() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vorsa::sim
