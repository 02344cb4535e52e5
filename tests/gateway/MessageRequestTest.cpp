// The body of POST /v1/messages: what is taken, what is refused with which code, and the
// texts the classic modem link cannot send unaltered.
#include <gtest/gtest.h>

#include "vorsa/gateway/ClassicModemLink.h"
#include "vorsa/gateway/MessageRequest.h"

namespace vorsa::gateway {
namespace {

const TextLimits kUnlimited{0, false, true, true, true};

ParsedRequest Parse(const std::string& body, const std::string& headerKey = "") {
    return ParseMessageRequest(body, kUnlimited, headerKey, nullptr);
}

TEST(MessageRequest, TakesEveryField) {
    const ParsedRequest r =
        Parse(R"({"to":"+40700000001","text":"Héllo 👋","report":true,"class":0,"validity":3600,)"
              R"("idempotency_key":"k-1"})");
    ASSERT_TRUE(r.message) << r.error.message;
    EXPECT_EQ(r.message->to, "+40700000001");
    EXPECT_EQ(r.message->text, "Héllo 👋");
    EXPECT_TRUE(r.message->report);
    EXPECT_EQ(r.message->messageClass, 0);
    EXPECT_EQ(r.message->validitySeconds, 3600);
    EXPECT_EQ(r.message->idempotencyKey, "k-1");
}

TEST(MessageRequest, HeaderKeyStandsInForTheBodyKeyWhenTheyAgree) {
    EXPECT_EQ(Parse(R"({"to":"123","text":"x"})", "h").message->idempotencyKey, "h");
    EXPECT_EQ(
        Parse(R"({"to":"123","text":"x","idempotency_key":"h"})", "h").message->idempotencyKey,
        "h");
    EXPECT_EQ(Parse(R"({"to":"123","text":"x","idempotency_key":"b"})", "h").error.code,
              "bad_idempotency_key");
}

TEST(MessageRequest, RefusesBadInputWithItsCode) {
    const std::string longText(kMaxTextCharacters + 1, 'a');
    const std::string longKey(kMaxIdempotencyKey + 1, 'k');
    const struct {
        std::string body;
        const char* code;
    } cases[] = {
        {"", "bad_json"},
        {"{", "bad_json"},
        {"[1]", "bad_json"},
        {R"({"to":"123","text":"x","colour":"red"})", "unknown_field"},
        {R"({"text":"x"})", "bad_number"},
        {R"({"to":12345,"text":"x"})", "bad_number"},
        {R"({"to":"12","text":"x"})", "bad_number"},
        {R"({"to":"+123456789012345678901","text":"x"})", "bad_number"},
        {R"({"to":"+40 700","text":"x"})", "bad_number"},
        {R"({"to":"++4070","text":"x"})", "bad_number"},
        {R"({"to":"123"})", "empty_text"},
        {R"({"to":"123","text":""})", "empty_text"},
        {R"({"to":"123","text":5})", "bad_text"},
        {"{\"to\":\"123\",\"text\":\"" + longText + "\"}", "text_too_long"},
        {R"({"to":"123","text":"x","report":"yes"})", "bad_report"},
        {R"({"to":"123","text":"x","class":4})", "bad_class"},
        {R"({"to":"123","text":"x","class":1.5})", "bad_class"},
        {R"({"to":"123","text":"x","validity":10})", "bad_validity"},
        {R"({"to":"123","text":"x","validity":99999999})", "bad_validity"},
        {R"({"to":"123","text":"x","idempotency_key":""})", "bad_idempotency_key"},
        {R"({"to":"123","text":"x","idempotency_key":7})", "bad_idempotency_key"},
        {"{\"to\":\"123\",\"text\":\"x\",\"idempotency_key\":\"" + longKey + "\"}",
         "bad_idempotency_key"},
    };
    for (const auto& c : cases) {
        const ParsedRequest r = Parse(c.body);
        EXPECT_FALSE(r.message) << c.body;
        EXPECT_EQ(r.error.code, c.code) << c.body;
        EXPECT_FALSE(r.error.message.empty()) << c.body;
    }
}

TEST(MessageRequest, CountsCharactersNotBytesAndRefusesBrokenUtf8) {
    EXPECT_EQ(Utf8Length("aé€👋"), 4u);
    for (const char* broken :
         {"\xC3", "\xC3\x28", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
        EXPECT_FALSE(Utf8Length(broken)) << broken;
    }
    // Exactly at the link's limit passes; one more is refused.
    const TextLimits limits{5, true, false, false, false};
    EXPECT_TRUE(ParseMessageRequest(R"({"to":"123","text":"ééééé"})", limits, "", nullptr).message);
    EXPECT_EQ(
        ParseMessageRequest(R"({"to":"123","text":"éééééé"})", limits, "", nullptr).error.code,
        "text_too_long");
}

TEST(MessageRequest, RefusesOptionsTheModemsCannotHonour) {
    const TextLimits none{0, false, false, false, false};
    for (const char* body :
         {R"({"to":"123","text":"x","report":true})", R"({"to":"123","text":"x","class":0})",
          R"({"to":"123","text":"x","validity":3600})"}) {
        EXPECT_EQ(ParseMessageRequest(body, none, "", nullptr).error.code, "unsupported_option")
            << body;
    }
    EXPECT_TRUE(ParseMessageRequest(R"({"to":"123","text":"x","report":false,"class":null})", none,
                                    "", nullptr)
                    .message);
}

TEST(ClassicModemLinkText, RefusesWhatTheClassicPackingWouldAlter) {
    EXPECT_EQ(ClassicModemLink::RefusalOf("Hello, world! 1+1=2 @home $5 (ok?)\r\nbye"), "");
    for (const char* altered : {"a[b", "back\\slash", "x]", "caret^", "under_score", "`tick`",
                                "{brace}", "pipe|", "tilde~", "é", "\t", "\x7F"}) {
        EXPECT_NE(ClassicModemLink::RefusalOf(altered), "") << altered;
    }
    EXPECT_EQ(ClassicModemLink::RefusalOf(std::string(159, 'a')), "");
    EXPECT_NE(ClassicModemLink::RefusalOf(std::string(160, 'a')), "");
    EXPECT_NE(ClassicModemLink::RefusalOf(""), "");
    // Through the request parser, with the link's refusal, as the gateway runs it.
    const ParsedRequest r = ParseMessageRequest(
        R"({"to":"123","text":"{x}"})", ClassicModemLink::ClassicLimits(), "",
        [](const std::string& text) { return ClassicModemLink::RefusalOf(text); });
    EXPECT_EQ(r.error.code, "unsupported_text");
}

}  // namespace
}  // namespace vorsa::gateway
