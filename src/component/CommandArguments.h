// Checks on the application's text before it goes onto the AT command line. A number, an
// index, a setting or a text-mode message is written into a command as it is, so a stray
// quote, line break, Ctrl-Z or ESC in it would end that command early and let the rest of
// the text run as commands of its own. The operations refuse such text before anything is
// written.
#pragma once

#include <cstddef>
#include <string>

namespace vorsa::detail {

/// Refusal texts, reported with ErrorId -1.
inline constexpr const char* kDestCharactersRefused =
    "Dest number may hold only digits, \"+\", \"*\" and \"#\".";
inline constexpr const char* kDestTooLong = "Dest number too long.";
inline constexpr const char* kReferenceRefused =
    "Reference must be a storage index of decimal digits.";
inline constexpr const char* kMessageTerminatorRefused =
    "Message may not hold Ctrl-Z or ESC in text mode.";
inline constexpr const char* kServiceCentreRefused =
    "SMSCenter must be a number of at most 20 digits, \"+\", \"*\" and \"#\".";
inline constexpr const char* kPinRefused = "PIN must be at most 8 decimal digits.";
inline constexpr const char* kStorageRefused =
    "StorageString must be one to three memory names in double quotes, separated by commas.";

/// The most digits an address field carries (ten octets of two digits each): the longest
/// destination or service centre number there is.
inline constexpr size_t kMaxAddressDigits = 20;
/// The longest SIM PIN (and PUK).
inline constexpr size_t kMaxPinDigits = 8;

/// True when every character of Dest is a digit, "+", "*" or "#" (the dialling characters
/// a destination address can carry). An empty Dest passes: its length is checked apart.
[[nodiscard]] bool IsDialString(const std::string& Dest);

/// The digits of a dial string: every character but "+" ("*" and "#" take a digit's place
/// in the address field).
[[nodiscard]] size_t AddressDigits(const std::string& Dest);

/// True when Centre is empty (no centre is set) or a dial string of at most
/// kMaxAddressDigits digits.
[[nodiscard]] bool IsServiceCentre(const std::string& Centre);

/// True when Pin is empty (sent as it is) or at most kMaxPinDigits decimal digits.
[[nodiscard]] bool IsPin(const std::string& Pin);

/// True when Storage is empty (the storage step is skipped) or one to three memory names
/// ("SM", "ME", "SM_P": letters, digits and "_", at most 8) in double quotes, separated by
/// commas, with nothing else.
[[nodiscard]] bool IsMemoryList(const std::string& Storage);

/// True when Reference is one or more decimal digits and nothing else.
[[nodiscard]] bool IsStorageIndex(const std::string& Reference);

/// True when Message holds Ctrl-Z (byte 26), which ends a text-mode message, or ESC (byte
/// 27), which cancels it.
[[nodiscard]] bool HoldsMessageTerminator(const std::string& Message);

}  // namespace vorsa::detail
