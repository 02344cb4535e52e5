// The reply collector: joins what the modem sends after a command, poll by poll, until the
// reply is complete or the read time-out passes; cuts the modem's unsolicited reports out
// of it into the component's queues; and latches the error the reply carries.
#include <cstdint>
#include <limits>
#include <string>

#include "LinePause.h"
#include "TrailingReports.h"
#include "UnsolicitedReports.h"
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
    // The report runs to the first blank line of the reply. When that blank line stands
    // before the marker the length comes out negative: the report is empty and nothing
    // is cut.
    const int64_t BlankAt = Pos(BlankLine, Reply);
    const int64_t Length = BlankAt != 0 ? BlankAt - MarkerAt : static_cast<int64_t>(Reply.size());
    std::string Report = Copy(Reply, MarkerAt, Length);
    Delete(Reply, CutStart(MarkerAt), Length + 2);
    return Report;
}

std::string TVorsa::NotifySMS(std::string& Reply, const std::string& Marker) {
    const int64_t MarkerAt = Pos(Marker, Reply);
    if (MarkerAt == 0) {
        return "";
    }
    // A delivered message is a header line and a text that may hold anything, so the
    // report takes the rest of the reply with it.
    std::string Report = Copy(Reply, MarkerAt, WholeRest);
    Delete(Reply, CutStart(MarkerAt), WholeRest);
    return Report;
}

void TVorsa::ProcessNot(const std::string& Report, uint32_t Msg, TStringList& Queue) {
    Queue.Add(Report);
    // One posted message stands for one queue entry; a failed post (no window in design
    // state) leaves the entry for a later message.
    (void)PostMessageA(TimerWindow, Msg, 0, 0);
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

    // Cuts reports out of Text into their queues, in the order of the table: the first
    // report of each kind, or, with Every, every report.
    const auto CutReports = [this](std::string& Text, bool Every) {
        for (const detail::UnsolicitedReport& Kind : detail::UnsolicitedReports) {
            const std::string Marker(Kind.Marker);
            while (Pos(Marker, Text) != 0) {
                const std::string Report = (this->*Kind.Cut)(Text, Marker);
                // A blank line in front of the marker yields an empty report: there is
                // nothing to announce, and an empty entry would only confuse the window
                // procedure.
                if (Report.empty()) {
                    break;
                }
                TStringList& Queue = Kind.Queue == detail::ReportQueue::Notify ? NotifyQueue
                                     : Kind.Queue == detail::ReportQueue::Sent ? SentQueue
                                                                               : ReceiveQueue;
                ProcessNot(Report, Kind.WindowMessage, Queue);
                if (!Every) {
                    break;
                }
            }
        }
    };
    CutReports(Reply, false);
    // After the final result nothing but reports comes, so all of them are cut; what might
    // be left that is not one stays in the reply.
    CutReports(Trailing, true);
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
