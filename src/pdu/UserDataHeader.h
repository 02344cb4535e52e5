// The user data header: a row of information elements (identifier, length, data) in
// front of the text. Only concatenation is read; other elements are passed over.
#pragma once

#include <optional>
#include <string_view>

#include "vorsa/PDU.h"

namespace vorsa::detail {

/// The concatenation element among the header's elements (the header's octets, its
/// length octet left out). An element with a count of 0 or a place outside 1..count is
/// no concatenation; when there are several, the last that is valid counts. A header cut
/// short ends where its last whole element does.
[[nodiscard]] std::optional<ConcatInfo> concatOf(std::string_view headerOctets) noexcept;

}  // namespace vorsa::detail
