// gammu, an SMS program written by others, sends long Unicode messages through the
// simulated modem to the modem's own number, so that they come back as received messages
// in parts; the component then connects to the same device and puts each together exactly.
// gammu and the component take turns on the pty: each opens it alone.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "sim/Subprocess.h"
#include "support/SampleTexts.h"
#include "support/SimulatorComponent.h"

namespace vorsa::test {
namespace {

const std::string kGammu = VORSA_GAMMU_PROGRAM;
const std::string kOwnNumber = "+40700000077";

class GammuSends : public SimulatorComponent {
  protected:
    void SetUp() override {
        if (kGammu.empty()) {
            GTEST_SKIP() << "gammu is not installed (Debian package gammu): the send by an "
                            "independent SMS program is not checked";
        }
        sim::ModemOptions Options;
        Options.ownNumber = kOwnNumber;
        Options.simCapacity = 100;
        Start(Options);
        Config = "/tmp/vorsa-gammurc-" + std::to_string(::getpid());
        std::ofstream(Config) << "[gammu]\ndevice = " << Modem->DevicePath()
                              << "\nconnection = at\n";
    }
    void TearDown() override {
        if (!Config.empty()) {
            std::remove(Config.c_str());
        }
    }

    std::string Config;
};

TEST_F(GammuSends, LongUnicodeMessagesComeBackWhole) {
    const std::vector<interop::SampleText> Texts = {
        {"Greek and emoji", interop::repeated(interop::kGreek + " " + interop::kEmoji + " ", 4)},
        {"Chinese", interop::repeated(interop::kChinese, 12)},
        {"Cyrillic", interop::repeated(interop::kCyrillic + " ", 5)},
    };
    for (const interop::SampleText& Sample : Texts) {
        SCOPED_TRACE(Sample.name);
        const Completed Sent =
            RunToEnd(kGammu,
                     {"-c", Config, "sendsms", "TEXT", kOwnNumber, "-unicode", "-autolen",
                      std::to_string(Sample.text.size()), "-text", Sample.text},
                     "", std::chrono::seconds(60));
        ASSERT_EQ(Sent.status, 0) << Sent.out << Sent.err << Modem->FormattedTranscript();
    }
    ASSERT_GT(Modem->Storage().size(), Texts.size()) << "the messages came back in parts";

    Vorsa->TextMode = false;
    ASSERT_NO_FATAL_FAILURE(ConnectReady());
    const MessageListing Listing = Vorsa->ListMessages(ListScope::All);
    ASSERT_TRUE(Listing.ok) << Listing.errorText;
    EXPECT_TRUE(Listing.waiting.empty());
    ASSERT_EQ(Listing.messages.size(), Texts.size());
    for (size_t I = 0; I < Texts.size(); ++I) {
        SCOPED_TRACE(Texts[I].name);
        EXPECT_EQ(Listing.messages[I].text, Texts[I].text);
        EXPECT_EQ(Listing.messages[I].sender, kOwnNumber);
        EXPECT_TRUE(Listing.messages[I].complete);
        EXPECT_GT(Listing.messages[I].partsExpected, 1);
    }
}

}  // namespace
}  // namespace vorsa::test
