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

// A modem with echo off and reports stored silently (AT+CNMI mode 0 keeps them).
EngineTerminal& Silent(EngineTerminal& t) {
    t.Quiet();
    EXPECT_EQ(t.Command("AT+CNMI=2,0"), "\r\nOK\r\n");
    return t;
}

TEST(EngineTextModeSend, PromptsPerLineAndReportsTheReference) {
    EngineTerminal t;
    t.Quiet();
    ASSERT_EQ(t.Command("AT+CMGF=1"), "\r\nOK\r\n");
    EXPECT_EQ(t.Type("AT+CMGS=\"+40700000000\"\r\n"), "\r\n> ");
    EXPECT_TRUE(t.engine.Settings().awaitingMessage);
    EXPECT_EQ(t.Type("Hello\r\n"), "\r\n> ");
    EXPECT_EQ(t.Type("World\r\n"), "\r\n> ");
    EXPECT_EQ(t.Type("\x1a"), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
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

TEST(EngineTextModeSend, EscapeCancelsAndNothingIsSent) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CMGF=1");
    EXPECT_EQ(t.Command("AT+CMGS=\"+40700000000\""), "\r\n> ");
    EXPECT_EQ(t.Type("Never mind\x1b"), "\r\nOK\r\n");
    EXPECT_TRUE(t.engine.Outbox().empty());
    EXPECT_EQ(t.Command("AT"), "\r\nOK\r\n") << "back in command state";
}

TEST(EngineTextModeSend, EchoesTheTextWhileEchoIsOn) {
    EngineTerminal t;
    t.Command("AT+CMGF=1");
    EXPECT_EQ(t.Command("AT+CMGS=\"123\""), "AT+CMGS=\"123\"\r\r\n> ");
    EXPECT_EQ(t.Type("Hi\r"), "Hi\r\n> ");
    EXPECT_EQ(t.Type("\x1a"), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(t.engine.Outbox().at(0).destinationType, 0x81);
}

TEST(EngineTextModeSend, RefusesMissingNumbersAndOverlongTexts) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CMGF=1");
    EXPECT_EQ(t.Command("AT+CMGS"), "\r\nERROR\r\n");
    EXPECT_EQ(t.Command("AT+CMGS=\"\""), "\r\n+CMS ERROR: 305\r\n");
    EXPECT_EQ(t.Command("AT+CMGS=\"12x4\""), "\r\n+CMS ERROR: 305\r\n");
    EXPECT_EQ(t.Command("AT+CMGS=\"+40700000000\""), "\r\n> ");
    EXPECT_EQ(t.Type(std::string(161, 'x') + "\x1a"), "\r\n+CMS ERROR: 305\r\n");
    EXPECT_EQ(t.Command("AT+CMGS=\"+40700000000\""), "\r\n> ");
    EXPECT_EQ(t.Type(std::string(160, 'x') + "\x1a"), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
}

TEST(EngineTextModeSend, CharactersOfTheExtensionTableCountTwice) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CMGF=1");
    t.Command("AT+CMGS=\"+40700000000\"");
    // 80 braces are 160 septets: still one message; one more character is too much.
    EXPECT_EQ(t.Type(std::string(80, '{') + "\x1a"), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    t.Command("AT+CMGS=\"+40700000000\"");
    EXPECT_EQ(t.Type(std::string(80, '{') + "a\x1a"), "\r\n+CMS ERROR: 305\r\n");
}

TEST(EngineTextModeSend, LatinOneTextKeepsItsCharacters) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CMGF=1");
    t.Command("AT+CMGS=\"+40700000000\"");
    t.Type(
        "a@b$c \xE9\xE8 \xA3"
        "5\x1a");
    ASSERT_EQ(t.engine.Outbox().size(), 1u);
    EXPECT_EQ(t.engine.Outbox()[0].text,
              "a@b$c \u00E9\u00E8 \u00A3"
              "5");
    EXPECT_NE(t.engine.Outbox()[0].pdu.find("0B61805830"), std::string::npos)
        << "'@' is septet 0, '$' septet 2";
}

TEST(EnginePduModeSend, TakesTheWorkedExampleAndReportsTheReference) {
    ModemOptions options;
    options.firstMessageReference = 46;
    EngineTerminal t(options);
    t.Quiet();
    EXPECT_EQ(t.Command("AT+CMGS=18"), "\r\n> ");
    EXPECT_EQ(t.Type("07910407000000F101000B910407000000F000F105C8329BFD06\x1a"),
              "\r\n+CMGS: 46\r\n\r\nOK\r\n");
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
    t.Command("AT+CMGS=18");
    EXPECT_EQ(t.Type("0001000B910407000000F000F105E8329BFD06\x1a"), "\r\n+CMGS: 47\r\n\r\nOK\r\n");
    EXPECT_EQ(t.engine.Outbox()[1].text, "hello");
}

TEST(EnginePduModeSend, TheLengthArgumentMustMatchTheUnit) {
    EngineTerminal t;
    t.Quiet();
    for (const char* length : {"17", "19", "32"}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(t.Command(std::string("AT+CMGS=") + length), "\r\n> ");
        EXPECT_EQ(t.Type("0001000B910407000000F000F105E8329BFD06\x1a"), "\r\n+CMS ERROR: 304\r\n");
    }
    EXPECT_TRUE(t.engine.Outbox().empty());
}

TEST(EnginePduModeSend, RefusesBadArgumentsAndMalformedUnits) {
    EngineTerminal t;
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CMGS=0", "\r\n+CMS ERROR: 304\r\n"},
        {"AT+CMGS=165", "\r\n+CMS ERROR: 304\r\n"},
        {"AT+CMGS=\"+40700000000\"", "\r\n+CMS ERROR: 304\r\n", "a text-mode send in PDU mode"},
    });
    const char* bad[] = {
        "0001000B910407000000F000F105E8329BFD0",   // odd digit count
        "0001000B910407000000F000F105E8329BFDXY",  // not hexadecimal
        "0000000B910407000000F000F105E8329BFD06",  // an SMS-DELIVER
        "0001000B910407000000F000F106E8329BFD06",  // user data length says 6
    };
    for (const char* pdu : bad) {
        SCOPED_TRACE(pdu);
        EXPECT_EQ(t.Command("AT+CMGS=18"), "\r\n> ");
        EXPECT_EQ(t.Type(std::string(pdu) + "\x1a"), "\r\n+CMS ERROR: 304\r\n");
    }
    EXPECT_TRUE(t.engine.Outbox().empty());
}

TEST(EnginePduModeSend, LineBreaksInsideThePduAreIgnoredAndEscapeCancels) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CMGS=18");
    EXPECT_EQ(t.Type("0001000B9104070000\r\n00F000F105E8329BFD06\x1a"),
              "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    t.Command("AT+CMGS=18");
    EXPECT_EQ(t.Type("0001000B91\x1b"), "\r\nOK\r\n");
    EXPECT_EQ(t.engine.Outbox().size(), 1u);
}

TEST(EnginePduModeSend, NeedsAServiceCentreAndTheRadio) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CSCA=\"\"");
    t.Command("AT+CMGS=18");
    EXPECT_EQ(t.Type("0001000B910407000000F000F105E8329BFD06\x1a"), "\r\n+CMS ERROR: 330\r\n");
    t.Command("AT+CSCA=\"+40700000000\"");
    t.Command("AT+CFUN=4");
    t.Command("AT+CMGS=18");
    EXPECT_EQ(t.Type("0001000B910407000000F000F105E8329BFD06\x1a"), "\r\n+CMS ERROR: 331\r\n");
    EXPECT_TRUE(t.engine.Outbox().empty());
}

TEST(EngineOutbox, ReferencesWrapAfter255) {
    ModemOptions options;
    options.firstMessageReference = 255;
    EngineTerminal t(options);
    t.Quiet();
    for (int expected : {255, 0, 1}) {
        t.Command("AT+CMGS=18");
        EXPECT_EQ(t.Type("0001000B910407000000F000F105E8329BFD06\x1a"),
                  "\r\n+CMGS: " + std::to_string(expected) + "\r\n\r\nOK\r\n");
    }
}

TEST(EngineOutbox, MessagesToTheOwnNumberComeBack) {
    ModemOptions options;
    options.ownNumber = "+40700000000";
    EngineTerminal t(options);
    t.Quiet();
    t.Command("AT+CMGS=18");
    EXPECT_EQ(t.Type("0001000B910407000000F000F105E8329BFD06\x1a"),
              "\r\n+CMGS: 1\r\n\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n");
    std::vector<StoredMessage> stored = t.engine.Storage();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].number, "+40700000000");
    EXPECT_EQ(stored[0].text, "hello");
}

TEST(EngineReading, TextModeReadMarksTheMessageRead) {
    EngineTerminal t;
    Silent(t);
    t.Command("AT+CMGF=1");
    DeliveryResult delivered = t.engine.Deliver(Incoming("+40700000000", "Hello"), t.now);
    ASSERT_TRUE(delivered.accepted);
    EXPECT_EQ(delivered.index, 1);
    const std::string header = "\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n\r\nOK\r\n";
    EXPECT_EQ(t.Command("AT+CMGR=1"), "\r\n+CMGR: \"REC UNREAD\"," + header);
    EXPECT_EQ(t.Command("AT+CMGR=1"), "\r\n+CMGR: \"REC READ\"," + header);
    EXPECT_EQ(t.engine.Storage().at(0).status, MessageStatus::ReceivedRead);
}

TEST(EngineReading, LongTextHeadersAfterCsdh) {
    EngineTerminal t;
    Silent(t);
    t.Command("AT+CMGF=1;+CSDH=1");
    t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(t.Command("AT+CMGR=1"),
              "\r\n+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\",145,4,0,0,"
              "\"+40700000001\",145,5\r\nHello\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGL=\"ALL\""),
              "\r\n+CMGL: 1,\"REC READ\",\"+40700000000\",,\"02/03/04,10:20:30+08\",145,5\r\n"
              "Hello\r\n\r\nOK\r\n");
}

TEST(EngineReading, PduModeReadGivesTheWorkedExample) {
    EngineTerminal t;
    Silent(t);
    t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(t.Command("AT+CMGR=1"),
              std::string("\r\n+CMGR: 0,,24\r\n") + kHelloPdu + "\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGR=1").substr(0, 16), "\r\n+CMGR: 1,,24\r\n");
}

TEST(EngineReading, EmptyAndImpossibleIndexesAreRefused) {
    EngineTerminal t;
    Silent(t);
    t.ExpectAnswers({
        {"AT+CMGR=1", "\r\n+CMS ERROR: 321\r\n"},
        {"AT+CMGR=0", "\r\n+CMS ERROR: 321\r\n"},
        {"AT+CMGR=31", "\r\n+CMS ERROR: 321\r\n"},
        {"AT+CMGR=x", "\r\nERROR\r\n"},
        {"AT+CMGR", "\r\nERROR\r\n"},
    });
}

TEST(EngineReading, AlphaFieldsAlphanumericSendersAndEightBitData) {
    ModemOptions options;
    options.phonebook["+40700000000"] = "Office";
    EngineTerminal t(options);
    Silent(t);
    t.Command("AT+CMGF=1;+CSDH=1");
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

TEST(EngineReading, UnicodeTextComesAsUcs2AndShowsPerCharacterSet) {
    EngineTerminal t;
    Silent(t);
    t.Command("AT+CMGF=1");
    t.engine.Deliver(Incoming("+40700000000", "\u0416\u20AC"), t.now);
    t.engine.Deliver(Incoming("+40700000000", "\u00E9\u20AC"), t.now);
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

TEST(EngineListing, TextModeListingMatchesTheWorkedExampleAndDefaultsToUnread) {
    EngineTerminal t;
    Silent(t);
    t.Command("AT+CMGF=1");
    t.engine.Deliver(Incoming("+40700000000", "Hello"), t.now);
    t.engine.Deliver(Incoming("+40700000001", "World", kEleven), t.now);
    EXPECT_EQ(t.Command("AT+CMGL;"),
              "\r\n+CMGL: 1,\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n"
              "+CMGL: 2,\"REC UNREAD\",\"+40700000001\",,\"02/03/04,11:00:00+08\"\r\nWorld\r\n"
              "\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGL"), "\r\nOK\r\n") << "both are read now";
    EXPECT_EQ(t.Command("AT+CMGL=\"REC READ\"").substr(0, 29),
              "\r\n+CMGL: 1,\"REC READ\",\"+40700");
    EXPECT_EQ(t.Command("AT+CMGL=4"), "\r\n+CMS ERROR: 305\r\n");
    EXPECT_EQ(t.Command("AT+CMGL=\"NEW\""), "\r\n+CMS ERROR: 305\r\n");
    EXPECT_EQ(t.Command("AT+CMGL=?"),
              "\r\n+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")\r\n"
              "\r\nOK\r\n");
}

TEST(EngineListing, PduModeListingUsesStatusNumbers) {
    EngineTerminal t;
    Silent(t);
    t.engine.Deliver(Hello(), t.now);
    t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(t.Command("AT+CMGR=2").substr(0, 16), "\r\n+CMGR: 0,,24\r\n");
    const std::string pdu = kHelloPdu;
    EXPECT_EQ(t.Command("AT+CMGL=4"),
              "\r\n+CMGL: 1,0,,24\r\n" + pdu + "\r\n+CMGL: 2,1,,24\r\n" + pdu + "\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGL"), "\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGL=1").substr(0, 19), "\r\n+CMGL: 1,1,,24\r\n0");
    EXPECT_EQ(t.Command("AT+CMGL=\"ALL\""), "\r\n+CMS ERROR: 304\r\n");
    EXPECT_EQ(t.Command("AT+CMGL=5"), "\r\n+CMS ERROR: 304\r\n");
}

TEST(EngineStorage, IndexesFillTheLowestFreeSlotAndFullMemoryRefuses) {
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
    EXPECT_EQ(t.Command("AT+CPMS?"), "\r\n+CPMS: \"SM\",3,3,\"SM\",3,3,\"SM\",3,3\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGD=2"), "\r\nOK\r\n");
    EXPECT_EQ(t.engine.Deliver(Incoming("+40700000000", "m"), t.now).index, 2);
    EXPECT_EQ(t.Advance(Millis(0)), "\r\n+CMTI: \"SM\",2\r\n");
    EXPECT_EQ(t.Command("AT+CMGW=18"), "\r\n> ");
    EXPECT_EQ(t.Type("0001000B910407000000F000F105E8329BFD06\x1a"), "\r\n+CMS ERROR: 322\r\n");
}

TEST(EngineStorage, DeleteFlagsPickByStatus) {
    EngineTerminal t;
    Silent(t);
    t.Command("AT+CMGF=1");
    for (int i = 0; i < 3; ++i) {
        t.engine.Deliver(Incoming("+40700000000", "m"), t.now);
    }
    t.Command("AT+CMGR=1");  // 1 read, 2 and 3 unread
    t.Command("AT+CMGW=\"+40700000001\"");
    t.Type("unsent\x1a");  // 4
    t.Command("AT+CMGW=\"+40700000001\",145,\"STO SENT\"");
    t.Type("sent\x1a");  // 5
    auto indexes = [&t] {
        std::string list;
        for (const StoredMessage& m : t.engine.Storage()) {
            list += std::to_string(m.index);
        }
        return list;
    };
    EXPECT_EQ(indexes(), "12345");
    EXPECT_EQ(t.Command("AT+CMGD=?"), "\r\n+CMGD: (1,2,3,4,5),(0-4)\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGD=0,1"), "\r\nOK\r\n");
    EXPECT_EQ(indexes(), "2345");
    EXPECT_EQ(t.Command("AT+CMGD=1,2"), "\r\nOK\r\n");
    EXPECT_EQ(indexes(), "234");
    EXPECT_EQ(t.Command("AT+CMGD=1,3"), "\r\nOK\r\n");
    EXPECT_EQ(indexes(), "23");
    EXPECT_EQ(t.Command("AT+CMGD=2"), "\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGD=2"), "\r\nOK\r\n") << "an empty slot is fine";
    EXPECT_EQ(t.Command("AT+CMGD=31"), "\r\n+CMS ERROR: 321\r\n");
    EXPECT_EQ(t.Command("AT+CMGD=1,5"), "\r\nERROR\r\n");
    EXPECT_EQ(t.Command("AT+CMGD=9,4"), "\r\nOK\r\n");
    EXPECT_EQ(indexes(), "");
}

TEST(EngineStorage, WrittenMessagesListAndSendFromStorage) {
    EngineTerminal t;
    Silent(t);
    t.Command("AT+CMGF=1");
    EXPECT_EQ(t.Command("AT+CMGW=\"+40700000000\""), "\r\n> ");
    EXPECT_EQ(t.Type("Draft\x1a"), "\r\n+CMGW: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGL=\"STO UNSENT\""),
              "\r\n+CMGL: 1,\"STO UNSENT\",\"+40700000000\",,\r\nDraft\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGR=1"),
              "\r\n+CMGR: \"STO UNSENT\",\"+40700000000\",\r\nDraft\r\n\r\nOK\r\n");
    t.Command("AT+CSDH=1");
    EXPECT_EQ(t.Command("AT+CMGR=1"),
              "\r\n+CMGR: \"STO UNSENT\",\"+40700000000\",,145,17,0,0,167,\"+40700000000\",145,5"
              "\r\nDraft\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMSS=1"), "\r\n+CMSS: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(t.engine.Storage().at(0).status, MessageStatus::StoredSent);
    EXPECT_EQ(t.Command("AT+CMSS=1,\"+40711111111\""), "\r\n+CMSS: 2\r\n\r\nOK\r\n");
    ASSERT_EQ(t.engine.Outbox().size(), 2u);
    EXPECT_EQ(t.engine.Outbox()[1].destination, "+40711111111");
    EXPECT_EQ(t.engine.Outbox()[1].text, "Draft");
    EXPECT_EQ(t.Command("AT+CMSS=2"), "\r\n+CMS ERROR: 321\r\n");
    t.engine.Deliver(Incoming("+40700000000", "in"), t.now);
    EXPECT_EQ(t.Command("AT+CMSS=2"), "\r\n+CMS ERROR: 302\r\n") << "a received message";
}

TEST(EngineStorage, PduModeWriteChecksTheUnitAgainstItsStatus) {
    EngineTerminal t;
    Silent(t);
    const std::string deliver = kHelloPdu;
    EXPECT_EQ(t.Command("AT+CMGW=24,1"), "\r\n> ");
    EXPECT_EQ(t.Type(deliver + "\x1a"), "\r\n+CMGW: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CMGW=24,2"), "\r\n> ");
    EXPECT_EQ(t.Type(deliver + "\x1a"), "\r\n+CMS ERROR: 304\r\n") << "not a submit";
    EXPECT_EQ(t.Command("AT+CMGW=18"), "\r\n> ");
    EXPECT_EQ(t.Type("0001000B910407000000F000F105E8329BFD06\x1a"), "\r\n+CMGW: 2\r\n\r\nOK\r\n");
    std::vector<StoredMessage> stored = t.engine.Storage();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].status, MessageStatus::ReceivedRead);
    EXPECT_EQ(stored[0].text, "Hello");
    EXPECT_EQ(stored[0].pdu, deliver);
    EXPECT_EQ(stored[1].status, MessageStatus::StoredUnsent);
    EXPECT_EQ(stored[1].number, "+40700000000");
}

TEST(EngineStorage, SeparateMemoriesForReadingWritingAndReceiving) {
    EngineTerminal t;
    Silent(t);
    t.Command("AT+CPMS=\"SM\",\"ME\",\"ME\"");
    t.engine.Deliver(Incoming("+40700000000", "to ME"), t.now);
    EXPECT_EQ(t.engine.Storage().at(0).memory, "ME");
    EXPECT_EQ(t.Command("AT+CMGR=1"), "\r\n+CMS ERROR: 321\r\n") << "reading from SM";
    t.Command("AT+CPMS=\"ME\"");
    EXPECT_EQ(t.Command("AT+CMGR=1").substr(0, 17), "\r\n+CMGR: 0,,24\r\n0");
}

}  // namespace
}  // namespace vorsa::sim
