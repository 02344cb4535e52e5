// Connect with modems that refuse a step of the usual dialogue, byte for byte: what it
// writes instead, what it announces through OnAdaptation, what it still reports as an error,
// and whether it ends connected. The settings that go onto the command line are checked
// before the port is opened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Call = MemorySerialPort::Call;
using Lines = std::vector<std::string>;

const std::string kError = "\r\nERROR\r\n";
const std::string kStorage = "AT+CPMS=\"SM\",\"SM\",\"SM\"";
const std::string kRouting = "AT+CNMI=2,1,0,0,0";

// The default dialogue with Lines put in after the command At.
Lines After(const std::string& At, const Lines& Added) {
    Lines Result = DefaultDialogue;
    const auto Where = std::find(Result.begin(), Result.end(), At);
    Result.insert(Where + 1, Added.begin(), Added.end());
    return Result;
}

// One set-up against a modem that refuses something: how both are prepared, the lines
// written, the adaptations announced, the errors reported, and whether it connects.
struct Adaptation {
    const char* Name;
    std::function<void(ScriptedModem&, TVorsa&)> Prepare;
    Lines Written;
    Lines Adapted;
    ErrorReports Reports;
    bool Connects = true;
};

const std::string kPinEntered =
    "\"ATZ\" refused while the SIM wanted its PIN (+CPIN: SIM PIN); PIN entered, "
    "initialisation run again";
const std::string kZRefused = "InitString1 \"ATZ\" refused (ERROR); set-up goes on without it";
const std::string kNoMemory =
    kStorage +
    " refused (ERROR) and the modem lists no message memory: sending works, "
    "receiving is unavailable";
const std::string kPolling =
    kRouting +
    " refused (ERROR) and no routing that AT+CNMI=? lists fits: the connection "
    "stays for sending, and new messages are found by listing the storage at "
    "every polling tick";

// clang-format off
const Adaptation Adaptations[] = {
    {"ARefusedInitCommandIsLeftOut",
     [](auto& M, auto&) { M.Answer("ATE0&S0", "\r\n+CMS ERROR: 302\r\n"); },
     DefaultDialogue,
     {"InitString2 \"ATE0&S0\" refused (+CMS ERROR: 302); set-up goes on without it"}, {}},
    {"ARefusedFirstCommandWithTheSimReadyIsLeftOut",
     [](auto& M, auto&) { M.Answer("ATZ", kError); },
     After("ATZ", {"AT+CPIN?"}), {kZRefused}, {}},
    // The SIM's state is found behind a line the stick sends of its own accord.
    {"ASimWantingItsPinFirstGetsItAndInitialisationRunsAgain",
     [](auto& M, auto& V) { V.PIN = "1234"; M.AnswerOnce("ATZ", kError);
                            M.AnswerOnce("AT+CPIN?", "\r\n+ZUSIMR:2\r\n" + Framed("+CPIN: SIM PIN")); },
     After("ATZ", {"AT+CPIN?", "AT+CPIN=\"1234\"", "ATZ"}), {kPinEntered}, {}},
    {"ThePinIsEnteredOnceAndARefusalAfterItIsLeftOut",
     [](auto& M, auto& V) { V.PIN = "1234"; M.Answer("ATZ", kError);
                            M.AnswerOnce("AT+CPIN?", Framed("+CPIN: SIM PIN")); },
     After("ATZ", {"AT+CPIN?", "AT+CPIN=\"1234\"", "ATZ"}), {kPinEntered, kZRefused}, {}},
    {"APinRefusedAfterARefusedFirstCommandReports311",
     [](auto& M, auto&) { M.Answer("ATZ", kError); M.Answer("AT+CPIN?", Framed("+CPIN: SIM PIN"));
                          M.Answer("AT+CPIN=\"\"", kError); },
     {"ATZ", "AT+CPIN?", "AT+CPIN=\"\""}, {},
     {Catalogued(ErrModemError), {ErrPinRefused, "SIM PIN required"}}, false},
    // Wavecom Multiband: two memories, listed nested.
    {"StorageFallsBackToTheMemoriesListed",
     [](auto& M, auto&) { M.Answer(kStorage, kError);
                          M.Answer("AT+CPMS=?", Framed("+CPMS: ((\"SM\",\"BM\",\"SR\"),(\"SM\"))")); },
     After(kStorage, {"AT+CPMS=?", "AT+CPMS=\"SM\",\"SM\""}),
     {kStorage + " refused (ERROR); storage set to \"SM\",\"SM\" from what AT+CPMS=? lists"}, {}},
    {"MemoriesListedButRefusedAgainAreLeftToTheModem",
     [](auto& M, auto& V) { V.StorageString = "\"ME\",\"ME\",\"ME\"";
                            M.Answer("AT+CPMS=\"ME\",\"ME\",\"ME\"", kError);
                            M.Answer("AT+CPMS=?", Framed("+CPMS: (\"SM\"),(\"SM\")"));
                            M.Answer("AT+CPMS=\"SM\",\"SM\"", "\r\n+CMS ERROR: 302\r\n"); },
     {"ATZ", "ATE0&S0", "AT+CPAS", "AT+CPIN?", "AT+CPMS=\"ME\",\"ME\",\"ME\"", "AT+CPMS=?",
      "AT+CPMS=\"SM\",\"SM\"", kRouting, "AT+CMGF=1"},
     {"AT+CPMS=\"ME\",\"ME\",\"ME\" refused (ERROR) and so was what AT+CPMS=? lists: the modem "
      "keeps the memories it has"}, {}},
    // Nokia N79: no memory listed. The service centre still goes out after it.
    {"NoMemoryListedLeavesSendingOnly",
     [](auto& M, auto& V) { V.SMSCenter = "+40700000001"; M.Answer(kStorage, kError);
                            M.Answer("AT+CPMS=?", Framed("+CPMS: (),(),()")); },
     After(kStorage, {"AT+CPMS=?", "AT+CSCA=\"+40700000001\""}), {kNoMemory}, {}},
    {"ARefusedListingIsNoMemoryEither",
     [](auto& M, auto&) { M.Answer(kStorage, kError); M.Answer("AT+CPMS=?", kError); },
     After(kStorage, {"AT+CPMS=?"}), {kNoMemory}, {}},
    {"RoutingFallsBackToTheNearestListed",
     [](auto& M, auto&) { M.Answer(kRouting, kError);
                          M.Answer("AT+CNMI=?", Framed("+CNMI: (0,1,3),(0,1,2,3),(0,2),(0,1),(0,1)")); },
     After(kRouting, {"AT+CNMI=?", "AT+CNMI=3,1,0,0,0"}),
     {kRouting + " refused (ERROR); routing set to AT+CNMI=3,1,0,0,0, the nearest that "
                 "AT+CNMI=? lists"}, {}},
    {"DirectForwardingFallsBackToDirectRoutingOnly",
     [](auto& M, auto& V) { V.DirectForward = true; M.Answer("AT+CNMI=2,2,0,0,0", kError);
                            M.Answer("AT+CNMI=?", Framed("+CNMI: (1),(0,2),(0),(0),(1)")); },
     {"ATZ", "ATE0&S0", "AT+CPAS", "AT+CPIN?", kStorage, "AT+CNMI=2,2,0,0,0", "AT+CNMI=?",
      "AT+CNMI=1,2,0,0,1", "AT+CMGF=1"},
     {"AT+CNMI=2,2,0,0,0 refused (ERROR); routing set to AT+CNMI=1,2,0,0,1, the nearest that "
      "AT+CNMI=? lists"}, {}},
    {"NoRoutingListedFallsBackToPolling",
     [](auto& M, auto&) { M.Answer(kRouting, kError); },
     After(kRouting, {"AT+CNMI=?"}), {kPolling}, {}},
    {"TheNearestRoutingRefusedTooFallsBackToPolling",
     [](auto& M, auto&) { M.Answer(kRouting, kError); M.Answer("AT+CNMI=3,1,0,0,0", kError);
                          M.Answer("AT+CNMI=?", Framed("+CNMI: (0,1,3),(0,1),(0),(0),(0)")); },
     After(kRouting, {"AT+CNMI=?", "AT+CNMI=3,1,0,0,0"}), {kPolling}, {}},
    {"NoMemoryAndNoRoutingReceiveNothing",
     [](auto& M, auto&) { M.Answer(kStorage, kError); M.Answer(kRouting, kError);
                          M.Answer("AT+CPMS=?", Framed("+CPMS: (),(),()")); },
     {"ATZ", "ATE0&S0", "AT+CPAS", "AT+CPIN?", kStorage, "AT+CPMS=?", kRouting, "AT+CNMI=?",
      "AT+CMGF=1"},
     {kNoMemory, kRouting + " refused (ERROR) and no message memory: new messages cannot be "
                            "received"}, {}},
    // A modem that does not answer is not refusing: that is given up as before.
    {"AStorageStepUnansweredIsNoRefusal",
     [](auto& M, auto&) { M.Ignore(kStorage); },
     {"ATZ", "ATE0&S0", "AT+CPAS", "AT+CPIN?", kStorage}, {}, {Catalogued(ErrReadTimeout)},
     false},
    {"AFirstCommandUnansweredDoesNotAskForThePin",
     [](auto& M, auto&) { M.Ignore("ATZ"); },
     DefaultDialogue, {}, {Catalogued(ErrReadTimeout)}},
};
// clang-format on

class SetupAdaptation : public ScriptedComponent, public ::testing::WithParamInterface<Adaptation> {
  protected:
    void SetUp() override { Modem.ActLikeReadyModem(); }
};

TEST_P(SetupAdaptation, WritesItsLinesAnnouncesWhatItDidAndEndsAsExpected) {
    const Adaptation& A = GetParam();
    A.Prepare(Modem, Vorsa);
    Vorsa.Connect();
    EXPECT_EQ(Modem.Lines(), A.Written);
    EXPECT_EQ(Events.Adaptations, A.Adapted);
    EXPECT_EQ(Events.Errors, A.Reports);
    EXPECT_EQ(Vorsa.Connected(), A.Connects);
    EXPECT_EQ(Events.Connects, A.Connects ? 1 : 0);
    EXPECT_FALSE(Vorsa.IsBusy());
}

INSTANTIATE_TEST_SUITE_P(Modems, SetupAdaptation, ::testing::ValuesIn(Adaptations),
                         [](const ::testing::TestParamInfo<Adaptation>& Info) {
                             return Info.param.Name;
                         });

using SetupAdaptationWithDefaultHandler = ScriptedComponent;

// An adaptation is no error: with the default handler, which throws at the first report,
// Connect still goes on to the end.
TEST_F(SetupAdaptationWithDefaultHandler, ConnectGoesOnWithoutRaising) {
    Events.Raise = true;
    Modem.ActLikeReadyModem();
    Modem.Answer("ATZ", kError);
    Modem.Answer(kStorage, kError);
    EXPECT_EQ(RaisedText([&] { Vorsa.Connect(); }), "(nothing raised)");
    EXPECT_TRUE(Vorsa.Connected());
    EXPECT_EQ(Events.Adaptations.size(), 2u);
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// Settings go into commands as they are: anything that is not a number, digits or quoted
// memory names is refused before the port is even opened.
TEST_F(SetupAdaptationWithDefaultHandler, SettingsThatAreNoNumbersOrNamesAreRefusedUnwritten) {
    Modem.ActLikeReadyModem();
    const std::string Centre =
        "SMSCenter must be a number of at most 20 digits, \"+\", \"*\" and \"#\".";
    const std::string Pin = "PIN must be at most 8 decimal digits.";
    const std::string Storage =
        "StorageString must be one to three memory names in double quotes, separated by commas.";
    struct Setting {
        std::function<void(TVorsa&)> Set;
        std::string Refusal;  // empty: accepted
    };
    const Setting Settings[] = {
        {[](TVorsa& V) { V.SMSCenter = "+40\";+CMGD=1,4;+CSCA=\"+40"; }, Centre},
        {[](TVorsa& V) { V.SMSCenter = "+40700000000\r\nAT+CMGD=1"; }, Centre},
        {[](TVorsa& V) { V.SMSCenter = std::string(21, '4'); }, Centre},
        {[](TVorsa& V) { V.SMSCenter = "+" + std::string(20, '4'); }, ""},
        {[](TVorsa& V) { V.SMSCenter = ""; }, ""},
        {[](TVorsa& V) { V.PIN = "0000\";+CMGD=1,4;+CPIN=\"0000"; }, Pin},
        {[](TVorsa& V) { V.PIN = "123456789"; }, Pin},
        {[](TVorsa& V) { V.PIN = "12a4"; }, Pin},
        {[](TVorsa& V) { V.PIN = "12345678"; }, ""},
        {[](TVorsa& V) { V.StorageString = "\"SM\";+CMGD=1,4"; }, Storage},
        {[](TVorsa& V) { V.StorageString = "\"SM\",\"SM\",\"SM\",\"SM\""; }, Storage},
        {[](TVorsa& V) { V.StorageString = "\"SM\","; }, Storage},
        {[](TVorsa& V) { V.StorageString = "\"\""; }, Storage},
        {[](TVorsa& V) { V.StorageString = "SM"; }, Storage},
        {[](TVorsa& V) { V.StorageString = "\"S M\""; }, Storage},
        {[](TVorsa& V) { V.StorageString = "\"SM_P\",\"ME\""; }, ""},
        {[](TVorsa& V) { V.StorageString = ""; }, ""},
    };
    for (const Setting& S : Settings) {
        Vorsa.SMSCenter = "";
        Vorsa.PIN = "";
        Vorsa.StorageString = "\"SM\",\"SM\",\"SM\"";
        S.Set(Vorsa);
        SCOPED_TRACE(Vorsa.SMSCenter + " / " + Vorsa.PIN + " / " + Vorsa.StorageString);
        Events.Clear();
        Forget();
        Vorsa.Connect();
        if (S.Refusal.empty()) {
            EXPECT_TRUE(Vorsa.Connected());
            EXPECT_THAT(Events.Errors, IsEmpty());
            Vorsa.DisConnect();
            continue;
        }
        EXPECT_THAT(Events.Errors, ElementsAre(ErrorReport{-1, S.Refusal}));
        EXPECT_FALSE(Vorsa.Connected());
        EXPECT_EQ(Modem.CountOf(Call::Open), 0u) << "the port was not opened";
        EXPECT_EQ(Modem.Written, "");
        EXPECT_EQ(Events.Disconnects, 0);
    }
}

}  // namespace
}  // namespace vorsa::test
