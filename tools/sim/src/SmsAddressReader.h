// Reading the two address forms of a transfer unit.
#pragma once

#include "OctetReader.h"
#include "vorsa/sim/SmsAddress.h"

namespace vorsa::sim::detail {

/// TP-OA/TP-DA; nullopt when the PDU ends inside it or its length is impossible.
[[nodiscard]] std::optional<Address> ReadAddressField(OctetReader& reader);
/// Service-centre address; an empty Address text when its length octet is 0.
[[nodiscard]] std::optional<Address> ReadServiceCentreField(OctetReader& reader);

}  // namespace vorsa::sim::detail
