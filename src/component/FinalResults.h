// The lines that end a modem's reply to a command, and what each means for the command:
// every exchange of the component judges its reply by this one table. A final result is a
// whole line; text that merely ends in "OK" or holds "ERROR" is not one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vorsa::detail {

/// How a final result line is recognised.
enum class FinalMatch : uint8_t {
    Whole,   ///< the line is exactly the text
    Prefix,  ///< the line begins with the text, a code or words follow
};

/// What the command's error latch receives.
enum class FinalLatch : uint8_t {
    Nothing,     ///< the command succeeded
    ModemError,  ///< 1001
    CmsCode,     ///< the number after the text; 1001 when it is no number
};

struct FinalResult {
    std::string_view Text;
    FinalMatch Match;
    FinalLatch Latch;
};

inline constexpr std::array<FinalResult, 7> FinalResults{{
    {"OK", FinalMatch::Whole, FinalLatch::Nothing},
    {"ERROR", FinalMatch::Whole, FinalLatch::ModemError},
    {"+CMS ERROR:", FinalMatch::Prefix, FinalLatch::CmsCode},
    // An equipment error (a wrong PIN after AT+CMEE=1 gives "+CME ERROR: 16") fails the
    // command like "ERROR" does; its number is not an SMS error code.
    {"+CME ERROR:", FinalMatch::Prefix, FinalLatch::ModemError},
    // Huawei E1752 and E173 answer a command they do not know with this instead of ERROR.
    {"COMMAND NOT SUPPORT", FinalMatch::Whole, FinalLatch::ModemError},
    // Huawei E1752 again, for a command given more arguments than it takes.
    {"TOO MANY PARAMETERS", FinalMatch::Whole, FinalLatch::ModemError},
    // A data or voice call that ended; some modems also give it for an aborted command.
    {"NO CARRIER", FinalMatch::Whole, FinalLatch::ModemError},
}};

/// The row of the table the line is, if any.
[[nodiscard]] std::optional<FinalResult> MatchFinalResult(std::string_view Line) noexcept;

/// The error code a final result line latches: 0 for success, else 1001 or the modem's
/// "+CMS ERROR" number (which may itself be 0: a failure that latches nothing).
[[nodiscard]] int32_t FinalResultCode(std::string_view Line);

/// Whether the line is a final result that fails the command.
[[nodiscard]] bool IsFailure(std::string_view Line) noexcept;

}  // namespace vorsa::detail
