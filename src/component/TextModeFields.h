// The fields of the lines a modem writes in text mode: the header of a read, a listed or a
// forwarded message, and a status report ("+CDS:", or a stored one read back). Fields are
// separated by commas; a quoted field keeps the commas inside its quotes ("02/03/04,
// 10:20:30+08"). No I/O: lines in, values out, nothing for a line that does not parse.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vorsa/PDU.h"

namespace vorsa::detail {

struct TextField {
    std::string Value;  ///< without the quotes of a quoted field
    bool Quoted = false;
};

/// The fields of Line after its marker ("+CMGR:", "+CDS:"...), or of all of Line when it
/// has none. A quote left open runs to the end of the line.
[[nodiscard]] std::vector<TextField> SplitTextFields(std::string_view Line);

/// A status report from its text-mode fields, starting at First:
/// <fo>,<mr>,[<ra>],[<tora>],<scts>,<dt>,<st>. None when a number is missing or out of
/// range, or the time stamps are not quoted.
[[nodiscard]] std::optional<StatusReport> StatusReportFromFields(
    const std::vector<TextField>& Fields, size_t First);

/// A "+CDS: " line of text mode.
[[nodiscard]] std::optional<StatusReport> ParseStatusReportLine(std::string_view Line);

}  // namespace vorsa::detail
