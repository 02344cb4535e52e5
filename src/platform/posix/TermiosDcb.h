// Translation between the device control block and a POSIX terminal's termios record.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

#include "vorsa/CommTypes.h"

namespace vorsa::detail {

/// Puts the terminal into raw binary mode with the character size, parity, stop bits and
/// flow control of State; the speed is left alone. False for settings a terminal cannot
/// take: a character size outside 5..8, an unknown parity, 1.5 stop bits with more than five
/// data bits.
[[nodiscard]] bool ApplyDcbToTermios(const DCB& State, termios& Line);

/// Overwrites the fields of State that the terminal knows (character size, parity, stop bits,
/// XON/XOFF characters, and the flow-control switches fOutX, fInX, fParity, fOutxCtsFlow and
/// RTS handshaking); every other switch keeps its value. The speed is left alone.
void ReadDcbFromTermios(const termios& Line, DCB& State);

/// The termios constant for a rate that has one.
[[nodiscard]] std::optional<speed_t> StandardSpeed(uint32_t Rate);
/// The rate of a termios speed constant; 0 for one it does not know.
[[nodiscard]] uint32_t RateOfSpeed(speed_t Speed);

}  // namespace vorsa::detail
