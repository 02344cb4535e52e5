// The JSON writer and the translation between the component's single-byte strings and
// UTF-8: every output must parse as JSON and keep every byte, whatever the modem sent.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "vorsa/cli/Json.h"
#include "vorsa/cli/Output.h"
#include "vorsa/cli/TextEncoding.h"

namespace vorsa::cli {
namespace {

std::string ParsedString(const std::string& bytes) {
    return nlohmann::json::parse(JsonString(bytes)).get<std::string>();
}

TEST(JsonString, EscapesQuotesBackslashesAndEveryControlCharacter) {
    EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(JsonString("\r\n\t\b\f"), R"("\r\n\t\b\f")");
    EXPECT_EQ(JsonString(std::string("\0\x01\x1f\x7f", 4)), R"("\u0000\u0001\u001f\u007f")");
    std::string all;
    for (int c = 0; c < 0x80; ++c) {
        all += static_cast<char>(c);
    }
    EXPECT_EQ(ParsedString(all), all) << "ASCII survives a round trip, NUL included";
}

TEST(JsonString, KeepsUtf8AndWritesOtherBytesAsTheirLatin1Characters) {
    EXPECT_EQ(JsonString("Grüße €😀"), "\"Grüße €😀\"");
    EXPECT_EQ(JsonString("Gr\xFC\xDF"
                         "e"),
              R"("Gr\u00fc\u00dfe")");
    EXPECT_EQ(ParsedString("Gr\xFC\xDF"
                           "e"),
              "Grüße");
    // Malformed sequences: a lone continuation byte, an overlong "/", an encoded surrogate,
    // a code point above U+10FFFF, a sequence cut short at the end.
    EXPECT_EQ(JsonString("\x80"), R"("\u0080")");
    EXPECT_EQ(JsonString("\xC0\xAF"), R"("\u00c0\u00af")");
    EXPECT_EQ(JsonString("\xED\xA0\x80"), R"("\u00ed\u00a0\u0080")");
    EXPECT_EQ(JsonString("\xF4\x90\x80\x80"), R"("\u00f4\u0090\u0080\u0080")");
    EXPECT_EQ(JsonString("ok\xE2\x82"), R"("ok\u00e2\u0082")");
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_TRUE(nlohmann::json::accept(JsonString(one))) << b;
    }
}

TEST(JsonObject, WritesFieldsInOrderWithTheirTypes) {
    const std::string text =
        JsonObject().Str("type", "x").Int("n", -113).Bool("ok", false).Null("r").Text();
    EXPECT_EQ(text, R"({"type":"x","n":-113,"ok":false,"r":null})");
    EXPECT_EQ(JsonObject().Text(), "{}");
    const auto parsed = nlohmann::json::parse(JsonObject().Str("k\"", "\xFF").Text());
    EXPECT_EQ(parsed["k\""], "ÿ");
}

TEST(Utf8SequenceLength, AcceptsTheShortestFormsOnly) {
    EXPECT_EQ(Utf8SequenceLength(""), 0u);
    EXPECT_EQ(Utf8SequenceLength("A"), 1u);
    EXPECT_EQ(Utf8SequenceLength("\xC2\x80"), 2u);
    EXPECT_EQ(Utf8SequenceLength("\xDF\xBF"), 2u);
    EXPECT_EQ(Utf8SequenceLength("\xE0\x9F\xBF"), 0u) << "overlong three-byte form";
    EXPECT_EQ(Utf8SequenceLength("\xE0\xA0\x80"), 3u);
    EXPECT_EQ(Utf8SequenceLength("\xEF\xBF\xBF"), 3u);
    EXPECT_EQ(Utf8SequenceLength("\xF0\x8F\xBF\xBF"), 0u) << "overlong four-byte form";
    EXPECT_EQ(Utf8SequenceLength("\xF4\x8F\xBF\xBF"), 4u) << "U+10FFFF";
    EXPECT_EQ(Utf8SequenceLength("\xF5\x80\x80\x80"), 0u);
    EXPECT_EQ(Utf8SequenceLength("\xC3("), 0u) << "second byte is no continuation";
    EXPECT_TRUE(IsUtf8("plain ASCII"));
    EXPECT_FALSE(
        IsUtf8("Gr\xFC\xDF"
               "e"));
}

TEST(DisplayText, TurnsLatin1BytesIntoUtf8AndCrLfIntoLf) {
    EXPECT_EQ(DisplayText("Gr\xFC\xDF"
                          "e"),
              "Grüße");
    EXPECT_EQ(DisplayText("Grüße"), "Grüße") << "UTF-8 is left alone";
    EXPECT_EQ(DisplayText("one\r\ntwo\rthree\n"), "one\ntwo\rthree\n");
    EXPECT_EQ(DisplayText(""), "");
}

TEST(ToSingleByte, ConvertsUtf8WithinLatin1AndRefusesWhatLiesBeyond) {
    EXPECT_EQ(ToSingleByte("Grüße").bytes,
              "Gr\xFC\xDF"
              "e");
    EXPECT_EQ(ToSingleByte("Grüße").unrepresentable, 0u);
    EXPECT_EQ(ToSingleByte("plain").bytes, "plain");
    EXPECT_EQ(ToSingleByte("Gr\xFC\xDF"
                           "e")
                  .bytes,
              "Gr\xFC\xDF"
              "e")
        << "single-byte text passes as it is";
    const SingleByteText euro = ToSingleByte("5 €");
    EXPECT_EQ(euro.unrepresentable, U'€');
    EXPECT_EQ(euro.bytes, "");
    EXPECT_EQ(ToSingleByte("ÿ").bytes, "\xFF") << "the last character that fits";
}

TEST(EscapedBytes, ShowsControlAndHighBytesAsEscapes) {
    EXPECT_EQ(EscapedBytes("AT+CMGS=\"+4070\"\r\n"), "AT+CMGS=\"+4070\"\\r\\n");
    EXPECT_EQ(EscapedBytes(std::string("\x1A\0\xFF\\\t", 5)), "\\x1A\\x00\\xFF\\\\\\t");
}

}  // namespace
}  // namespace vorsa::cli
