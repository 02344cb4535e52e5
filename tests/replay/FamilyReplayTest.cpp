// The replay of real modem families: the component against vorsa-sim answering as each
// family does (and as the textbook modem, the control), in text and PDU mode, for every
// operation: connect, status, send, read, list, and a new message while watching. The reply
// time-out is 5 s. A case passes when its operation gives the right result with no error
// reported at all, so none may wait out a time-out (that is reported as 1002), and when the
// component announced as many adaptations as the family calls for. The control also writes
// and reads exactly the bytes it did before the component learnt to adapt, kept in
// textbook/ (VORSA_REPLAY_RECORD=1 writes them anew).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/SimulatorComponent.h"
#include "vorsa/sim/Console.h"
#include "vorsa/sim/ModemQuirks.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::SizeIs;

// What Connect has to adapt to in each family, and whether new messages are then found by
// listing the storage.
struct Family {
    const char* Profile;
    size_t Adaptations;
    bool Polled;
};

const Family Families[] = {
    {"textbook", 0, false},       {"wavecom-multiband", 1, false},  // two memories
    {"huawei-k3715", 1, false},                                     // routing mode 1
    {"huawei-e1752", 1, false},                                     // ATE0&S0 not supported
    {"qualcomm-m6280", 1, false},                                   // the PIN first
    {"zte-k3565z", 2, true},  // the PIN first; no routing that announces
    {"nokia-n79", 2, false},  // no memory listed; routing mode 3
    {"siemens-mc35i", 0, false},
};

const Family& FamilyOf(const std::string& Profile) {
    for (const Family& F : Families) {
        if (Profile == F.Profile) {
            return F;
        }
    }
    ADD_FAILURE() << "no expectations for " << Profile;
    return Families[0];
}

enum class Operation { Connect, Status, Send, Read, List, Watch };

struct ReplayCase {
    std::string Profile;
    bool TextMode;
    Operation Op;
};

const char* OperationName(Operation Op) {
    switch (Op) {
        case Operation::Connect:
            return "Connect";
        case Operation::Status:
            return "Status";
        case Operation::Send:
            return "Send";
        case Operation::Read:
            return "Read";
        case Operation::List:
            return "List";
        case Operation::Watch:
            return "Watch";
    }
    return "";
}

std::string CaseName(const ReplayCase& Case) {
    std::string Name = Case.Profile + (Case.TextMode ? "_Text_" : "_Pdu_") + OperationName(Case.Op);
    for (char& C : Name) {
        if (C == '-') {
            C = '_';
        }
    }
    return Name;
}

void PrintTo(const ReplayCase& Case, std::ostream* Out) {
    *Out << CaseName(Case);
}

std::vector<ReplayCase> AllCases() {
    std::vector<ReplayCase> Cases;
    for (const sim::ModemProfile& Profile : sim::ModemProfiles()) {
        for (const bool TextMode : {true, false}) {
            for (const Operation Op : {Operation::Connect, Operation::Status, Operation::Send,
                                       Operation::Read, Operation::List, Operation::Watch}) {
                Cases.push_back({Profile.name, TextMode, Op});
            }
        }
    }
    return Cases;
}

// The bytes of a transcript each way, joined: how they were cut into reads and writes
// depends on timing, what was said does not.
std::string LineBytes(const std::vector<sim::TranscriptEntry>& Transcript) {
    std::string Written;
    std::string Read;
    for (const sim::TranscriptEntry& Entry : Transcript) {
        (Entry.fromModem ? Read : Written) += Entry.bytes;
    }
    return "-> " + sim::Printable(Written) + "\n<- " + sim::Printable(Read) + "\n";
}

class FamilyReplay : public ::testing::TestWithParam<ReplayCase> {
  protected:
    void SetUp() override {
        const ReplayCase& Case = GetParam();
        Modem = std::make_unique<sim::SimulatedModem>();
        const std::optional<sim::QuirkSettings> Quirks = sim::ProfileQuirks(Case.Profile);
        ASSERT_TRUE(Quirks.has_value()) << Case.Profile;
        Modem->SetQuirks(*Quirks);
        Modem->Start();
        Vorsa = std::make_unique<ExposedVorsa>(nullptr);
        Vorsa->Port = Modem->DevicePath();
        Vorsa->Baud = 115200;
        Vorsa->ReadTimeout = 5;
        Vorsa->PIN = "0000";  // the simulated SIM's
        Vorsa->TextMode = Case.TextMode;
        Events.Attach(*Vorsa);
    }

    // A message from the network; its storage index.
    std::string Deliver(const std::string& Text) {
        const sim::DeliveryResult Result = Modem->Deliver(FromNetwork(Text));
        EXPECT_TRUE(Result.accepted) << Result.reason;
        return std::to_string(Result.index);
    }
    // What ReadSMS gives for a delivered message that was not read before.
    std::string ReadResult(const std::string& Text) const {
        return "REC UNREAD," + HelloHeader + (GetParam().TextMode ? "\r\n" : "") + Text;
    }

    void CompareWithTheClassicTranscript() {
        const std::string Path = std::string(VORSA_REPLAY_TRANSCRIPTS) + "/" +
                                 (GetParam().TextMode ? "Text" : "Pdu") +
                                 OperationName(GetParam().Op) + ".txt";
        const std::string Now = LineBytes(Modem->Transcript());
        if (std::getenv("VORSA_REPLAY_RECORD") != nullptr) {
            std::ofstream(Path) << Now;
            return;
        }
        std::ifstream Kept(Path);
        ASSERT_TRUE(Kept.good()) << Path;
        std::ostringstream Classic;
        Classic << Kept.rdbuf();
        EXPECT_EQ(Now, Classic.str()) << "the textbook modem's dialogue changed";
    }

    std::unique_ptr<sim::SimulatedModem> Modem;
    EventLog Events;
    std::unique_ptr<ExposedVorsa> Vorsa;  // destroyed before the log and the modem
};

TEST_P(FamilyReplay, OperationSucceedsWithoutAnyErrorReported) {
    const ReplayCase& Case = GetParam();
    const Family& Expected = FamilyOf(Case.Profile);
    Vorsa->Connect();
    ASSERT_TRUE(Vorsa->Connected()) << ::testing::PrintToString(Events.Errors) << "\n"
                                    << Modem->FormattedTranscript();
    EXPECT_EQ(Events.Connects, 1);
    EXPECT_EQ(Modem->Settings().textMode, Case.TextMode);
    EXPECT_THAT(Events.Adaptations, SizeIs(Expected.Adaptations));

    switch (Case.Op) {
        case Operation::Connect:
            break;
        case Operation::Status:
            EXPECT_EQ(Vorsa->GetState(), 0);
            EXPECT_EQ(Vorsa->GetField(), 2 * 20 - 113) << "the simulator's quality 20";
            break;
        case Operation::Send: {
            EXPECT_EQ(Vorsa->SendSMS("+40700000001", "Replay check"), "OK");
            const std::vector<sim::SentMessage> Outbox = Modem->Outbox();
            ASSERT_EQ(Outbox.size(), 1u) << "sent once, not twice";
            EXPECT_EQ(Outbox[0].text, "Replay check");
            EXPECT_TRUE(PumpUntil([&] { return !Events.Sent.empty(); }));
            EXPECT_THAT(Events.Sent, ElementsAre(std::to_string(Outbox[0].reference)));
            break;
        }
        case Operation::Read: {
            const std::string Index = Deliver("Stored message");
            EXPECT_EQ(Vorsa->ReadSMS(Index), ReadResult("Stored message"));
            EXPECT_THAT(Events.Deleted, ElementsAre(Index));
            EXPECT_THAT(Modem->Storage(), IsEmpty());
            break;
        }
        case Operation::List:
            Deliver("First");
            Deliver("Second");
            Vorsa->DownloadSMS();
            EXPECT_TRUE(PumpUntil([&] { return Events.Received.size() >= 2; }));
            EXPECT_THAT(Events.Received,
                        ElementsAre(Pair(HelloHeader, "First"), Pair(HelloHeader, "Second")));
            EXPECT_THAT(Modem->Storage(), IsEmpty());
            break;
        case Operation::Watch: {
            const std::string Index = Deliver("While watching");
            ASSERT_TRUE(PumpUntil([&] { return !Events.Notified.empty(); }))
                << Modem->FormattedTranscript();
            EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", Index)));
            if (Expected.Polled) {
                // The listing that found the message marked it read on the modem.
                EXPECT_THAT(Vorsa->ReadSMS(Index),
                            EndsWith(ReadResult("While watching").substr(sizeof "REC UNREAD" - 1)));
            } else {
                EXPECT_EQ(Vorsa->ReadSMS(Index), ReadResult("While watching"));
            }
            break;
        }
    }
    EXPECT_THAT(Events.Errors, IsEmpty()) << ::testing::PrintToString(Events.Adaptations);
    EXPECT_FALSE(Vorsa->IsBusy());
    if (Case.Profile == "textbook") {
        CompareWithTheClassicTranscript();
    }
}

INSTANTIATE_TEST_SUITE_P(Families, FamilyReplay, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<ReplayCase>& Info) {
                             return CaseName(Info.param);
                         });

}  // namespace
}  // namespace vorsa::test
