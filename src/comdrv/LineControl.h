// The flags word of the device control block that Connect builds from the flow control.
#pragma once

#include <cstdint>

#include "vorsa/ComDrv.h"

namespace vorsa::detail {

// The fixed words used on NT-family platforms from version 4.0: binary mode, DTR on,
// transmit continues after XOFF, abort on error, no parity check, no DSR flow or
// sensitivity, no error or NUL replacement; plus the flow control's own switches.
/// No flow control: RTS on.
constexpr uint32_t FlagsNoFlowControl = 0x5091;
/// XON/XOFF in both directions: the word without flow control plus fOutX and fInX.
constexpr uint32_t FlagsXonXoff = 0x5391;
/// CTS output flow and RTS handshaking.
constexpr uint32_t FlagsHardware = 0x6095;
/// The bits that the rule for other platforms touches: fInX and fErrorChar (not fOutX).
constexpr uint32_t FlagsLegacyMask = 0x600;

/// The flags word for Flow. With FixedWords the word is one of the three above; otherwise it
/// derives from the device's current word: XON_XOFF sets both bits of the legacy mask,
/// Hardware clears them and keeps everything else, No keeps the current word.
[[nodiscard]] uint32_t LineControlFlags(tFlowControl Flow, bool FixedWords,
                                        uint32_t CurrentFlags) noexcept;

}  // namespace vorsa::detail
