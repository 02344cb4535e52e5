// The quirk switches of real modem families on the engine, byte for byte, and the profiles
// that combine them.
#include <gtest/gtest.h>

#include "EngineTerminal.h"
#include "HelloMessage.h"
#include "vorsa/sim/ModemQuirks.h"

namespace vorsa::sim {
namespace {

// A quiet engine with the named switches on.
class EngineQuirks : public QuietEngine {
  protected:
    void On(std::initializer_list<const char*> names) {
        QuirkSettings quirks = t.engine.Quirks();
        for (const char* name : names) {
            ASSERT_TRUE(SetQuirk(name, true, quirks)) << name;
        }
        t.engine.SetQuirks(quirks);
    }
};

TEST_F(EngineQuirks, PinReadyGoesOutWithoutOkButAnAskingSimKeepsIt) {
    On({"cpin-without-ok"});
    t.ExpectAnswers({
        {"AT+CPIN?", "\r\n+CPIN: READY\r\n"},
        {"AT+CSQ", Answer("+CSQ: 20,99"), "the next answer is whole again"},
    });
    FaultSettings locked;
    locked.simNeedsPin = true;
    t.engine.SetFaults(locked);
    EXPECT_EQ(t.Command("AT+CPIN?"), Answer("+CPIN: SIM PIN"));
}

TEST_F(EngineQuirks, TwoMemoriesAreListedNestedAndAThirdIsRefused) {
    On({"cpms-two-memories"});
    t.ExpectAnswers({
        {"AT+CPMS=?", Answer("+CPMS: ((\"SM\",\"BM\",\"SR\"),(\"SM\"))")},
        {"AT+CPMS=\"SM\",\"SM\",\"SM\"", kError},
        {"AT+CPMS=\"ME\",\"SM\"", Answer("+CPMS: 0,30,0,30,0,30")},
    });
    EXPECT_EQ(t.engine.Settings().readMemory, "ME");
}

TEST_F(EngineQuirks, NoMemoriesListedAndEveryChoiceRefused) {
    On({"cpms-no-memories"});
    t.ExpectAnswers({
        {"AT+CPMS=?", Answer("+CPMS: (),(),()")},
        {"AT+CPMS=\"SM\"", kError},
        {"AT+CPMS?", Answer("+CPMS: \"SM\",0,30,\"SM\",0,30,\"SM\",0,30"), "it still has one"},
    });
}

TEST_F(EngineQuirks, RoutingOutsideItsRangesIsRefusedAndTheRangesAreListed) {
    On({"cnmi-without-mode-2"});
    t.ExpectAnswers({
        {"AT+CNMI=?", Answer("+CNMI: (0,1,3),(0,1,2,3),(0,2),(0,1),(0,1)")},
        {"AT+CNMI=2,1,0,0,0", kError},
        {"AT+CNMI=3,1,0,2,0", kError, "<ds> 2 is not listed either"},
        {"AT+CNMI=3,1,0,0,0", kOk},
    });
    EXPECT_EQ(t.Arrive(Hello()), "\r\n+CMTI: \"SM\",1\r\n") << "mode 3 forwards on this line";
}

TEST_F(EngineQuirks, WithoutStorageNoticeAStoredMessageIsNeverAnnounced) {
    On({"cnmi-without-storage-notice"});
    t.ExpectAnswers({
        {"AT+CNMI?", Answer("+CNMI: 1,0,0,0,0"), "the power-up <mt> 1 is not one it has"},
        {"AT+CNMI=2,1,0,0,0", kError},
    });
    EXPECT_EQ(t.Arrive(Hello()), "");
    EXPECT_EQ(t.engine.Storage().size(), 1u);
    t.ExpectAnswers({
        {"ATZ", kOk, "a reset keeps to the ranges (and turns the echo on)"},
        {"AT+CNMI?", "AT+CNMI?\r\r\n+CNMI: 1,0,0,0,0\r\n\r\nOK\r\n"},
        {"AT+CNMI=2,2,0,0,0", "AT+CNMI=2,2,0,0,0\r\r\nOK\r\n", "direct forwarding it has"},
    });
}

TEST_F(EngineQuirks, ALockedSimRefusesEverythingButThePin) {
    On({"pin-before-everything"});
    EXPECT_EQ(t.engine.Settings().simState, "SIM PIN") << "switched on, it locks the SIM";
    t.ExpectAnswers({
        {"ATZ", kError},
        {"AT+CGMI", kError},
        {"AT", kOk, "a bare AT carries no command"},
        {"AT+CPIN?", Answer("+CPIN: SIM PIN")},
        {"AT+CPIN=\"0000\"", kOk},
        {"AT+CGMI", Answer("Vorsa")},
    });
    On({"pin-before-everything"});
    EXPECT_EQ(t.engine.Settings().simState, "READY") << "only switching it on locks";
}

TEST_F(EngineQuirks, AnUnsupportedCommandEndsTheLineAfterWhatCameBefore) {
    ASSERT_EQ(t.Command("ATE1"), kOk);
    On({"and-s-not-supported"});
    EXPECT_EQ(t.Command("ATE0&S0"), "ATE0&S0\r\r\nCOMMAND NOT SUPPORT\r\n");
    EXPECT_FALSE(t.engine.Settings().echo) << "E0 ran before &S was refused";
    EXPECT_EQ(t.Command("ATV0&S0"), "4\r") << "the numeric form";
}

TEST_F(EngineQuirks, VendorLinesGoOutInTurnInFrontOfEveryAnswer) {
    On({"huawei-lines", "ring-and-registration-lines"});
    t.ExpectAnswers({
        {"AT", "\r\n^BOOT:20971082,0,0,0,72\r\n" + std::string(kOk)},
        {"AT+CSQ", "\r\n^RSSI:18\r\n" + Answer("+CSQ: 20,99")},
        {"AT+CPAS", "\r\n^MODE:5,4\r\n" + Answer("+CPAS: 0")},
        {"AT+CMGR=9",
         "\r\n^DSFLOWRPT:00000010,00000000,00000000,0000000000000000,"
         "0000000000000000,0000BB80,0001F400\r\n" +
             CmsError(321)},
        {"AT", "\r\n^SRVST:2\r\n" + std::string(kOk)},
        {"AT", "\r\nRING\r\n" + std::string(kOk)},
        {"AT", "\r\n+CREG: 1\r\n" + std::string(kOk)},
        {"AT", "\r\n+CGREG: 1\r\n" + std::string(kOk)},
        {"AT", "\r\n^BOOT:20971082,0,0,0,72\r\n" + std::string(kOk), "round again"},
    });
}

TEST_F(EngineQuirks, LinesComeBeforeThePromptAndTheMessageIsStillTaken) {
    On({"lines-before-prompt"});
    EXPECT_EQ(t.Command("AT+CMGS=18"),
              "\r\n+ZDONR: \"Vorsa Sim\",001,01,\"CS_PS\",\"ROAM_OFF\"\r\n"
              "\r\n+ZPASR: \"UMTS\"\r\n\r\n> ");
    EXPECT_EQ(t.Type(std::string(kHelloSubmit) + "\x1a"), Answer("+CMGS: 1"));
}

TEST_F(EngineQuirks, PduReadLeavesTheStatusOut) {
    On({"cmgr-without-status"});
    ASSERT_EQ(t.Command("AT+CNMI=2,0"), kOk);
    t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(t.Command("AT+CMGR=1"), Answer("+CMGR: ,,24\r\n" + std::string(kHelloPdu)));
    ASSERT_EQ(t.Command("AT+CMGF=1"), kOk);
    EXPECT_EQ(t.Command("AT+CMGR=1").substr(0, 19), "\r\n+CMGR: \"REC READ\"")
        << "text mode keeps its status";
}

// Every switch alone: named as on, the only one on, and off again back to the textbook.
TEST(QuirkSwitches, EachSwitchesOnAloneAndOffAgain) {
    ASSERT_EQ(QuirkSwitches().size(), 13u);
    for (const QuirkSwitch& quirk : QuirkSwitches()) {
        SCOPED_TRACE(quirk.name);
        QuirkSettings quirks;
        ASSERT_TRUE(SetQuirk(quirk.name, true, quirks));
        EXPECT_NE(quirks, QuirkSettings{});
        EXPECT_TRUE(QuirkOn(quirk.name, quirks));
        EXPECT_EQ(ActiveQuirks(quirks), std::vector<std::string>{quirk.name});
        ASSERT_TRUE(SetQuirk(quirk.name, false, quirks));
        EXPECT_EQ(quirks, QuirkSettings{});
    }
    QuirkSettings quirks;
    EXPECT_FALSE(SetQuirk("no-such-quirk", true, quirks));
    EXPECT_FALSE(QuirkOn("no-such-quirk", quirks));
}

TEST(QuirkSwitches, SwitchesOfOneKindCombineOrReplaceEachOther) {
    QuirkSettings quirks;
    SetQuirk("huawei-lines", true, quirks);
    SetQuirk("zte-lines", true, quirks);
    EXPECT_EQ(quirks.vendorLines.size(), 8u) << "lines add up";
    SetQuirk("huawei-lines", false, quirks);
    EXPECT_EQ(ActiveQuirks(quirks), std::vector<std::string>{"zte-lines"});

    SetQuirk("cnmi-mode-1-only", true, quirks);
    SetQuirk("cnmi-without-mode-2", true, quirks);
    EXPECT_FALSE(QuirkOn("cnmi-mode-1-only", quirks)) << "one set of ranges at a time";
    SetQuirk("cnmi-mode-1-only", false, quirks);
    EXPECT_TRUE(QuirkOn("cnmi-without-mode-2", quirks)) << "switching off another leaves it";
}

TEST(ModemProfiles, TextbookAndSevenFamiliesEachWithTheirSwitches) {
    const std::vector<ModemProfile>& profiles = ModemProfiles();
    ASSERT_EQ(profiles.size(), 8u);
    EXPECT_EQ(ProfileQuirks("textbook"), QuirkSettings{});
    for (const ModemProfile& profile : profiles) {
        SCOPED_TRACE(profile.name);
        const std::optional<QuirkSettings> quirks = ProfileQuirks(profile.name);
        ASSERT_TRUE(quirks.has_value());
        EXPECT_EQ(ActiveQuirks(*quirks),
                  std::vector<std::string>(profile.quirks.begin(), profile.quirks.end()))
            << "every switch named exists, in table order";
    }
    EXPECT_EQ(ProfileQuirks("nokia"), std::nullopt);
}

}  // namespace
}  // namespace vorsa::sim
