// A virtual GSM modem on a pseudo-terminal, for tests, demos and development without
// hardware. It speaks the AT dialogue of 3GPP TS 27.005/27.007 on the slave side of a pty
// pair; any program that opens DevicePath() talks to it as to a serial modem.
//
//     vorsa::sim::SimulatedModem modem;            // options: vorsa::sim::ModemOptions
//     modem.Start();                               // opens the pty, starts its thread
//     std::string device = modem.DevicePath();     // e.g. "/dev/pts/7"
//     modem.Deliver({"+40700000001", "hello"});    // a message arrives from the network
//     modem.WaitForOutbox(1, std::chrono::seconds(5));
//     std::vector<SentMessage> sent = modem.Outbox();
//     modem.UpdateFaults([](FaultSettings& f) { f.answerDelay = Millis(300); });
//     modem.HangUp();                              // the device then reports errors
//     modem.Stop();                                // also done by the destructor
//
// Every public member is thread-safe. The modem runs in one thread of its own between
// Start() and Stop(); Stop() returns promptly and leaves no thread or descriptor behind.
// The Wait... members block the caller until the event or the timeout, whichever is
// first, and say which; they never poll with sleeps.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "vorsa/sim/ModemEngine.h"
#include "vorsa/sim/ModemTypes.h"

namespace vorsa::sim {

struct ServerOptions {
    /// Also make a symbolic link to the device here (replacing an older link, never a
    /// regular file); removed again by Stop().
    std::string linkPath;
};

class SimulatedModem {
  public:
    explicit SimulatedModem(ModemOptions modem = {}, ServerOptions server = {});
    ~SimulatedModem();
    SimulatedModem(const SimulatedModem&) = delete;
    SimulatedModem& operator=(const SimulatedModem&) = delete;

    /// Opens a pty pair and starts serving it. Throws std::system_error when the pty or
    /// the link cannot be made. Starting a running modem does nothing; starting a stopped
    /// one opens a new pty (settings, storage and outbox are kept).
    void Start();
    /// Stops serving, closes the pty and removes the link.
    void Stop();
    [[nodiscard]] bool Running() const;
    /// The slave device ("/dev/pts/N"); empty before Start().
    [[nodiscard]] std::string DevicePath() const;
    /// The link path when one was asked for, else the device path.
    [[nodiscard]] std::string PreferredPath() const;

    /// A message from the network, stored and announced as AT+CNMI says.
    DeliveryResult Deliver(const IncomingMessage& message);
    /// Bytes sent to the terminal as they are (after what is already queued).
    void SendRaw(std::string_view bytes);

    [[nodiscard]] std::vector<SentMessage> Outbox() const;
    [[nodiscard]] std::vector<StoredMessage> Storage() const;
    void ClearStorage();
    /// Every command line received, from its "AT" on.
    [[nodiscard]] std::vector<std::string> CommandLines() const;
    [[nodiscard]] ModemSettings Settings() const;

    /// How messages sent with a status report request are answered.
    [[nodiscard]] StatusReportSettings StatusReports() const;
    void SetStatusReports(const StatusReportSettings& settings);

    [[nodiscard]] FaultSettings Faults() const;
    void SetFaults(const FaultSettings& faults);
    void UpdateFaults(const std::function<void(FaultSettings&)>& change);
    void ClearFaults();
    /// The quirk switches of real modem families (see ModemQuirks.h).
    [[nodiscard]] QuirkSettings Quirks() const;
    void SetQuirks(const QuirkSettings& quirks);
    void UpdateQuirks(const std::function<void(QuirkSettings&)>& change);
    /// Closes the master side at once, as a modem that was unplugged: the terminal's reads
    /// and writes fail from then on. Stop() and Start() give a new device.
    void HangUp();
    [[nodiscard]] bool HungUp() const;

    /// Every byte each way so far, with the time since Start().
    [[nodiscard]] std::vector<TranscriptEntry> Transcript() const;
    /// The transcript as text, one entry a line ("   12 ms -> \"AT\\r\"").
    [[nodiscard]] std::string FormattedTranscript() const;
    /// Called on the modem's thread for each new transcript entry (e.g. to print it).
    /// It must not call back into the modem.
    void SetTranscriptListener(std::function<void(const TranscriptEntry&)> listener);

    /// True once the outbox holds at least `count` messages.
    bool WaitForOutbox(size_t count, Millis timeout) const;
    /// True once `occurrences` command lines beginning with `prefix` (any case, e.g.
    /// "AT+CMGS") have been received.
    bool WaitForCommand(std::string_view prefix, Millis timeout, size_t occurrences = 1) const;
    /// True once the modem has written `text` to the device (anywhere in all it wrote).
    bool WaitForOutput(std::string_view text, Millis timeout) const;
    /// True once `condition` holds; it is checked on every change of the modem, without
    /// the modem's lock held, so it may call the modem's members.
    bool WaitUntil(const std::function<bool()>& condition, Millis timeout) const;

  private:
    struct Server;
    void Run();
    void Wake() const;
    void Changed();
    [[nodiscard]] Millis Now() const;
    void Record(bool fromModem, std::string bytes, std::vector<TranscriptEntry>* fresh);

    ServerOptions serverOptions_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    uint64_t generation_ = 0;
    ModemEngine engine_;
    std::vector<TranscriptEntry> transcript_;
    std::string written_;  // everything the modem wrote, for WaitForOutput
    std::function<void(const TranscriptEntry&)> listener_;
    std::unique_ptr<Server> server_;
    std::thread thread_;
};

/// One transcript entry as a line of text: time, direction ("->" to the modem, "<-" from
/// it) and the bytes in C-style escapes.
[[nodiscard]] std::string FormatTranscriptEntry(const TranscriptEntry& entry);

}  // namespace vorsa::sim
