// The reply collector: joins what the modem sends after a command, poll by poll, until the
// reply is complete or the read time-out passes; cuts the modem's unsolicited reports out
// of it into the component's queues; and latches the error the reply carries.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "component/LinePause.h"
#include "component/TrailingReports.h"
#include "component/UnsolicitedReports.h"
#include "platform/PostToWindow.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string LineBreak = "\r\n";
const std::string BlankLine = "\r\n\r\n";
const std::string FinalOk = "OK";
const std::string FinalError = "ERROR";
const std::string CmsError = "+CMS ERROR: ";

constexpr int64_t WholeRest = std::numeric_limits<int64_t>::max();

bool IsComplete(const std::string& Reply) {
    return endWith(Reply, FinalOk) || endWith(Reply, FinalError) || Pos(CmsError, Reply) > 0;
}

// Where a cut starts: at the line break in front of the marker, or at the marker itself
// when no whole line break can stand in front of it.
int64_t CutStart(int64_t MarkerAt) {
    return MarkerAt > 2 ? MarkerAt - 2 : MarkerAt;
}

}  // namespace

std::string TVorsa::Notify(std::string& Reply, const std::string& Marker) {
    const int64_t MarkerAt = Pos(Marker, Reply);
    if (MarkerAt == 0) {
        return "";
    }
    // A line report is one line: from its marker to the line break after it, or to the end
    // of the reply. A second report on the next line is a report of its own, and a final
    // "OK" or "ERROR" that the collector joined to the line (it trims every piece it reads)
    // belongs to the reply, not to the report.
    const size_t Start = static_cast<size_t>(MarkerAt - 1);
    const size_t LineEnd = std::min(Reply.find(LineBreak, Start), Reply.size());
    std::string Report = Reply.substr(Start, LineEnd - Start);
    std::string Final;
    for (const std::string& Result : {FinalOk, FinalError}) {
        if (endWith(Report, Result)) {
            Report.resize(Report.size() - Result.size());
            Final = Result;
            break;
        }
    }
    // The cut takes the line break in front of the report with it, or, when the report
    // starts the reply, the line break after it.
    const size_t CutFrom = static_cast<size_t>(CutStart(MarkerAt) - 1);
    const size_t CutTo =
        CutFrom < Start ? LineEnd : std::min(LineEnd + LineBreak.size(), Reply.size());
    Reply = Reply.substr(0, CutFrom) + Final + Reply.substr(CutTo);
    return Report;
}

std::string TVorsa::NotifySMS(std::string& Reply, const std::string& Marker) {
    const int64_t MarkerAt = Pos(Marker, Reply);
    if (MarkerAt == 0) {
        return "";
    }
    // A delivered message is a header line and a text that may hold anything, even line
    // breaks, so the report runs to the end of the reply, with two exceptions that keep
    // what is not part of it: a further delivered message, which starts a line with the
    // marker, is a report of its own; and the final result of the command that collected
    // the reply ("OK", "ERROR") stays in the reply, where the exchange judges it.
    std::string Rest = Copy(Reply, MarkerAt, WholeRest);
    std::string Kept;
    const int64_t NextReport = Pos(LineBreak + Marker, Rest);
    if (NextReport != 0) {
        Kept = Copy(Rest, NextReport + 2, WholeRest);
        Rest.resize(static_cast<size_t>(NextReport - 1));
    } else {
        const size_t LastBreak = Rest.rfind(LineBreak);
        const std::string LastLine =
            LastBreak == std::string::npos ? "" : Rest.substr(LastBreak + LineBreak.size());
        if (LastLine == FinalOk || LastLine == FinalError || startWith(LastLine, CmsError)) {
            Kept = LastLine;
            Rest.resize(LastBreak);
        }
    }
    while (endWith(Rest, LineBreak)) {
        Rest.resize(Rest.size() - LineBreak.size());
    }
    Delete(Reply, CutStart(MarkerAt), WholeRest);
    if (!Kept.empty()) {
        while (endWith(Reply, LineBreak)) {
            Reply.resize(Reply.size() - LineBreak.size());
        }
        Reply += (Reply.empty() ? "" : BlankLine) + Kept;
    }
    return Rest;
}

void TVorsa::ProcessNot(const std::string& Report, uint32_t Msg, TStringList& Queue) {
    Queue.Add(Report);
    // One posted message stands for one queue entry; a failed post (no window in design
    // state) leaves the entry for a later message.
    (void)detail::PostToWindow(TimerWindow, Msg, 0, 0);
}

// Every report is cut out into its queue, kind by kind in the order of the table: a report
// left in the text would never be announced.
void TVorsa::CutUnsolicitedReports(std::string& Text) {
    for (const detail::UnsolicitedReport& Kind : detail::UnsolicitedReports) {
        const std::string Marker(Kind.Marker);
        while (Pos(Marker, Text) != 0) {
            const std::string Report = (this->*Kind.Cut)(Text, Marker);
            if (Report.empty()) {
                break;
            }
            TStringList& Queue = Kind.Queue == detail::ReportQueue::Notify ? NotifyQueue
                                 : Kind.Queue == detail::ReportQueue::Sent ? SentQueue
                                                                           : ReceiveQueue;
            ProcessNot(Report, Kind.WindowMessage, Queue);
        }
    }
}

bool TVorsa::IsPromptAfterReports(std::string& Text) {
    if (!endWith(Text, ">")) {
        return false;
    }
    std::string Before = Text.substr(0, Text.size() - 1);
    CutUnsolicitedReports(Before);
    Text = Before + ">";
    return Trim(Before).empty();
}

std::string TVorsa::ReadString() {
    std::string Reply;
    const uint32_t Start = GetTickCount();
    const uint64_t Limit = static_cast<uint64_t>(ReadTimeout) * 1000u;
    bool TimedOut = false;
    for (;;) {
        // Each poll takes only what already waits, trimmed at both ends: a line break
        // that falls between two polls is lost.
        const std::string Piece = TComPortDriver::ReadString();
        Reply += Piece;
        if (Piece.empty()) {
            while (endWith(Reply, LineBreak)) {
                Reply.resize(Reply.size() - LineBreak.size());
            }
        }
        Sleep(detail::PollStep(Baud));
        // The time-out counts from the start, not from the last byte: a reply still
        // trickling in is cut short.
        if (static_cast<uint32_t>(GetTickCount() - Start) > Limit) {
            SetSMSError(ErrReadTimeout);
            TimedOut = true;
            break;
        }
        // Reports sent after the final result end the reply too, once a poll has found
        // the line quiet: a report read in part would otherwise be cut in two.
        if (IsComplete(Reply) || (Piece.empty() && detail::EndsInReportsAfterFinalResult(Reply))) {
            break;
        }
    }

    // Reports the modem held while the command ran and sent after its final result are cut
    // off the reply first; the reply proper then ends with its final result.
    std::string Trailing = detail::SplitOffTrailingReports(Reply);

    CutUnsolicitedReports(Reply);
    CutUnsolicitedReports(Trailing);
    if (!Trim(Trailing).empty()) {
        Reply += LineBreak + LineBreak + Trim(Trailing);
    }

    if (startWith(Reply, LineBreak)) {
        Reply.erase(0, LineBreak.size());
    }

    if (endWith(Reply, FinalError)) {
        SetSMSError(ErrModemError);
    } else if (!TimedOut) {
        const int64_t CmsAt = Pos(CmsError, Reply);
        if (CmsAt != 0) {
            const std::string Code =
                Trim(Copy(Reply, CmsAt + static_cast<int64_t>(CmsError.size()), WholeRest));
            // A code that is not a whole number (or no code at all) still marks a failed
            // reply; it must not end the exchange with a conversion error.
            try {
                SetSMSError(StrToInt(Code));
            } catch (const EConvertError&) {
                SetSMSError(ErrModemError);
            }
        }
    }
    return Reply;
}

}  // namespace vorsa
