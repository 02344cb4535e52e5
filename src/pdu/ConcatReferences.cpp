// Concatenation references that rotate per destination.
#include <string>
#include <string_view>

#include "pdu/SubmitFields.h"
#include "vorsa/PDU.h"

namespace vorsa {

uint8_t ConcatReferences::next(std::string_view destination) {
    // One destination however it is written: its type and its digits.
    const detail::SplitNumber number = detail::splitNumber(destination);
    std::string key(1, static_cast<char>(number.type));
    key.append(number.digits);
    const auto known = last_.find(key);
    if (known != last_.end()) {
        return ++known->second;  // wraps from 255 to 0
    }
    if (last_.size() >= kMaxDestinations) {
        // New destinations keep starting at fresh references, so forgetting the old ones
        // only restarts their rotation somewhere else.
        last_.clear();
    }
    const uint8_t first = nextStart_++;
    last_.emplace(std::move(key), first);
    return first;
}

}  // namespace vorsa
