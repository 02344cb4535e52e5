#include "component/SendRefusals.h"

#include <algorithm>
#include <array>

namespace vorsa::detail {

namespace {

constexpr std::array<int32_t, 23> kPermanentCauses{{
    1,    // unassigned (unallocated) number
    8,    // operator determined barring
    10,   // call barred
    21,   // short message transfer rejected
    27,   // destination out of service
    28,   // unidentified subscriber
    29,   // facility rejected
    30,   // unknown subscriber
    50,   // requested facility not subscribed
    96,   // invalid mandatory information
    97,   // message type non-existent or not implemented
    98,   // message not compatible with the short message protocol state
    99,   // information element non-existent or not implemented
    111,  // protocol error, unspecified
    193,  // no SC subscription
    195,  // invalid SME address
    196,  // SME barred by SC
    197,  // SM rejected, duplicate SM
    198,  // TP-VPF not supported
    199,  // TP-VP not supported
    303,  // operation not supported
    304,  // invalid PDU mode parameter
    305,  // invalid text mode parameter
}};

// Errors in the protocol identifier, the data coding scheme and the command of the unit.
constexpr int32_t kFirstUnitError = 128;
constexpr int32_t kLastUnitError = 176;

}  // namespace

bool IsPermanentRefusal(int32_t Code) noexcept {
    return (Code >= kFirstUnitError && Code <= kLastUnitError) ||
           std::find(kPermanentCauses.begin(), kPermanentCauses.end(), Code) !=
               kPermanentCauses.end();
}

}  // namespace vorsa::detail
