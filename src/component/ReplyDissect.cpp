#include "component/ReplyDissect.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "vorsa/Framework.h"

namespace vorsa::detail {

namespace {

const std::string kBlankLine = "\r\n\r\n";

bool IsBlank(char C) {
    return static_cast<unsigned char>(C) <= 32;
}

// The reply text while lines are cut out of it, with the raw position of each character
// left, so that a line found in the raw reply is found in the text however much was cut.
class CutText {
  public:
    explicit CutText(std::string_view Raw) {
        const auto First = std::find_if_not(Raw.begin(), Raw.end(), IsBlank);
        const auto Last = std::find_if_not(Raw.rbegin(), Raw.rend(), IsBlank).base();
        for (auto It = First; It < Last; ++It) {
            FText += *It;
            FRaw.push_back(static_cast<size_t>(It - Raw.begin()));
        }
    }

    // A vendor's line or the echo, as if it had never come: with the line break in front
    // of it and the one after it, or at the very start with the two after it (its own, and
    // the one that frames the next line).
    void CutAside(size_t RawBegin, size_t RawEnd) {
        const std::optional<size_t> At = Find(RawBegin);
        if (!At) {
            return;
        }
        const size_t End = std::min(*At + (RawEnd - RawBegin), FText.size());
        const size_t Before = BreakBefore(*At);
        size_t To = End + BreakAfter(End);
        if (Before == 0) {
            To += BreakAfter(To);
        }
        Erase(*At - Before, To);
    }

    // A line of a report: with the line break in front of it, or at the very start with the
    // one after it.
    void CutLine(size_t RawBegin, size_t RawEnd) {
        const std::optional<size_t> At = Find(RawBegin);
        if (!At) {
            return;
        }
        const size_t End = std::min(*At + (RawEnd - RawBegin), FText.size());
        const size_t Before = BreakBefore(*At);
        if (Before > 0) {
            Erase(*At - Before, End);
        } else {
            Erase(*At, End + BreakAfter(End));
        }
    }

    // A report with a message: from the line break in front of it to the end; what comes
    // after the message (from KeptFrom) is joined back after a blank line.
    void CutMessage(size_t RawBegin, std::optional<size_t> KeptFrom) {
        const std::optional<size_t> At = Find(RawBegin);
        if (!At) {
            return;
        }
        const size_t Start = *At - BreakBefore(*At);
        const std::optional<size_t> Kept = KeptFrom ? Find(*KeptFrom) : std::nullopt;
        if (!Kept || *Kept < *At) {
            Erase(Start, FText.size());
            return;
        }
        size_t LeftEnd = Start;
        while (LeftEnd >= 2 && FText.compare(LeftEnd - 2, 2, "\r\n") == 0) {
            LeftEnd -= 2;
        }
        const std::string Separator = LeftEnd == 0 ? "" : kBlankLine;
        const size_t KeptRaw = FRaw[*Kept];
        Erase(LeftEnd, *Kept);
        FText.insert(LeftEnd, Separator);
        // The separator stands just before what is kept, in the order of raw positions.
        FRaw.insert(FRaw.begin() + static_cast<std::ptrdiff_t>(LeftEnd), Separator.size(),
                    KeptRaw - 1);
    }

    std::string Finish() {
        if (FText.compare(0, 2, "\r\n") == 0) {
            FText.erase(0, 2);
        }
        while (!FText.empty() && (FText.back() == '\r' || FText.back() == '\n')) {
            FText.pop_back();
        }
        return FText;
    }

  private:
    std::optional<size_t> Find(size_t RawPosition) const {
        const auto It = std::lower_bound(FRaw.begin(), FRaw.end(), RawPosition);
        if (It == FRaw.end() || *It != RawPosition) {
            return std::nullopt;
        }
        return static_cast<size_t>(It - FRaw.begin());
    }
    size_t BreakBefore(size_t At) const {
        if (At >= 1 && FText[At - 1] == '\n') {
            return At >= 2 && FText[At - 2] == '\r' ? 2 : 1;
        }
        return At >= 1 && FText[At - 1] == '\r' ? 1 : 0;
    }
    size_t BreakAfter(size_t End) const {
        if (End < FText.size() && FText[End] == '\r') {
            return End + 1 < FText.size() && FText[End + 1] == '\n' ? 2 : 1;
        }
        return End < FText.size() && FText[End] == '\n' ? 1 : 0;
    }
    void Erase(size_t From, size_t To) {
        FText.erase(From, To - From);
        FRaw.erase(FRaw.begin() + static_cast<std::ptrdiff_t>(From),
                   FRaw.begin() + static_cast<std::ptrdiff_t>(To));
    }

    std::string FText;
    std::vector<size_t> FRaw;
};

std::string WithoutTrailingBreaks(std::string Text) {
    while (!Text.empty() && (Text.back() == '\r' || Text.back() == '\n')) {
        Text.pop_back();
    }
    return Text;
}

}  // namespace

void Dissect(std::string_view Raw, const ReplyScan& Scan, ReplyOutcome& Out) {
    const std::vector<ReplyLine>& Lines = Scan.Lines();
    // Where the line of index I begins; the end of the reply past the last line.
    const auto BeginOf = [&](size_t I) { return I < Lines.size() ? Lines[I].Begin : Raw.size(); };
    // What follows a message: the line that ended it, if any.
    const auto After = [&](const ReplyLine& Line) -> std::optional<size_t> {
        if (Line.PayloadEnd < Lines.size()) {
            return Lines[Line.PayloadEnd].Begin;
        }
        return std::nullopt;
    };

    CutText Text(Raw);
    for (const ReplyLine& Line : Lines) {
        if (Line.Role == LineRole::Echo || Line.Role == LineRole::Vendor) {
            Text.CutAside(Line.Begin, Line.End);
        }
    }
    for (const ReportKind& Kind : ReportTable::Kinds) {
        for (const ReplyLine& Line : Lines) {
            if (Line.Role != LineRole::Report || Line.Kind != &Kind) {
                continue;
            }
            if (Kind.Shape(Scan.TextMode()) == PayloadShape::None) {
                Out.Reports.emplace_back(&Kind, std::string(Scan.Text(Line)));
                Text.CutLine(Line.Begin, Line.End);
                continue;
            }
            std::string Entry;
            if (Scan.TextMode()) {
                Entry = std::string(Raw.substr(Line.Begin, BeginOf(Line.PayloadEnd) - Line.Begin));
            } else {
                Entry = std::string(Scan.Text(Line));
                if (Line.FirstPayload) {
                    Entry += "\r\n" + std::string(Scan.Text(Lines[*Line.FirstPayload]));
                }
            }
            Out.Reports.emplace_back(&Kind, WithoutTrailingBreaks(std::move(Entry)));
            Text.CutMessage(Line.Begin, After(Line));
        }
    }
    Out.Text = Text.Finish();

    for (size_t I = 0; I < Lines.size(); ++I) {
        const ReplyLine& Line = Lines[I];
        if (Line.Role != LineRole::MessageHeader) {
            continue;
        }
        ReplyMessage Message;
        Message.Header = std::string(Scan.Text(Line));
        Message.Body = std::string(Raw.substr(Line.Next, BeginOf(Line.PayloadEnd) - Line.Next));
        if (Line.FirstPayload) {
            Message.Pdu = Trim(std::string(Scan.Text(Lines[*Line.FirstPayload])));
        } else if (I + 1 == Lines.size()) {
            Message.Pdu = Trim(std::string(Scan.Partial()));  // cut short by the time-out
        }
        Message.Complete =
            Scan.TextMode() ? Line.PayloadEnd < Lines.size() : Line.FirstPayload.has_value();
        Out.Messages.push_back(std::move(Message));
    }
}

}  // namespace vorsa::detail
