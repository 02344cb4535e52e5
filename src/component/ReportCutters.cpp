// The two classic cutters, Notify and NotifySMS: string operations that take one report
// out of a reply text by its marker. The reply collector no longer uses them (it cuts by
// lines, see ReplyScan and ReplyDissect); they stay for the applications that call them.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string LineBreak = "\r\n";
const std::string BlankLine = "\r\n\r\n";
const std::string FinalOk = "OK";
const std::string FinalError = "ERROR";
const std::string CmsError = "+CMS ERROR: ";

constexpr int64_t WholeRest = std::numeric_limits<int64_t>::max();

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

}  // namespace vorsa
