// Sending, storing, reading, listing and deleting messages through the engine, in text
// and PDU mode, with the reply shapes terminals parse.
#include <gtest/gtest.h>

#include "EngineTerminal.h"
#include "HelloMessage.h"

namespace vorsa::sim {
namespace {

const TimeStamp kTenTwenty = TimeStamp::Parse("02/03/04,10:20:30+08").value();
const TimeStamp kEleven = TimeStamp::Parse("02/03/04,11:00:00+08").value();

IncomingMessage Incoming(const std::string& from, const std::string& text,
                         TimeStamp when = kTenTwenty) {
    IncomingMessage message;
    message.from = from;
    message.text = text;
    message.timeStamp = when;
    return message;
}

std::string Cmgs(int reference) {
    return Answer("+CMGS: " + std::to_string(reference));
}

// Echo off, in text mode.
class TextModeEngine : public QuietEngine {
  protected:
    void SetUp() override {
        QuietEngine::SetUp();
        ASSERT_EQ(t.Command("AT+CMGF=1"), kOk);
    }
};

// Echo off, and stored messages are not announced (AT+CNMI=2,0), so that answers stand alone.
class SilentEngine : public QuietEngine {
  protected:
    void SetUp() override {
        QuietEngine::SetUp();
        ASSERT_EQ(t.Command("AT+CNMI=2,0"), kOk);
    }
    void Deliver(const IncomingMessage& message) {
        const DeliveryResult delivered = t.engine.Deliver(message, t.now);
        EXPECT_TRUE(delivered.accepted) << delivered.reason;
    }
};

using EngineTextModeSend = TextModeEngine;

TEST_F(EngineTextModeSend, PromptsPerLineAndReportsTheReference) {
    EXPECT_EQ(t.Type("AT+CMGS=\"+40700000000\"\r\n"), "\r\n> ");
    EXPECT_TRUE(t.engine.Settings().awaitingMessage);
    EXPECT_EQ(t.Type("Hello\r\n"), "\r\n> ");
    EXPECT_EQ(t.Type("World\r\n"), "\r\n> ");
    EXPECT_EQ(t.Type("\x1a"), Cmgs(1));
    EXPECT_FALSE(t.engine.Settings().awaitingMessage);

    ASSERT_EQ(t.engine.Outbox().size(), 1u);
    const SentMessage& sent = t.engine.Outbox()[0];
    EXPECT_EQ(sent.reference, 1);
    EXPECT_EQ(sent.destination, "+40700000000");
    EXPECT_EQ(sent.destinationType, 0x91);
    EXPECT_EQ(sent.text, "Hello\nWorld") << "lines joined, the last open line adds nothing";
    EXPECT_TRUE(sent.textMode);
    EXPECT_EQ(sent.serviceCentre, "");
    // Built from AT+CSMP 17,167,0,0: relative validity, 7-bit text.
    EXPECT_EQ(sent.pdu, "0011000B910407000000F00000A70BC8329BFD565CDF723619");
    EXPECT_EQ(sent.length, 24);
}

TEST_F(EngineTextModeSend, EscapeCancelsAndNothingIsSent) {
    EXPECT_EQ(t.Command("AT+CMGS=\"+40700000000\""), "\r\n> ");
    EXPECT_EQ(t.Type("Never mind\x1b"), kOk);
    EXPECT_TRUE(t.engine.Outbox().empty());
    EXPECT_EQ(t.Command("AT"), kOk) << "back in command state";
}

TEST_F(EngineTextModeSend, EchoesTheTextWhileEchoIsOn) {
    ASSERT_EQ(t.Command("ATE1"), kOk);
    EXPECT_EQ(t.Command("AT+CMGS=\"123\""), "AT+CMGS=\"123\"\r\r\n> ");
    EXPECT_EQ(t.Type("Hi\r"), "Hi\r\n> ");
    EXPECT_EQ(t.Type("\x1a"), Cmgs(1));
    EXPECT_EQ(t.engine.Outbox().at(0).destinationType, 0x81);
}

TEST_F(EngineTextModeSend, RefusesMissingNumbersAndOverlongTexts) {
    t.ExpectAnswers({
        {"AT+CMGS", kError},
        {"AT+CMGS=\"\"", CmsError(305)},
        {"AT+CMGS=\"12x4\"", CmsError(305)},
    });
    EXPECT_EQ(t.Enter("AT+CMGS=\"+40700000000\"", std::string(161, 'x')), CmsError(305));
    EXPECT_EQ(t.Enter("AT+CMGS=\"+40700000000\"", std::string(160, 'x')), Cmgs(1));
}

TEST_F(EngineTextModeSend, CharactersOfTheExtensionTableCountTwice) {
    // 80 braces are 160 septets: still one message; one more character is too much.
    EXPECT_EQ(t.Enter("AT+CMGS=\"+40700000000\"", std::string(80, '{')), Cmgs(1));
    EXPECT_EQ(t.Enter("AT+CMGS=\"+40700000000\"", std::string(80, '{') + "a"), CmsError(305));
}

TEST_F(EngineTextModeSend, LatinOneTextKeepsItsCharacters) {
    EXPECT_EQ(t.Enter("AT+CMGS=\"+40700000000\"",
                      "a@b$c \xE9\xE8 \xA3"
                      "5"),
              Cmgs(1));
    ASSERT_EQ(t.engine.Outbox().size(), 1u);
    EXPECT_EQ(t.engine.Outbox()[0].text,
              "a@b$c \u00E9\u00E8 \u00A3"
              "5");
    EXPECT_NE(t.engine.Outbox()[0].pdu.find("0B61805830"), std::string::npos)
        << "'@' is septet 0, '$' septet 2";
}

using EnginePduModeSend = QuietEngine;

TEST_F(EnginePduModeSend, TheLengthArgumentMustMatchTheUnit) {
    for (const char* length : {"17", "19", "32"}) {
        EXPECT_EQ(t.Enter(std::string("AT+CMGS=") + length, kHelloSubmit), CmsError(304)) << length;
    }
    EXPECT_TRUE(t.engine.Outbox().empty());
}

TEST_F(EnginePduModeSend, RefusesBadArgumentsAndMalformedUnits) {
    t.ExpectAnswers({
        {"AT+CMGS=0", CmsError(304)},
        {"AT+CMGS=165", CmsError(304)},
        {"AT+CMGS=\"+40700000000\"", CmsError(304), "a text-mode send in PDU mode"},
    });
    const char* bad[] = {
        "0001000B910407000000F000F105E8329BFD0",   // odd digit count
        "0001000B910407000000F000F105E8329BFDXY",  // not hexadecimal
        "0000000B910407000000F000F105E8329BFD06",  // an SMS-DELIVER
        "0001000B910407000000F000F106E8329BFD06",  // user data length says 6
    };
    for (const char* pdu : bad) {
        EXPECT_EQ(t.Enter("AT+CMGS=18", pdu), CmsError(304)) << pdu;
    }
    EXPECT_TRUE(t.engine.Outbox().empty());
}

TEST_F(EnginePduModeSend, LineBreaksInsideThePduAreIgnoredAndEscapeCancels) {
    EXPECT_EQ(t.Enter("AT+CMGS=18", "0001000B9104070000\r\n00F000F105E8329BFD06"), Cmgs(1));
    t.Command("AT+CMGS=18");
    EXPECT_EQ(t.Type("0001000B91\x1b"), kOk);
    EXPECT_EQ(t.engine.Outbox().size(), 1u);
}

TEST_F(EnginePduModeSend, NeedsAServiceCentreAndTheRadio) {
    t.Command("AT+CSCA=\"\"");
    EXPECT_EQ(t.Enter("AT+CMGS=18", kHelloSubmit), CmsError(330));
    t.Command("AT+CSCA=\"+40700000000\"");
    t.Command("AT+CFUN=4");
    EXPECT_EQ(t.Enter("AT+CMGS=18", kHelloSubmit), CmsError(331));
    EXPECT_TRUE(t.engine.Outbox().empty());
}

TEST(EngineOutbox, TakesTheWorkedExampleAndReportsTheReference) {
    ModemOptions options;
    options.firstMessageReference = 46;
    EngineTerminal t(options);
    t.Quiet();
    EXPECT_EQ(t.Enter("AT+CMGS=18", "07910407000000F101000B910407000000F000F105C8329BFD06"),
              Cmgs(46));
    ASSERT_EQ(t.engine.Outbox().size(), 1u);
    const SentMessage& sent = t.engine.Outbox()[0];
    EXPECT_EQ(sent.reference, 46);
    EXPECT_EQ(sent.destination, "+40700000000");
    EXPECT_EQ(sent.text, "Hello");
    EXPECT_EQ(sent.serviceCentre, "+40700000001");
    EXPECT_EQ(sent.messageClass, 1);
    EXPECT_EQ(sent.dataCoding, 0xF1);
    EXPECT_EQ(sent.pdu, "07910407000000F101000B910407000000F000F105C8329BFD06");
    EXPECT_EQ(sent.length, 18);
    EXPECT_FALSE(sent.textMode);

    // References go on counting.
    EXPECT_EQ(t.Enter("AT+CMGS=18", kHelloSubmit), Cmgs(47));
    EXPECT_EQ(t.engine.Outbox()[1].text, "hello");
}

TEST(EngineOutbox, ReferencesWrapAfter255) {
    ModemOptions options;
    options.firstMessageReference = 255;
    EngineTerminal t(options);
    t.Quiet();
    for (int expected : {255, 0, 1}) {
        EXPECT_EQ(t.Enter("AT+CMGS=18", kHelloSubmit), Cmgs(expected));
    }
}

TEST(EngineOutbox, MessagesToTheOwnNumberComeBack) {
    ModemOptions options;
    options.ownNumber = "+40700000000";
    EngineTerminal t(options);
    t.Quiet();
    EXPECT_EQ(t.Enter("AT+CMGS=18", kHelloSubmit), Cmgs(1) + "\r\n+CMTI: \"SM\",1\r\n");
    std::vector<StoredMessage> stored = t.engine.Storage();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].number, "+40700000000");
    EXPECT_EQ(stored[0].text, "hello");
}

using EngineReading = SilentEngine;

TEST_F(EngineReading, TextModeReadMarksTheMessageRead) {
    t.Command("AT+CMGF=1");
    DeliveryResult delivered = t.engine.Deliver(Incoming("+40700000000", "Hello"), t.now);
    ASSERT_TRUE(delivered.accepted);
    EXPECT_EQ(delivered.index, 1);
    const std::string header = "\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n\r\nOK\r\n";
    EXPECT_EQ(t.Command("AT+CMGR=1"), "\r\n+CMGR: \"REC UNREAD\"," + header);
    EXPECT_EQ(t.Command("AT+CMGR=1"), "\r\n+CMGR: \"REC READ\"," + header);
    EXPECT_EQ(t.engine.Storage().at(0).status, MessageStatus::ReceivedRead);
}

TEST_F(EngineReading, LongTextHeadersAfterCsdh) {
    t.Command("AT+CMGF=1;+CSDH=1");
    Deliver(Hello());
    EXPECT_EQ(t.Command("AT+CMGR=1"),
              "\r\n+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\",145,4,0,0,"
              "\"+40700000001\",145,5\r\nHello\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGL=\"ALL\""),
              "\r\n+CMGL: 1,\"REC READ\",\"+40700000000\",,\"02/03/04,10:20:30+08\",145,5\r\n"
              "Hello\r\n\r\nOK\r\n");
}

TEST_F(EngineReading, PduModeReadGivesTheWorkedExample) {
    Deliver(Hello());
    EXPECT_EQ(t.Command("AT+CMGR=1"),
              std::string("\r\n+CMGR: 0,,24\r\n") + kHelloPdu + "\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGR=1").substr(0, 16), "\r\n+CMGR: 1,,24\r\n");
}

TEST_F(EngineReading, EmptyAndImpossibleIndexesAreRefused) {
    for (const char* line : {"AT+CMGR=1", "AT+CMGR=0", "AT+CMGR=31"}) {
        EXPECT_EQ(t.Command(line), CmsError(321)) << line;
    }
}

TEST_F(EngineReading, UnicodeTextComesAsUcs2AndShowsPerCharacterSet) {
    t.Command("AT+CMGF=1");
    Deliver(Incoming("+40700000000", "\u0416\u20AC"));
    Deliver(Incoming("+40700000000", "\u00E9\u20AC"));
    EXPECT_NE(t.Command("AT+CMGR=1")
                  .find("\r\n0416"
                        "20AC\r\n"),
              std::string::npos)
        << "UCS2 data goes out in hexadecimal";
    EXPECT_NE(t.Command("AT+CMGR=2").find("\r\n\xE9?\r\n"), std::string::npos)
        << "the euro has no place in 8859-1";
    t.Command("AT+CSCS=\"UTF-8\"");
    EXPECT_NE(t.Command("AT+CMGR=2").find("\r\n\u00E9\u20AC\r\n"), std::string::npos);
    t.Command("AT+CSCS=\"UCS2\"");
    EXPECT_NE(t.Command("AT+CMGR=2").find("\"002B00340030003700300030003000300030003000300030\""),
              std::string::npos);
}

TEST(EngineSenders, AlphaFieldsAlphanumericSendersAndEightBitData) {
    ModemOptions options;
    options.phonebook["+40700000000"] = "Office";
    EngineTerminal t(options);
    t.Quiet();
    ASSERT_EQ(t.Command("AT+CNMI=2,0;+CMGF=1;+CSDH=1"), kOk);
    t.engine.Deliver(Incoming("+40700000000", "Hi"), t.now);
    IncomingMessage named = Incoming("Vorsa", "Promo");
    named.alphanumericSender = true;
    t.engine.Deliver(named, t.now);
    IncomingMessage data = Incoming("+40700000001", std::string("\x01\x02\xff", 3));
    data.coding = TextCoding::EightBit;
    data.messageClass = 1;
    t.engine.Deliver(data, t.now);
    EXPECT_EQ(t.Command("AT+CMGR=1").substr(0, 68),
              "\r\n+CMGR: \"REC UNREAD\",\"+40700000000\",\"Office\",\"02/03/04,10:20:30+08\"");
    EXPECT_EQ(t.Command("AT+CMGR=2"),
              "\r\n+CMGR: \"REC UNREAD\",\"Vorsa\",,\"02/03/04,10:20:30+08\",208,4,0,0,"
              "\"+40700000000\",145,5\r\nPromo\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGR=3"),
              "\r\n+CMGR: \"REC UNREAD\",\"+40700000001\",,\"02/03/04,10:20:30+08\",145,4,0,21,"
              "\"+40700000000\",145,3\r\n0102FF\r\n\r\nOK\r\n");
    EXPECT_EQ(t.engine.Storage().at(2).text, std::string("\x01\x02\xff", 3));
}

using EngineListing = SilentEngine;

TEST_F(EngineListing, TextModeListingMatchesTheWorkedExampleAndDefaultsToUnread) {
    t.Command("AT+CMGF=1");
    Deliver(Incoming("+40700000000", "Hello"));
    Deliver(Incoming("+40700000001", "World", kEleven));
    EXPECT_EQ(t.Command("AT+CMGL;"),
              "\r\n+CMGL: 1,\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n"
              "+CMGL: 2,\"REC UNREAD\",\"+40700000001\",,\"02/03/04,11:00:00+08\"\r\nWorld\r\n"
              "\r\nOK\r\n");
    t.ExpectAnswers({
        {"AT+CMGL", kOk, "both are read now"},
        {"AT+CMGL=4", CmsError(305)},
        {"AT+CMGL=\"NEW\"", CmsError(305)},
        {"AT+CMGL=?",
         Answer("+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")")},
    });
    EXPECT_EQ(t.Command("AT+CMGL=\"REC READ\"").substr(0, 29),
              "\r\n+CMGL: 1,\"REC READ\",\"+40700");
}

TEST_F(EngineListing, PduModeListingUsesStatusNumbers) {
    Deliver(Hello());
    Deliver(Hello());
    EXPECT_EQ(t.Command("AT+CMGR=2").substr(0, 16), "\r\n+CMGR: 0,,24\r\n");
    const std::string pdu = kHelloPdu;
    EXPECT_EQ(t.Command("AT+CMGL=4"),
              "\r\n+CMGL: 1,0,,24\r\n" + pdu + "\r\n+CMGL: 2,1,,24\r\n" + pdu + "\r\n\r\nOK\r\n");
    t.ExpectAnswers({
        {"AT+CMGL", kOk},
        {"AT+CMGL=\"ALL\"", CmsError(304)},
        {"AT+CMGL=5", CmsError(304)},
    });
    EXPECT_EQ(t.Command("AT+CMGL=1").substr(0, 19), "\r\n+CMGL: 1,1,,24\r\n0");
}

TEST(EngineCapacity, IndexesFillTheLowestFreeSlotAndFullMemoryRefuses) {
    ModemOptions options;
    options.simCapacity = 3;
    EngineTerminal t(options);
    t.Quiet();
    for (int i = 1; i <= 3; ++i) {
        DeliveryResult result = t.engine.Deliver(Incoming("+40700000000", "m"), t.now);
        EXPECT_EQ(result.index, i);
        EXPECT_EQ(t.Advance(Millis(0)), "\r\n+CMTI: \"SM\"," + std::to_string(i) + "\r\n");
    }
    DeliveryResult full = t.engine.Deliver(Incoming("+40700000000", "m"), t.now);
    EXPECT_FALSE(full.accepted);
    EXPECT_EQ(full.error, 322);
    EXPECT_EQ(full.report, "");
    EXPECT_EQ(t.Advance(Millis(0)), "") << "no report for a message that was not stored";
    EXPECT_EQ(t.Command("AT+CPMS?"), Answer("+CPMS: \"SM\",3,3,\"SM\",3,3,\"SM\",3,3"));
    EXPECT_EQ(t.Command("AT+CMGD=2"), kOk);
    EXPECT_EQ(t.engine.Deliver(Incoming("+40700000000", "m"), t.now).index, 2);
    EXPECT_EQ(t.Advance(Millis(0)), "\r\n+CMTI: \"SM\",2\r\n");
    EXPECT_EQ(t.Enter("AT+CMGW=18", kHelloSubmit), CmsError(322));
}

using EngineStorage = SilentEngine;

TEST_F(EngineStorage, DeleteFlagsPickByStatus) {
    t.Command("AT+CMGF=1");
    for (int i = 0; i < 3; ++i) {
        Deliver(Incoming("+40700000000", "m"));
    }
    t.Command("AT+CMGR=1");                                        // 1 read, 2 and 3 unread
    t.Enter("AT+CMGW=\"+40700000001\"", "unsent");                 // 4
    t.Enter("AT+CMGW=\"+40700000001\",145,\"STO SENT\"", "sent");  // 5
    auto indexes = [this] {
        std::string list;
        for (const StoredMessage& m : t.engine.Storage()) {
            list += std::to_string(m.index);
        }
        return list;
    };
    EXPECT_EQ(indexes(), "12345");
    EXPECT_EQ(t.Command("AT+CMGD=?"), Answer("+CMGD: (1,2,3,4,5),(0-4)"));
    for (const auto& [line, left] :
         {std::pair{"AT+CMGD=0,1", "2345"}, {"AT+CMGD=1,2", "234"}, {"AT+CMGD=1,3", "23"}}) {
        EXPECT_EQ(t.Command(line), kOk) << line;
        EXPECT_EQ(indexes(), left) << line;
    }
    t.ExpectAnswers({
        {"AT+CMGD=2", kOk},
        {"AT+CMGD=2", kOk, "an empty slot is fine"},
        {"AT+CMGD=31", CmsError(321)},
        {"AT+CMGD=1,5", kError},
        {"AT+CMGD=9,4", kOk},
    });
    EXPECT_EQ(indexes(), "");
}

TEST_F(EngineStorage, WrittenMessagesListAndSendFromStorage) {
    t.Command("AT+CMGF=1");
    EXPECT_EQ(t.Enter("AT+CMGW=\"+40700000000\"", "Draft"), Answer("+CMGW: 1"));
    EXPECT_EQ(t.Command("AT+CMGL=\"STO UNSENT\""),
              "\r\n+CMGL: 1,\"STO UNSENT\",\"+40700000000\",,\r\nDraft\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGR=1"),
              "\r\n+CMGR: \"STO UNSENT\",\"+40700000000\",\r\nDraft\r\n\r\nOK\r\n");
    t.Command("AT+CSDH=1");
    EXPECT_EQ(t.Command("AT+CMGR=1"),
              "\r\n+CMGR: \"STO UNSENT\",\"+40700000000\",,145,17,0,0,167,\"+40700000000\",145,5"
              "\r\nDraft\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMSS=1"), Answer("+CMSS: 1"));
    EXPECT_EQ(t.engine.Storage().at(0).status, MessageStatus::StoredSent);
    EXPECT_EQ(t.Command("AT+CMSS=1,\"+40711111111\""), Answer("+CMSS: 2"));
    ASSERT_EQ(t.engine.Outbox().size(), 2u);
    EXPECT_EQ(t.engine.Outbox()[1].destination, "+40711111111");
    EXPECT_EQ(t.engine.Outbox()[1].text, "Draft");
    EXPECT_EQ(t.Command("AT+CMSS=2"), CmsError(321));
    Deliver(Incoming("+40700000000", "in"));
    EXPECT_EQ(t.Command("AT+CMSS=2"), CmsError(302)) << "a received message";
}

TEST_F(EngineStorage, PduModeWriteChecksTheUnitAgainstItsStatus) {
    EXPECT_EQ(t.Enter("AT+CMGW=24,1", kHelloPdu), Answer("+CMGW: 1"));
    EXPECT_EQ(t.Enter("AT+CMGW=24,2", kHelloPdu), CmsError(304)) << "not a submit";
    EXPECT_EQ(t.Enter("AT+CMGW=18", kHelloSubmit), Answer("+CMGW: 2"));
    std::vector<StoredMessage> stored = t.engine.Storage();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].status, MessageStatus::ReceivedRead);
    EXPECT_EQ(stored[0].text, "Hello");
    EXPECT_EQ(stored[0].pdu, kHelloPdu);
    EXPECT_EQ(stored[1].status, MessageStatus::StoredUnsent);
    EXPECT_EQ(stored[1].number, "+40700000000");
}

TEST_F(EngineStorage, SeparateMemoriesForReadingWritingAndReceiving) {
    t.Command("AT+CPMS=\"SM\",\"ME\",\"ME\"");
    Deliver(Incoming("+40700000000", "to ME"));
    EXPECT_EQ(t.engine.Storage().at(0).memory, "ME");
    EXPECT_EQ(t.Command("AT+CMGR=1"), CmsError(321)) << "reading from SM";
    t.Command("AT+CPMS=\"ME\"");
    EXPECT_EQ(t.Command("AT+CMGR=1").substr(0, 17), "\r\n+CMGR: 0,,24\r\n0");
}

}  // namespace
}  // namespace vorsa::sim
