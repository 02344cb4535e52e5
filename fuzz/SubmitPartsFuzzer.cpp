// Any bytes as a text for encodeSubmitParts: every part must fit one message, and the
// parts read back (each made into the SMS-DELIVER a recipient sees) must give the text,
// read as UTF-8 with other bytes as ISO 8859-1. The first byte chooses the options.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "pdu/TextCodec.h"
#include "vorsa/PDU.h"

namespace {

// The SMS-DELIVER for an SMS-SUBMIT without a centre, to a one-digit number, with or
// without a relative validity period.
std::string deliverOf(const std::string& submit, bool validity) {
    // "00", first octet, reference, "0181F1" (one digit), protocol, coding, [validity].
    const std::size_t userData = 2 + 2 + 2 + 6 + 2 + 2 + (validity ? 2 : 0);
    const bool header = submit.compare(2, 1, "4") == 0 || submit.compare(2, 1, "5") == 0 ||
                        submit.compare(2, 1, "6") == 0 || submit.compare(2, 1, "7") == 0;
    return "00" + std::string(header ? "44" : "04") + submit.substr(6, 10) + "42607151003580" +
           submit.substr(userData);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    vorsa::SubmitOptions options;
    options.coding = data[0] % 3 == 0   ? vorsa::TextCoding::Automatic
                     : data[0] % 3 == 1 ? vorsa::TextCoding::Ucs2
                                        : vorsa::TextCoding::EightBit;
    options.statusReport = (data[0] & 0x10) != 0;
    if ((data[0] & 0x20) != 0) {
        options.validity = std::chrono::minutes(data[0] * 997);
    }
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const vorsa::SubmitEncoding encoding = vorsa::encodeSubmitParts("", "1", text, options, 9);
    if (encoding.error != vorsa::SubmitError::None) {
        VORSA_FUZZ_CHECK(encoding.error == vorsa::SubmitError::TooLong);
        return 0;
    }
    VORSA_FUZZ_CHECK(vorsa::measureText(text, options.coding).parts == encoding.parts.size());
    std::string readBack;
    for (const vorsa::SubmitPart& part : encoding.parts) {
        // At most 140 octets of user data after nine octets of fields.
        VORSA_FUZZ_CHECK(part.length <= 149);
        VORSA_FUZZ_CHECK(part.length == vorsa::PduLength(part.pdu));
        const std::optional<vorsa::DeliverMessage> deliver =
            vorsa::decodeDeliver(deliverOf(part.pdu, options.validity.has_value()));
        VORSA_FUZZ_CHECK(deliver.has_value());
        VORSA_FUZZ_CHECK(encoding.parts.size() == 1 || deliver->concat.has_value());
        readBack += options.coding == vorsa::TextCoding::EightBit ? deliver->data : deliver->text;
    }
    std::string expected;
    if (options.coding == vorsa::TextCoding::EightBit) {
        expected = text;
    } else {
        for (std::size_t position = 0; position < text.size();) {
            vorsa::detail::appendUtf8(expected, vorsa::detail::nextCharacter(text, position));
        }
    }
    VORSA_FUZZ_CHECK(readBack == expected);
    return 0;
}
