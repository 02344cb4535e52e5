// SendMessage on the scripted modem: a long text goes in parts, each part's reference comes
// back from its own exchange, and every way a part can fail gives the outcome a gateway
// acts on (sent, refused for good, worth another try, perhaps gone). Text mode sends what
// it can carry, with the options through AT+CSMP; the classic PDU send refuses what does
// not fit one message.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "support/SampleTexts.h"
#include "support/ScriptedComponent.h"
#include "support/SubmitToDeliver.h"
#include "vorsa/SMScnst.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kDest = "+40700000099";
const std::string kTwoParts = interop::repeated("Twenty characters.. ", 12);  // 240 septets

// A modem that answers each AT+CMGS with the next of Prompts and each PDU (or Ctrl-Z) with
// the next of Finals; "" stays silent. When they run out: a prompt, and a confirmation
// with references counting up from 45.
class SendingModem {
  public:
    explicit SendingModem(ScriptedModem& Modem) : FModem(Modem) {
        Modem.IgnoreOthers();
        Modem.OnLine = [this](const std::string& Line) { Answer(Line); };
    }
    std::deque<std::string> Prompts;
    std::deque<std::string> Finals;

  private:
    void Answer(const std::string& Line) {
        if (Line.rfind("AT+CSMP", 0) == 0) {
            FModem.Arrive(Csmp);
            return;
        }
        std::deque<std::string>& Answers =
            !Line.empty() && Line.back() == '\x1A' ? Finals : Prompts;
        std::string Reply;
        if (!Answers.empty()) {
            Reply = Answers.front();
            Answers.pop_front();
        } else {
            Reply = &Answers == &Finals ? "\r\n+CMGS: " + std::to_string(FNext++) + "\r\n\r\nOK\r\n"
                                        : "\r\n> ";
        }
        if (!Reply.empty()) {
            FModem.Arrive(Reply);
        }
    }

  public:
    std::string Csmp = "\r\nOK\r\n";

  private:
    ScriptedModem& FModem;
    int FNext = 45;
};

class SendMessageTest : public ConnectedComponent {
  protected:
    void SetUp() override {
        ConnectedComponent::SetUp();
        Vorsa.TextMode = false;
    }
    std::vector<std::string> Pdus() const {
        std::vector<std::string> Units;
        for (const std::string& Line : Modem.Lines()) {
            if (!Line.empty() && Line.back() == '\x1A') {
                Units.push_back(Line.substr(0, Line.size() - 1));
            }
        }
        return Units;
    }
};

TEST_F(SendMessageTest, LongTextGoesInPartsWithEachPartsReference) {
    SendingModem Answers(Modem);
    const SendResult Result = Vorsa.SendMessage(kDest, kTwoParts);
    EXPECT_EQ(Result.outcome, SendOutcome::Sent);
    EXPECT_TRUE(Result.sent());
    EXPECT_EQ(Result.parts, 2);
    EXPECT_THAT(Result.references, ElementsAre(45, 46));
    EXPECT_EQ(Result.errorCode, 0);

    // Each unit after its own AT+CMGS with its own length, the two of one concatenation.
    ASSERT_EQ(Modem.Lines().size(), 4u);
    const std::vector<std::string> First = Pdus();
    ASSERT_EQ(First.size(), 2u);
    std::string Text;
    std::optional<ConcatInfo> Concat[2];
    for (size_t I = 0; I < First.size(); ++I) {
        EXPECT_EQ(Modem.Lines()[2 * I], "AT+CMGS=" + std::to_string(PduLength(First[I])));
        const std::optional<DeliverMessage> Part =
            decodeDeliver(vorsa::testing::deliverFromSubmit(First[I]));
        ASSERT_TRUE(Part && Part->concat);
        Concat[I] = Part->concat;
        Text += Part->text;
    }
    EXPECT_EQ(Text, kTwoParts);
    EXPECT_EQ(Concat[0]->reference, Concat[1]->reference);
    EXPECT_EQ(Concat[0]->sequence, 1);
    EXPECT_EQ(Concat[1]->sequence, 2);
    EXPECT_EQ(Concat[1]->total, 2);

    // The next long message to the same number gets another concatenation reference.
    Forget();
    ASSERT_TRUE(Vorsa.SendMessage(kDest, kTwoParts).sent());
    ASSERT_EQ(Pdus().size(), 2u);
    const std::optional<DeliverMessage> Next =
        decodeDeliver(vorsa::testing::deliverFromSubmit(Pdus()[0]));
    ASSERT_TRUE(Next && Next->concat);
    EXPECT_NE(Next->concat->reference, Concat[0]->reference);
    EXPECT_THAT(Events.Errors, IsEmpty());
}

struct FailureCase {
    const char* Name;
    std::vector<std::string> Prompts;
    std::vector<std::string> Finals;
    SendOutcome Outcome;
    std::vector<int> References;
    int32_t Code;
};

class SendFailureTest : public SendMessageTest,
                        public ::testing::WithParamInterface<FailureCase> {};

const std::string kOk45 = "\r\n+CMGS: 45\r\n\r\nOK\r\n";

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SendFailureTest,
    ::testing::Values(
        FailureCase{"SecondPartRefusedForGood",
                    {},
                    {kOk45, "\r\n+CMS ERROR: 21\r\n"},
                    SendOutcome::Permanent,
                    {45},
                    21},
        FailureCase{"SecondPartMeetsCongestion",
                    {},
                    {kOk45, "\r\n+CMS ERROR: 42\r\n"},
                    SendOutcome::Transient,
                    {45},
                    42},
        FailureCase{"PlainErrorAfterThePdu",
                    {},
                    {"\r\nERROR\r\n"},
                    SendOutcome::Transient,
                    {},
                    ErrModemError},
        FailureCase{"NoAnswerAfterThePdu", {}, {""}, SendOutcome::Ambiguous, {}, ErrReadTimeout},
        FailureCase{
            "SecondPartUnanswered", {}, {kOk45, ""}, SendOutcome::Ambiguous, {45}, ErrReadTimeout},
        FailureCase{"NoPrompt", {""}, {}, SendOutcome::Transient, {}, ErrReadTimeout},
        FailureCase{"CommandRefusedInsteadOfThePrompt",
                    {"\r\n+CMS ERROR: 304\r\n"},
                    {},
                    SendOutcome::Permanent,
                    {},
                    304},
        FailureCase{"ConfirmedWithoutReference",
                    {},
                    {"\r\nOK\r\n", kOk45},
                    SendOutcome::Sent,
                    {-1, 45},
                    0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_P(SendFailureTest, EachFailureHasTheOutcomeACallerActsOn) {
    const FailureCase& C = GetParam();
    SendingModem Answers(Modem);
    Answers.Prompts.assign(C.Prompts.begin(), C.Prompts.end());
    Answers.Finals.assign(C.Finals.begin(), C.Finals.end());
    Vorsa.SetSMSError(ErrReadTimeout);  // left over from an earlier exchange

    const SendResult Result = Vorsa.SendMessage(kDest, kTwoParts);
    EXPECT_EQ(Result.outcome, C.Outcome);
    EXPECT_EQ(Result.parts, 2);
    EXPECT_EQ(Result.references, C.References);
    EXPECT_EQ(Result.errorCode, C.Code);
    if (C.Code != 0) {
        EXPECT_EQ(Result.errorText, GetErrString(C.Code));
    }
    // Nothing went to OnSMSError, and what was latched before is still there for the next
    // exchange to report.
    EXPECT_THAT(Events.Errors, IsEmpty());
    EXPECT_EQ(Vorsa.SMSError, ErrReadTimeout);
    EXPECT_FALSE(Vorsa.IsBusy());
    // A unit the modem did not prompt for is never written, and ESC cancels it.
    if (!C.Prompts.empty()) {
        EXPECT_THAT(Pdus(), IsEmpty());
        EXPECT_EQ(Modem.Lines().back(), "\x1B");
    }
}

TEST_F(SendMessageTest, RefusedBeforeAnythingIsWritten) {
    const struct {
        std::string Dest;
        std::string Text;
        SendOutcome Outcome;
        int32_t Code;
    } Cases[] = {
        {"+4", "Hi", SendOutcome::Permanent, ErrNotCatalogued},
        {"+40700000099\r\nATD", "Hi", SendOutcome::Permanent, ErrNotCatalogued},
        {"+407000000991234567890", "Hi", SendOutcome::Permanent, ErrNotCatalogued},
        {kDest, "", SendOutcome::Permanent, ErrNotCatalogued},
        {kDest, std::string(153 * 255 + 1, 'x'), SendOutcome::Permanent, ErrNotCatalogued},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Dest.substr(0, 20) + " / " + C.Text.substr(0, 20));
        const SendResult Result = Vorsa.SendMessage(C.Dest, C.Text);
        EXPECT_EQ(Result.outcome, C.Outcome);
        EXPECT_EQ(Result.errorCode, C.Code);
        EXPECT_FALSE(Result.errorText.empty());
    }
    EXPECT_THAT(Modem.Lines(), IsEmpty());
    Vorsa.DisConnect();
    const SendResult Closed = Vorsa.SendMessage(kDest, "Hi");
    EXPECT_EQ(Closed.outcome, SendOutcome::Transient);
    EXPECT_EQ(Closed.errorCode, ErrNotConnected);
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_F(SendMessageTest, TextModeSendsWhatItCarriesWithTheOptionsSetAndSetBack) {
    Vorsa.TextMode = true;
    SendingModem Answers(Modem);
    SubmitOptions Options;
    Options.statusReport = true;
    Options.messageClass = MessageClass::Flash;
    Options.validity = std::chrono::hours(1);
    const SendResult Result = Vorsa.SendMessage(kDest, "See you at 8, ok?", Options);
    EXPECT_EQ(Result.outcome, SendOutcome::Sent);
    EXPECT_THAT(Result.references, ElementsAre(45));
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CSMP=49,11,0,240", "AT+CMGS=\"" + kDest + "\"",
                                           "See you at 8, ok?", "\x1A", "AT+CSMP=17,167,0,0"));

    // Without options nothing but the send; what text mode cannot carry is not sent.
    Forget();
    EXPECT_TRUE(Vorsa.SendMessage(kDest, "Plain").sent());
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGS=\"" + kDest + "\"", "Plain", "\x1A"));
    Forget();
    for (const std::string& Text : {interop::kCyrillic, std::string("[brackets]"),
                                    std::string(161, 'x'), std::string("Caf\xC3\xA9")}) {
        const SendResult Refused = Vorsa.SendMessage(kDest, Text);
        EXPECT_EQ(Refused.outcome, SendOutcome::Permanent) << Text;
    }
    EXPECT_THAT(Modem.Lines(), IsEmpty());

    // A modem that will not take the options refuses the message before it is written.
    Answers.Csmp = "\r\n+CMS ERROR: 304\r\n";
    const SendResult Refused = Vorsa.SendMessage(kDest, "Report please", Options);
    EXPECT_EQ(Refused.outcome, SendOutcome::Permanent);
    EXPECT_EQ(Refused.errorCode, 304);
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CSMP=49,11,0,240"));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// The classic PDU send checked the length in bytes; with the whole alphabet a shorter text
// can take more than one message, which the modem would refuse.
TEST_F(SendMessageTest, ClassicPduSendRefusesWhatDoesNotFitOneMessage) {
    SendingModem Answers(Modem);
    for (const std::string& Text :
         {std::string(100, '['), std::string(81, '['), interop::repeated("\xD0\x96", 75)}) {
        Events.Clear();
        EXPECT_EQ(Vorsa.P_SendSMS(kDest, Text), "");
        EXPECT_THAT(Events.Errors, ElementsAre(ErrorReport{-1, "Message too long."}));
    }
    EXPECT_THAT(Modem.Lines(), IsEmpty());
    // What fits goes as before: 70 Cyrillic letters as one UCS2 unit, 80 "[" in 160 septets.
    EXPECT_EQ(Vorsa.P_SendSMS(kDest, interop::repeated("\xD0\x96", 70)), "OK");
    EXPECT_EQ(Vorsa.P_SendSMS(kDest, std::string(80, '[')), "OK");
    EXPECT_EQ(Pdus().size(), 2u);
}

}  // namespace
}  // namespace vorsa::test
