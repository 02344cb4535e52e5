// Arbitrary octets as the pieces of user data: a header's elements (the concatenation
// element must be a possible one), UCS2 text (surrogates, odd counts) and 7-bit text
// read from any septet (the one-pass reader must match septets-then-text), all giving
// well-formed UTF-8 within bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "Utf8Check.h"
#include "pdu/GsmAlphabet.h"
#include "pdu/PduPrimitives.h"
#include "pdu/UserDataHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string octets(reinterpret_cast<const char*>(data), size);
    if (const std::optional<vorsa::ConcatInfo> concat = vorsa::detail::concatOf(octets)) {
        VORSA_FUZZ_CHECK(concat->total >= 1);
        VORSA_FUZZ_CHECK(concat->sequence >= 1 && concat->sequence <= concat->total);
        VORSA_FUZZ_CHECK(concat->sixteenBitReference || concat->reference <= 0xFF);
    }

    const std::string hex = vorsa::detail::stringToHex(octets);
    const std::size_t first = size > 0 ? data[0] % 16 : 0;
    std::string ucs2;
    vorsa::detail::appendUcs2AsUtf8(ucs2, hex, first, size);
    VORSA_FUZZ_CHECK(isWellFormedUtf8(ucs2));
    VORSA_FUZZ_CHECK(ucs2.size() <= size / 2 * 3);

    std::string septets;
    vorsa::detail::appendSeptetCodes(septets, hex, first, size);
    std::string expected;
    vorsa::detail::appendGsmText(expected, septets);
    std::string text;
    vorsa::detail::appendGsmTextFromUserData(text, hex, first, size);
    VORSA_FUZZ_CHECK(text == expected);
    VORSA_FUZZ_CHECK(isWellFormedUtf8(text));
    return 0;
}
