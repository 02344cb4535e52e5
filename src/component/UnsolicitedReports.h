// The reports a modem sends on its own, in the middle of any reply: which marker starts
// each, how it is cut out of the reply, which queue keeps it and which window message
// announces it. The reply collector walks this table in its order and cuts every report of
// each kind out of the reply.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "component/WindowMessages.h"
#include "vorsa/Vorsa32.h"

namespace vorsa::detail {

/// How a report is cut out of a reply.
using ReportCutter = std::string (TVorsa::*)(std::string& Reply, const std::string& Marker);

/// Which of the component's queues keeps a report.
enum class ReportQueue : uint8_t { Notify, Sent, Receive };

struct UnsolicitedReport {
    std::string_view Marker;
    ReportCutter Cut;
    ReportQueue Queue;
    uint32_t WindowMessage;
};

inline constexpr std::array<UnsolicitedReport, 4> UnsolicitedReports{{
    // A new message was stored: memory and index.
    {"+CMTI: ", &TVorsa::Notify, ReportQueue::Notify, NotifyMessage},
    // A cell broadcast message was stored: memory and index.
    {"+CBMI: ", &TVorsa::Notify, ReportQueue::Notify, NotifyMessage},
    // A message was sent: its reference.
    {"+CMGS: ", &TVorsa::Notify, ReportQueue::Sent, SentMessage},
    // A message delivered directly: a header line, then the text, to the end of the reply
    // (or to the next delivered message, or to the final result of the reply).
    // ("+CMTI: " does not contain "+CMT: ", so the two never match each other.)
    {"+CMT: ", &TVorsa::NotifySMS, ReportQueue::Receive, ReceiveMessage},
}};

}  // namespace vorsa::detail
