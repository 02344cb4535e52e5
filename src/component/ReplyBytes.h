// Bytes read from the modem on their way into a reply.
#pragma once

#include <cstddef>
#include <string>

namespace vorsa::detail {

/// A reply longer than this is no modem's answer: what comes beyond it is dropped.
inline constexpr size_t kMostReplyBytes = 256 * 1024;

/// Appends Bytes to Raw without their NUL characters (some modems pad with them); gives
/// false when Raw is full and bytes were dropped.
inline bool AppendReplyBytes(std::string& Raw, const std::string& Bytes) {
    for (const char C : Bytes) {
        if (Raw.size() >= kMostReplyBytes) {
            return false;
        }
        if (C != '\0') {
            Raw += C;
        }
    }
    return true;
}

}  // namespace vorsa::detail
