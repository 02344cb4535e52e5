// The body of POST /v1/messages: what is taken, what is refused with which code, and the
// longest texts, counted in parts as the modem link sends them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "vorsa/gateway/MessageRequest.h"

namespace vorsa::gateway {
namespace {

ParsedRequest Parse(const std::string& body, const std::string& headerKey = "") {
    return ParseMessageRequest(body, headerKey);
}

std::string Repeated(const std::string& piece, size_t times) {
    std::string text;
    for (size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

std::string Body(const std::string& text) {
    return nlohmann::json{{"to", "123"}, {"text", text}}.dump();
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
}

// 255 parts go, 256 do not, whatever the alphabet: 153 septets a part in the GSM alphabet,
// 67 UTF-16 units in UCS2, and an emoji's surrogate pair never cut across two parts.
TEST(MessageRequest, TakesTextsUpTo255PartsInEveryAlphabet) {
    const struct {
        const char* piece;
        size_t mostThatFit;
    } cases[] = {
        {"a", 255 * 153},
        {"ж", 255 * 67},
        {"👍", 255 * 33},
    };
    for (const auto& c : cases) {
        const ParsedRequest fits = Parse(Body(Repeated(c.piece, c.mostThatFit)));
        EXPECT_TRUE(fits.message) << c.piece << ": " << fits.error.message;
        const ParsedRequest over = Parse(Body(Repeated(c.piece, c.mostThatFit + 1)));
        EXPECT_EQ(over.error.code, "text_too_long") << c.piece;
    }
}

}  // namespace
}  // namespace vorsa::gateway
