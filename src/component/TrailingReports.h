// Unsolicited reports that follow the final result of a reply. A modem set to route new
// messages with AT+CNMI mode 2 holds the reports that come while a command runs and sends
// them right after the command's final result, so a reply often reads
// "...OK" CR LF CR LF "+CMTI: "SM",1". Such a reply is complete, and its reports belong to
// the queues, not to the reply.
#pragma once

#include <string>

namespace vorsa::detail {

/// True when Reply holds a final result line ("OK", "ERROR" or "+CMS ERROR: <code>")
/// followed by nothing but line breaks and a line that starts an unsolicited report.
[[nodiscard]] bool EndsInReportsAfterFinalResult(const std::string& Reply);

/// When Reply ends in reports after its final result, cuts them off: Reply then ends with
/// its final result, and the reports, from the first marker to the end, are given back.
/// Otherwise gives "" and leaves Reply alone.
[[nodiscard]] std::string SplitOffTrailingReports(std::string& Reply);

}  // namespace vorsa::detail
