// Cost of messages as people write them: a full 160-septet 7-bit message with extension
// characters, a full 70-character UCS2 message, and a message in three parts, each
// encoded from UTF-8 to SMS-SUBMIT units and decoded from SMS-DELIVER units back to
// UTF-8 (the three parts also put together again by a MessageReassembler). "per_part" is
// the time for one unit.
//
// Built with libgammu, the same single-part texts also go through libgammu's codec for
// comparison: UTF-8 to its text form, GSM_EncodeSMSFrame and hexadecimal for encoding;
// hexadecimal to octets, GSM_DecodePDUFrame and UTF-8 for decoding.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "vorsa/PDU.h"

#ifdef VORSA_BENCH_WITH_GAMMU
#include <gammu.h>

#include <memory>
#endif

namespace {

// Pieces joined until the next would pass `septets`: a 7-bit text of exactly that many
// septets, extension characters among them.
std::string gsmText(std::size_t septets) {
    const char* const pieces[] = {
        "Price: 5\xE2\x82\xAC ", "[ok] ",     "{a|b} ",         "~x^ ",   "\\ ",
        "caf\xC3\xA9 ",          "\xCE\x94 ", "M\xC3\xBCller ", "12:30, "};
    std::string text;
    for (std::size_t i = 0;; ++i) {
        const std::string next = text + pieces[i % std::size(pieces)];
        if (vorsa::measureText(next).units > septets) {
            break;
        }
        text = next;
    }
    while (vorsa::measureText(text).units < septets) {
        text += 'x';
    }
    return text;
}

// 70 UCS2 units: Cyrillic and Chinese.
std::string ucs2Text() {
    const std::string piece =
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xBD\xA0\xE5\xA5\xBD ";  // 10 units
    std::string text;
    for (int i = 0; i < 7; ++i) {
        text += piece;
    }
    return text;
}

struct Sample {
    const char* name;
    std::string text;
};

const std::vector<Sample>& samples() {
    static const std::vector<Sample> all = {
        {"gsm160", gsmText(160)},
        {"ucs2_70", ucs2Text()},
        {"three_parts", gsmText(400)},
    };
    return all;
}

// The SMS-DELIVER that a recipient's modem shows for an SMS-SUBMIT of encodeSubmitParts
// (no validity period): same centre, the destination as sender, a fixed time stamp.
std::string deliverOf(const std::string& submit) {
    const std::size_t centre = 2 + 2 * std::stoul(submit.substr(0, 2), nullptr, 16);
    const bool header = (std::stoul(submit.substr(centre, 2), nullptr, 16) & 0x40) != 0;
    const std::size_t digits = std::stoul(submit.substr(centre + 4, 2), nullptr, 16);
    const std::size_t address = 4 + digits + digits % 2;
    return submit.substr(0, centre) + (header ? "44" : "04") +
           submit.substr(centre + 4, address + 4) + "42607151003580" +
           submit.substr(centre + 4 + address + 4);
}

void perPart(benchmark::State& state, std::size_t parts) {
    state.counters["parts"] = static_cast<double>(parts);
    state.counters["per_part"] = benchmark::Counter(
        static_cast<double>(parts),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void vorsaEncode(benchmark::State& state) {
    const Sample& sample = samples()[static_cast<std::size_t>(state.range(0))];
    std::size_t parts = 0;
    for (auto _ : state) {
        vorsa::SubmitEncoding encoding =
            vorsa::encodeSubmitParts("+40700000000", "+40712345678", sample.text, {}, 7);
        parts = encoding.parts.size();
        benchmark::DoNotOptimize(encoding);
    }
    state.SetLabel(sample.name);
    perPart(state, parts);
}

void vorsaDecode(benchmark::State& state) {
    const Sample& sample = samples()[static_cast<std::size_t>(state.range(0))];
    std::vector<std::string> pdus;
    for (const vorsa::SubmitPart& part :
         vorsa::encodeSubmitParts("+40700000000", "+40712345678", sample.text, {}, 7).parts) {
        pdus.push_back(deliverOf(part.pdu));
    }
    std::string text;
    for (auto _ : state) {
        if (pdus.size() == 1) {
            text = vorsa::decodeDeliver(pdus[0]).value().text;
        } else {
            vorsa::MessageReassembler reassembler;
            for (const std::string& pdu : pdus) {
                vorsa::MessageReassembler::AddResult result =
                    reassembler.add({vorsa::decodeDeliver(pdu).value(), "SM", 1},
                                    vorsa::MessageReassembler::TimePoint{});
                if (!result.messages.empty()) {
                    text = std::move(result.messages[0].text);
                }
            }
        }
        benchmark::DoNotOptimize(text);
    }
    if (text != sample.text) {
        state.SkipWithError("the decoded text differs from the encoded one");
    }
    state.SetLabel(sample.name);
    perPart(state, pdus.size());
}

// 0 and 1: the single-part samples; 2: three parts.
BENCHMARK(vorsaEncode)->DenseRange(0, 2)->ArgName("sample");
BENCHMARK(vorsaDecode)->DenseRange(0, 2)->ArgName("sample");

#ifdef VORSA_BENCH_WITH_GAMMU

void gammuEncode(benchmark::State& state) {
    const Sample& sample = samples()[static_cast<std::size_t>(state.range(0))];
    const bool unicode = vorsa::measureText(sample.text).alphabet == vorsa::SmsAlphabet::Ucs2;
    auto sms = std::make_unique<GSM_SMSMessage>();
    unsigned char frame[GSM_MAX_SMS_LENGTH * 2];
    char hex[sizeof frame * 2 + 1];
    int length = 0;
    for (auto _ : state) {
        GSM_SetDefaultSMSData(sms.get());
        sms->PDU = SMS_Submit;
        sms->Class = -1;
        sms->UDH.Type = UDH_NoUDH;
        sms->Coding =
            unicode ? SMS_Coding_Unicode_No_Compression : SMS_Coding_Default_No_Compression;
        sms->SMSC.Validity.Format = SMS_Validity_NotAvailable;
        EncodeUnicode(sms->Number, "+40712345678", 12);
        EncodeUnicode(sms->SMSC.Number, "+40700000000", 12);
        DecodeUTF8(sms->Text, sample.text.data(), sample.text.size());
        if (GSM_EncodeSMSFrame(GSM_GetGlobalDebug(), sms.get(), frame, PHONE_SMSSubmit, &length,
                               TRUE) != ERR_NONE) {
            state.SkipWithError("libgammu refused the message");
            break;
        }
        EncodeHexBin(hex, frame, static_cast<size_t>(length));
        benchmark::DoNotOptimize(hex);
    }
    state.SetLabel(sample.name);
    perPart(state, 1);
}

void gammuDecode(benchmark::State& state) {
    const Sample& sample = samples()[static_cast<std::size_t>(state.range(0))];
    const std::string pdu = deliverOf(
        vorsa::encodeSubmitParts("+40700000000", "+40712345678", sample.text, {}, 7).parts[0].pdu);
    auto sms = std::make_unique<GSM_SMSMessage>();
    std::vector<unsigned char> octets(pdu.size() / 2);
    std::vector<char> utf8(4 * GSM_MAX_SMS_LENGTH);
    for (auto _ : state) {
        DecodeHexBin(octets.data(), reinterpret_cast<const unsigned char*>(pdu.data()), pdu.size());
        GSM_SetDefaultSMSData(sms.get());
        size_t end = 0;
        if (GSM_DecodePDUFrame(GSM_GetGlobalDebug(), sms.get(), octets.data(), octets.size(), &end,
                               TRUE) != ERR_NONE) {
            state.SkipWithError("libgammu could not read the message");
            break;
        }
        EncodeUTF8(utf8.data(), sms->Text);
        benchmark::DoNotOptimize(utf8.data());
    }
    if (sample.text != utf8.data()) {
        state.SkipWithError("libgammu read another text");
    }
    state.SetLabel(sample.name);
    perPart(state, 1);
}

BENCHMARK(gammuEncode)->DenseRange(0, 1)->ArgName("sample");
BENCHMARK(gammuDecode)->DenseRange(0, 1)->ArgName("sample");

#endif

}  // namespace

BENCHMARK_MAIN();
