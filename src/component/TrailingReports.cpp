#include "component/TrailingReports.h"

#include "component/UnsolicitedReports.h"

namespace vorsa::detail {

namespace {

const std::string kLineBreak = "\r\n";

bool IsFinalResultLine(const std::string& Line) {
    return Line == "OK" || Line == "ERROR" || Line.rfind("+CMS ERROR: ", 0) == 0;
}

// Where the trailing reports start: the first report marker that begins a line and has
// only line breaks between itself and a final result line before it. npos when none.
std::string::size_type TrailingReportsStart(const std::string& Reply) {
    for (std::string::size_type At = Reply.find(kLineBreak); At != std::string::npos;
         At = Reply.find(kLineBreak, At + kLineBreak.size())) {
        const std::string::size_type LineStart = At + kLineBreak.size();
        bool StartsReport = false;
        for (const UnsolicitedReport& Kind : UnsolicitedReports) {
            StartsReport =
                StartsReport || Reply.compare(LineStart, Kind.Marker.size(), Kind.Marker) == 0;
        }
        if (!StartsReport) {
            continue;
        }
        std::string::size_type End = At;
        while (End >= kLineBreak.size() &&
               Reply.compare(End - kLineBreak.size(), kLineBreak.size(), kLineBreak) == 0) {
            End -= kLineBreak.size();
        }
        const std::string::size_type PreviousBreak =
            End == 0 ? std::string::npos : Reply.rfind(kLineBreak, End - 1);
        const std::string::size_type PreviousStart =
            PreviousBreak == std::string::npos ? 0 : PreviousBreak + kLineBreak.size();
        if (PreviousStart <= End &&
            IsFinalResultLine(Reply.substr(PreviousStart, End - PreviousStart))) {
            return LineStart;
        }
    }
    return std::string::npos;
}

}  // namespace

bool EndsInReportsAfterFinalResult(const std::string& Reply) {
    return TrailingReportsStart(Reply) != std::string::npos;
}

std::string SplitOffTrailingReports(std::string& Reply) {
    const std::string::size_type Start = TrailingReportsStart(Reply);
    if (Start == std::string::npos) {
        return "";
    }
    std::string Reports = Reply.substr(Start);
    Reply.resize(Start);
    while (Reply.size() >= kLineBreak.size() &&
           Reply.compare(Reply.size() - kLineBreak.size(), kLineBreak.size(), kLineBreak) == 0) {
        Reply.resize(Reply.size() - kLineBreak.size());
    }
    return Reports;
}

}  // namespace vorsa::detail
