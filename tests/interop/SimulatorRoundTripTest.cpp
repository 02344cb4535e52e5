// The library's codec against the simulator's, which shares no code with it: what the
// library sends the simulated modem reads back whole, what the simulated network
// delivers the library puts together again, and status reports match their sends. No
// pty: the modem engine runs in this process on a clock the test moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "support/SampleTexts.h"
#include "vorsa/PDU.h"
#include "vorsa/sim/MessageParts.h"
#include "vorsa/sim/ModemEngine.h"
#include "vorsa/sim/StatusReportPdu.h"

namespace vorsa::interop {
namespace {

using sim::Millis;

// A modem with room for the longest test message, its echo off, in PDU mode.
class Modem {
  public:
    Modem() : engine_(options()) { EXPECT_EQ(command("ATE0"), "ATE0\r\r\nOK\r\n"); }

    std::string command(const std::string& line) {
        engine_.Receive(line + "\r", now_);
        return engine_.TakeOutput(now_);
    }
    std::string advance(Millis step) {
        now_ += step;
        return engine_.TakeOutput(now_);
    }
    // Sends one unit as a terminal does: AT+CMGS=<length>, the prompt, the PDU, Ctrl-Z.
    // Returns the reference from "+CMGS:", or -1.
    int send(const SubmitPart& part) {
        EXPECT_EQ(command("AT+CMGS=" + std::to_string(part.length)), "\r\n> ");
        engine_.Receive(part.pdu + "\x1a", now_);
        const std::string answer = engine_.TakeOutput(now_);
        const std::string start = "\r\n+CMGS: ";
        if (answer.compare(0, start.size(), start) != 0) {
            ADD_FAILURE() << "the modem refused " << part.pdu << ": " << answer;
            return -1;
        }
        return std::stoi(answer.substr(start.size()));
    }
    sim::DeliveryResult deliver(const sim::IncomingMessage& message) {
        return engine_.Deliver(message, now_);
    }
    sim::ModemEngine& engine() { return engine_; }

  private:
    static sim::ModemOptions options() {
        sim::ModemOptions options;
        options.simCapacity = 1000;
        return options;
    }
    sim::ModemEngine engine_;
    Millis now_{0};
};

// What the simulated modem made of the library's units: the texts of the sent messages,
// joined in the order of their concatenation elements.
std::string sentText(const std::vector<sim::SentMessage>& outbox, std::size_t expectedParts) {
    std::map<int, std::string> parts;
    for (const sim::SentMessage& sent : outbox) {
        const std::optional<sim::ConcatElement> concat =
            sim::FindConcatElement(sent.userDataHeader);
        EXPECT_EQ(concat.has_value(), expectedParts > 1);
        if (concat) {
            EXPECT_EQ(concat->total, expectedParts);
            EXPECT_EQ(concat->reference, 0x3C);
        }
        parts[concat ? concat->sequence : 1] = sent.text;
    }
    EXPECT_EQ(parts.size(), expectedParts);
    std::string text;
    for (const auto& [sequence, piece] : parts) {
        text += piece;
    }
    return text;
}

void expectSimulatorReadsLibraryParts(const SampleText& sample) {
    SCOPED_TRACE(sample.name);
    const SubmitEncoding encoding = encodeSubmitParts("", "+40700000001", sample.text, {}, 0x3C);
    ASSERT_EQ(encoding.error, SubmitError::None);
    Modem modem;
    for (const SubmitPart& part : encoding.parts) {
        ASSERT_GE(modem.send(part), 0);
    }
    const std::vector<sim::SentMessage>& outbox = modem.engine().Outbox();
    ASSERT_EQ(outbox.size(), encoding.parts.size());
    for (const sim::SentMessage& sent : outbox) {
        EXPECT_EQ(sent.alphabet, encoding.alphabet == SmsAlphabet::Ucs2 ? sim::Alphabet::Ucs2
                                                                        : sim::Alphabet::Gsm7);
        EXPECT_EQ(sent.destination, "+40700000001");
    }
    EXPECT_EQ(sentText(outbox, encoding.parts.size()), sample.text);
}

// The library's reading of what the simulated network delivers, with the parts arriving
// in `order` (indexes from 0; empty: as they come).
std::vector<ReassembledMessage> libraryReads(const std::string& text,
                                             const sim::PartArrangement& arrangement = {}) {
    sim::IncomingMessage message;
    message.from = "+40700000002";
    message.text = text;
    const std::vector<sim::IncomingMessage> parts = sim::SplitIncoming(message, 0xA5);
    std::string error;
    const std::optional<std::vector<size_t>> order =
        sim::ArrangeParts(parts.size(), arrangement, &error);
    EXPECT_TRUE(order.has_value()) << error;
    Modem modem;
    MessageReassembler reassembler;
    const MessageReassembler::TimePoint now{};
    std::vector<ReassembledMessage> messages;
    for (const size_t index : order.value_or(std::vector<size_t>{})) {
        const sim::DeliveryResult result = modem.deliver(parts[index]);
        EXPECT_TRUE(result.accepted) << result.reason;
        const std::optional<DeliverMessage> deliver = decodeDeliver(result.pdu);
        EXPECT_TRUE(deliver.has_value()) << result.pdu;
        if (!deliver) {
            continue;
        }
        EXPECT_EQ(deliver->sender, "+40700000002");
        EXPECT_EQ(deliver->serviceCentre, "+40700000000");
        for (ReassembledMessage& m :
             reassembler.add({*deliver, "SM", result.index}, now).messages) {
            messages.push_back(std::move(m));
        }
    }
    for (ReassembledMessage& m : reassembler.takeAll()) {
        messages.push_back(std::move(m));
    }
    return messages;
}

void expectLibraryReadsSimulatorParts(const SampleText& sample) {
    SCOPED_TRACE(sample.name);
    const std::vector<ReassembledMessage> messages = libraryReads(sample.text);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].complete);
    EXPECT_EQ(messages[0].text, sample.text);
    EXPECT_EQ(messages[0].parts.size(), measureText(sample.text).parts);
}

TEST(LibraryToSimulator, EveryScriptAndEveryLimit) {
    for (const SampleText& sample : sampleTexts()) {
        expectSimulatorReadsLibraryParts(sample);
    }
}

TEST(LibraryToSimulator, PairsAtEveryPlaceAroundTheCut) {
    for (const SampleText& sample : pairsAtTheCuts()) {
        expectSimulatorReadsLibraryParts(sample);
    }
}

TEST(SimulatorToLibrary, EveryScriptAndEveryLimit) {
    for (const SampleText& sample : sampleTexts()) {
        expectLibraryReadsSimulatorParts(sample);
    }
}

TEST(SimulatorToLibrary, PairsAtEveryPlaceAroundTheCut) {
    for (const SampleText& sample : pairsAtTheCuts()) {
        expectLibraryReadsSimulatorParts(sample);
    }
}

TEST(SimulatorToLibrary, PartsOutOfOrderRepeatedOrLost) {
    const std::string text = repeated(kCyrillic + " " + kEmoji + " ", 6);
    ASSERT_EQ(measureText(text).parts, 6u);

    sim::PartArrangement shuffled;
    shuffled.order = {3, 1, 6, 4, 2, 5};
    shuffled.repeat = 1;
    std::vector<ReassembledMessage> messages = libraryReads(text, shuffled);
    ASSERT_EQ(messages.size(), 1u) << "the repeated part adds nothing";
    EXPECT_EQ(messages[0].text, text);
    EXPECT_TRUE(messages[0].complete);

    sim::PartArrangement lost;
    lost.reverse = true;
    lost.drop = 2;
    messages = libraryReads(text, lost);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(messages[0].complete);
    EXPECT_EQ(messages[0].missing, std::vector<uint8_t>{2});
    EXPECT_EQ(messages[0].parts.size(), 5u);
}

TEST(StatusReports, EachOutcomeMatchesItsSend) {
    const std::pair<uint8_t, DeliveryStatus> outcomes[] = {
        {sim::kStatusDelivered, DeliveryStatus::Delivered},
        {sim::kStatusPending, DeliveryStatus::Pending},
        {sim::kStatusFailed, DeliveryStatus::Failed},
    };
    SubmitOptions options;
    options.statusReport = true;
    Modem modem;
    ASSERT_EQ(modem.command("AT+CNMI=2,1,0,1,0"), "\r\nOK\r\n");
    for (const auto& [status, outcome] : outcomes) {
        modem.engine().SetStatusReports({Millis(1000), status});
        const SubmitEncoding encoding =
            encodeSubmitParts("", "+40700000001", "Are you there?", options);
        ASSERT_EQ(encoding.parts.size(), 1u);
        const int reference = modem.send(encoding.parts[0]);
        const std::string report = modem.advance(Millis(1000));
        const std::string start = "\r\n+CDS: 25\r\n";
        ASSERT_EQ(report.compare(0, start.size(), start), 0) << report;
        const std::optional<StatusReport> decoded =
            decodeStatusReport(report.substr(start.size(), report.size() - start.size() - 2));
        ASSERT_TRUE(decoded.has_value()) << report;
        EXPECT_EQ(decoded->messageReference, reference);
        EXPECT_EQ(decoded->recipient, "+40700000001");
        EXPECT_EQ(decoded->status, status);
        EXPECT_EQ(decoded->outcome, outcome);
    }
}

}  // namespace
}  // namespace vorsa::interop
