#include "component/ReplyScan.h"

#include <algorithm>
#include <cctype>

#include "component/FinalResults.h"
#include "component/VendorLines.h"

namespace vorsa::detail {

namespace {

struct MessageHeader {
    std::string_view Marker;
    PayloadShape TextShape;
    PayloadShape PduShape;
};

// The answers that carry stored messages: one read, or a listing of many.
constexpr std::array<MessageHeader, 2> MessageHeaders{{
    {"+CMGR:", PayloadShape::ToFinal, PayloadShape::OneLine},
    {"+CMGL:", PayloadShape::ToNextEntry, PayloadShape::OneLine},
}};

bool IsBlankText(std::string_view Text) {
    return std::all_of(Text.begin(), Text.end(),
                       [](char C) { return static_cast<unsigned char>(C) <= 32; });
}

bool StartsWith(std::string_view Text, std::string_view Prefix) {
    return Text.substr(0, Prefix.size()) == Prefix;
}

bool SameCommand(std::string_view Line, std::string_view Command) {
    while (!Line.empty() && static_cast<unsigned char>(Line.back()) <= 32) {
        Line.remove_suffix(1);
    }
    return !Command.empty() && Line.size() == Command.size() &&
           std::equal(Line.begin(), Line.end(), Command.begin(), [](char A, char B) {
               return std::toupper(static_cast<unsigned char>(A)) ==
                      std::toupper(static_cast<unsigned char>(B));
           });
}

bool IsMultiLine(PayloadShape Shape) {
    return Shape == PayloadShape::ToNextEntry || Shape == PayloadShape::ToBoundary ||
           Shape == PayloadShape::ToFinal;
}

// Lines that end a directly delivered text-mode message when a blank line stands before
// them: what the modem says itself rather than what a sender wrote.
bool IsModemOutput(const ReplyLine& Line, std::string_view Text) {
    return Line.Role == LineRole::FinalResult || Line.Role == LineRole::Report ||
           Line.Role == LineRole::MessageHeader || Line.Role == LineRole::Vendor ||
           StartsWith(Text, "+") || StartsWith(Text, "^");
}

}  // namespace

PayloadShape MessageHeaderShape(std::string_view Line, bool TextMode) noexcept {
    for (const MessageHeader& Header : MessageHeaders) {
        if (StartsWith(Line, Header.Marker)) {
            return TextMode ? Header.TextShape : Header.PduShape;
        }
    }
    return PayloadShape::None;
}

ReplyScan::ReplyScan(std::string_view Raw, const ScanContext& Context)
    : FRaw(Raw), FTextMode(Context.TextMode) {
    Split();
    ClassifySurface(Context);
    ChooseFinal(Context.TextMode);
    if (Context.TextMode) {
        ExtendTextPayloads();
    }
    Judge();
}

void ReplyScan::Split() {
    size_t Start = 0;
    for (size_t I = 0; I < FRaw.size(); ++I) {
        const char C = FRaw[I];
        if (C != '\r' && C != '\n') {
            continue;
        }
        ReplyLine Line;
        Line.Begin = Start;
        Line.End = I;
        if (C == '\r' && I + 1 < FRaw.size() && FRaw[I + 1] == '\n') {
            ++I;
        }
        Line.Next = I + 1;
        FLines.push_back(Line);
        Start = I + 1;
    }
    FPartialBegin = Start;
}

// Each line by its own look, except the line after a message header, which is the
// message's (in PDU mode the first line that is neither blank nor a vendor's line).
void ReplyScan::ClassifySurface(const ScanContext& Context) {
    bool SeenContent = false;
    std::optional<size_t> Waiting;  // a header whose first payload line is still to come
    for (size_t I = 0; I < FLines.size(); ++I) {
        ReplyLine& Line = FLines[I];
        const std::string_view T = Text(Line);
        if (Waiting) {
            ReplyLine& Header = FLines[*Waiting];
            const bool OneLine = !Context.TextMode;
            if (OneLine && IsBlankText(T)) {
                Line.Role = LineRole::Blank;
                continue;
            }
            if (OneLine && IsVendorLine(T, Context.Command)) {
                Line.Role = LineRole::Vendor;
                continue;
            }
            Line.Role = LineRole::Payload;
            Header.FirstPayload = I;
            Header.PayloadEnd = I + 1;
            Waiting.reset();
            continue;
        }
        PayloadShape Shape = PayloadShape::None;
        if (IsBlankText(T)) {
            Line.Role = LineRole::Blank;
        } else if (!SeenContent && SameCommand(T, Context.Command)) {
            Line.Role = LineRole::Echo;
        } else if (MatchFinalResult(T)) {
            Line.Role = LineRole::FinalResult;
        } else if (const ReportKind* Kind = ReportTable::ForLine(T)) {
            Line.Role = LineRole::Report;
            Line.Kind = Kind;
            Shape = Kind->Shape(Context.TextMode);
        } else if ((Shape = MessageHeaderShape(T, Context.TextMode)) != PayloadShape::None) {
            Line.Role = LineRole::MessageHeader;
        } else if (IsVendorLine(T, Context.Command)) {
            Line.Role = LineRole::Vendor;
        } else {
            Line.Role = LineRole::Information;
        }
        if (Line.Role != LineRole::Blank && Line.Role != LineRole::Vendor) {
            SeenContent = true;
        }
        if (Shape != PayloadShape::None) {
            Line.PayloadEnd = I + 1;
            Waiting = I;
            FHasTextMessage = FHasTextMessage || IsMultiLine(Shape);
        }
    }
}

void ReplyScan::ChooseFinal(bool TextMode) {
    std::optional<size_t> Last;
    std::optional<size_t> LastFramed;
    bool Content = false;
    bool MessageBefore = false;  // a text-mode message starts before the line looked at
    bool MessageBeforeLast = false;
    for (size_t I = 0; I < FLines.size(); ++I) {
        const ReplyLine& Line = FLines[I];
        // The answer of a read or a listing follows what came before it: a final result
        // before it was left over from an earlier command.
        if (Line.Role == LineRole::MessageHeader) {
            Last.reset();
            LastFramed.reset();
        }
        if (Line.Role == LineRole::FinalResult) {
            Last = I;
            MessageBeforeLast = MessageBefore;
            if (!Content || FLines[I - 1].Role == LineRole::Blank) {
                LastFramed = I;
            }
        }
        if (Line.Role != LineRole::Blank && Line.Role != LineRole::Vendor &&
            Line.Role != LineRole::Echo) {
            Content = true;
        }
        MessageBefore = MessageBefore || (TextMode && IsMultiLine(ShapeOf(Line)));
    }
    if (FHasTextMessage && LastFramed) {
        FFinal = LastFramed;
        return;
    }
    FFinal = Last;
    FUncertain = FHasTextMessage && Last && MessageBeforeLast;
}

// A text-mode message runs on past its first line; a header or a final result it runs
// over is text.
void ReplyScan::ExtendTextPayloads() {
    for (size_t I = 0; I < FLines.size(); ++I) {
        ReplyLine& Header = FLines[I];
        if ((Header.Role != LineRole::MessageHeader && Header.Role != LineRole::Report) ||
            !Header.FirstPayload) {
            continue;
        }
        const std::string_view HeaderText = Text(Header);
        const PayloadShape Shape = ShapeOf(Header);
        if (!IsMultiLine(Shape)) {
            continue;
        }
        const std::string_view Marker = HeaderText.substr(0, HeaderText.find(':') + 1);
        size_t J = *Header.FirstPayload + 1;
        for (; J < FLines.size(); ++J) {
            if (FFinal && J == *FFinal) {
                break;
            }
            const std::string_view T = Text(FLines[J]);
            if (Shape == PayloadShape::ToNextEntry && StartsWith(T, Marker)) {
                break;
            }
            if (Shape == PayloadShape::ToBoundary && IsBlankText(Text(FLines[J - 1])) &&
                IsModemOutput(FLines[J], T)) {
                break;
            }
            FLines[J].Role = LineRole::Payload;
            FLines[J].Kind = nullptr;
            FLines[J].FirstPayload.reset();
        }
        Header.PayloadEnd = J;
    }
}

void ReplyScan::Judge() {
    if (FFinal) {
        const std::string_view T = Text(FLines[*FFinal]);
        FFailed = IsFailure(T);
        FErrorCode = FinalResultCode(T);
    }
    // Final results before a read's or a listing's answer were left over from before.
    size_t From = 0;
    for (size_t I = 0; I < FLines.size(); ++I) {
        if (FLines[I].Role == LineRole::MessageHeader) {
            From = I;
        }
    }
    for (size_t I = From; I < FLines.size(); ++I) {
        const std::string_view T = Text(FLines[I]);
        if (FLines[I].Role != LineRole::FinalResult || (FFinal && I == *FFinal) || !IsFailure(T)) {
            continue;
        }
        if (!FFailed) {
            FErrorCode = FinalResultCode(T);
        }
        FFailed = true;
    }
}

bool ReplyScan::LinesAfterFinal() const noexcept {
    if (!FFinal) {
        return false;
    }
    return std::any_of(FLines.begin() + static_cast<std::ptrdiff_t>(*FFinal) + 1, FLines.end(),
                       [](const ReplyLine& Line) { return Line.Role != LineRole::Blank; });
}

size_t ReplyScan::OpenTail() const noexcept {
    const bool HasPartial = !IsBlankText(Partial());
    for (size_t I = FLines.size(); I-- > 0;) {
        const ReplyLine& Line = FLines[I];
        const PayloadShape Shape = ShapeOf(Line);
        if (Shape == PayloadShape::None) {
            continue;
        }
        // A message still waiting for its first line, or a text-mode one that runs to the
        // end while a line of it is still coming in.
        if (!Line.FirstPayload ||
            (HasPartial && IsMultiLine(Shape) && Line.PayloadEnd >= FLines.size())) {
            return Line.Begin;
        }
        break;
    }
    return HasPartial ? FPartialBegin : FRaw.size();
}

PayloadShape ReplyScan::ShapeOf(const ReplyLine& Line) const noexcept {
    if (Line.Role == LineRole::MessageHeader) {
        return MessageHeaderShape(Text(Line), FTextMode);
    }
    if (Line.Role == LineRole::Report) {
        return Line.Kind->Shape(FTextMode);
    }
    return PayloadShape::None;
}

std::optional<size_t> ReplyScan::FindAnswer(std::string_view Prefix) const noexcept {
    for (size_t I = 0; I < FLines.size(); ++I) {
        const LineRole Role = FLines[I].Role;
        if (Role != LineRole::Payload && Role != LineRole::Echo &&
            StartsWith(Text(FLines[I]), Prefix)) {
            return I;
        }
    }
    return std::nullopt;
}

}  // namespace vorsa::detail
