// The error catalogue: the English message for every numeric error code the messaging
// component reports. One code space holds the network and transfer-layer causes a modem
// gives after "+CMS ERROR: " (0 to 255), the modem's own short-message service errors
// (300 to 500), and the library's own codes (1000 to 1002).
#pragma once

#include <cstdint>
#include <string>

namespace vorsa {

/// The port is closed, or the modem could not be brought up.
constexpr int32_t ErrNotConnected = 1000;
/// The modem answered "ERROR", or did not prompt for a message.
constexpr int32_t ErrModemError = 1001;
/// No complete reply arrived within the read time-out.
constexpr int32_t ErrReadTimeout = 1002;
/// The modem did not accept the PIN (the modem's own "SIM PIN required").
constexpr int32_t ErrPinRefused = 311;
/// Code of a report whose text does not come from the catalogue.
constexpr int32_t ErrNotCatalogued = -1;

/// The message of `Code`; every code has one, codes without an entry of their own get
/// their block's text or "Unknown of manufacturer specific error".
[[nodiscard]] std::string GetErrString(int32_t Code);

/// A short stable identifier of `Code` for logs ("Congestion", "SimPinRequired",
/// "ReadTimeout"), or "" when the code has no entry of its own.
[[nodiscard]] std::string GetErrName(int32_t Code);

}  // namespace vorsa
