// A component on the simulated modem over a pseudo-terminal, on the real clock, with every
// event logged (reports included: the operations run to their end). The line runs at
// 115200 baud so that the pauses are short. Every wait is for an event with a generous
// deadline, never a fixed sleep. Header-only: only the programs that use it need the
// simulator.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/CommonExchanges.h"
#include "support/EventLog.h"
#include "support/ExposedVorsa.h"
#include "support/RecordingWindow.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::test {

/// How long a test waits for an event before it gives up.
inline constexpr std::chrono::milliseconds Patience = std::chrono::seconds(20);

/// A message from the network, by default the one of HelloHeader with Text.
inline sim::IncomingMessage FromNetwork(const std::string& Text,
                                        const std::string& From = "+40700000000",
                                        const std::string& Time = "02/03/04,10:20:30+08") {
    sim::IncomingMessage Message;
    Message.from = From;
    Message.text = Text;
    Message.serviceCentre = "+40700000001";
    Message.timeStamp = sim::TimeStamp::Parse(Time);
    return Message;
}

class SimulatorComponent : public ::testing::Test {
  protected:
    void SetUp() override { Start(); }

    /// A started modem with these options and a closed component for it.
    void Start(sim::ModemOptions Options = {}) {
        Modem = std::make_unique<sim::SimulatedModem>(Options);
        Modem->Start();
        Vorsa = std::make_unique<ExposedVorsa>(nullptr);
        Vorsa->Port = Modem->DevicePath();
        Vorsa->Baud = 115200;
        Vorsa->ReadTimeout = 5;
        Events.Attach(*Vorsa);
    }
    /// Both made anew, the log cleared.
    void Restart(sim::ModemOptions Options) {
        Vorsa.reset();
        Modem.reset();
        Events.Clear();
        Start(Options);
    }
    /// Connect, which must succeed without a report; its events are forgotten.
    void ConnectReady() {
        Vorsa->Connect();
        ASSERT_TRUE(Vorsa->Connected()) << Modem->FormattedTranscript();
        ASSERT_TRUE(Events.Errors.empty()) << Events.Errors.front();
        Events.Clear();
    }

    /// Every byte the component wrote after the first Skip transcript entries.
    [[nodiscard]] std::string WrittenSince(size_t Skip = 0) const {
        std::string Bytes;
        const std::vector<sim::TranscriptEntry> Entries = Modem->Transcript();
        for (size_t I = Skip; I < Entries.size(); ++I) {
            if (!Entries[I].fromModem) {
                Bytes += Entries[I].bytes;
            }
        }
        return Bytes;
    }
    /// The command lines the modem received from the one numbered First on.
    [[nodiscard]] std::vector<std::string> CommandsSince(size_t First) const {
        const std::vector<std::string> All = Modem->CommandLines();
        return {All.begin() + static_cast<std::ptrdiff_t>(std::min(First, All.size())), All.end()};
    }

    /// Waits until the modem wrote Text and the component's side of the line holds it.
    void WaitForModemOutput(const std::string& Text) {
        ASSERT_TRUE(Modem->WaitForOutput(Text, Patience)) << Text;
        const auto Until = std::chrono::steady_clock::now() + Patience;
        while (Vorsa->GetIn() < static_cast<int32_t>(Text.size()) &&
               std::chrono::steady_clock::now() < Until) {
            (void)Vorsa->WaitReadable(100);
        }
    }
    /// Delivers a message from the network and waits until its report reached the port.
    sim::DeliveryResult Deliver(const sim::IncomingMessage& Message) {
        const sim::DeliveryResult Result = Modem->Deliver(Message);
        EXPECT_TRUE(Result.accepted) << Result.reason;
        EXPECT_TRUE(Modem->WaitForOutput(Result.report, Patience));
        return Result;
    }
    /// Lets the polling timer's next tick come at once.
    void Tick() { ASSERT_TRUE(PostMessageA(Vorsa->WindowHandle(), WM_TIMER, 1, 0)); }
    /// Delivers a stored message and lets the timer collect its report, as happens when
    /// messages arrive between the application's calls a tick or more apart; gives its index.
    std::string DeliverAndCollect(const sim::IncomingMessage& Message) {
        const size_t Notified = Events.Notified.size();
        const sim::DeliveryResult Result = Deliver(Message);
        Tick();
        EXPECT_TRUE(PumpUntil([&] { return Events.Notified.size() > Notified; }));
        return std::to_string(Result.index);
    }

    std::unique_ptr<sim::SimulatedModem> Modem;
    EventLog Events;
    std::unique_ptr<ExposedVorsa> Vorsa;  // destroyed before the log and the modem
};

}  // namespace vorsa::test
