// Arbitrary input as an SMS-STATUS-REPORT for decodeStatusReport, as it is and as the
// hexadecimal text of its bytes: within bounds, well-formed UTF-8, and a meaning that
// agrees with the status octet.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "Utf8Check.h"
#include "vorsa/PDU.h"

namespace {

void check(const std::string& pdu) {
    const std::optional<vorsa::StatusReport> report = vorsa::decodeStatusReport(pdu);
    if (!report) {
        return;
    }
    VORSA_FUZZ_CHECK(isWellFormedUtf8(report->recipient));
    VORSA_FUZZ_CHECK(report->serviceCentreTime.size() == 20);
    VORSA_FUZZ_CHECK(report->dischargeTime.size() == 20);
    VORSA_FUZZ_CHECK(report->outcome == vorsa::deliveryStatusOf(report->status));
    VORSA_FUZZ_CHECK(report->statusText == vorsa::statusText(report->status));
    VORSA_FUZZ_CHECK(!report->statusText.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    check(std::string(reinterpret_cast<const char*>(data), size));
    static const char kDigits[] = "0123456789abcdef";  // lower case is read too
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        hex += kDigits[data[i] >> 4];
        hex += kDigits[data[i] & 0x0F];
    }
    check(hex);
    return 0;
}
