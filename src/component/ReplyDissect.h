// Takes a scanned reply apart into what the component hands on: the reply text its callers
// have always received, the reports for the queues, and the stored messages it brings.
#pragma once

#include <string_view>

#include "component/ReplyOutcome.h"
#include "component/ReplyScan.h"

namespace vorsa::detail {

/// Fills Text, Reports and Messages of Out from Raw and its scan.
///
/// The text is the reply trimmed at both ends, with the echo of the command, the vendors'
/// lines and every report cut out. The echo and a vendor's line go with the line breaks
/// around them, as if they had never come. Each report's cut takes its line with the line
/// break in front of it (or, at the very start, the one after it); a report with a message takes
/// everything from its line to the line that ends the message, and what follows is joined
/// back after a blank line. Reports are cut kind by kind in the order of the report table.
/// A leading line break left by the cuts is dropped once.
void Dissect(std::string_view Raw, const ReplyScan& Scan, ReplyOutcome& Out);

}  // namespace vorsa::detail
