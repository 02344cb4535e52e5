// What the bytes of one reply are, line by line, without any I/O: which line is the final
// result, which lines are reports of the modem's own and which are the messages that a
// listing or a read brings.
//
// A line ends at CR, at LF, or at CR LF. The line right after the header of a message
// (+CMGR:, +CMGL:, +CMT:) is that message's text or PDU and is never taken for anything
// else, whatever it reads: "OK", "> ", "+CMTI: ...". In PDU mode the message is that one
// line. In text mode a message may run over several lines, so it runs on to the final
// result (+CMGR:), to the next listed message (+CMGL:), or to a blank line followed by
// modem output (+CMT:). When text mode leaves two lines that could be the final result, the
// one framed by the blank line that modems put before a final result wins, and the last
// of them; a final result without that frame after a message counts as uncertain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "component/UnsolicitedReports.h"

namespace vorsa::detail {

enum class LineRole : uint8_t {
    Blank,
    Echo,           ///< the command line, echoed by the modem
    Vendor,         ///< a vendor's line about radio or power state (VendorLines.h)
    Information,    ///< an answer line, or anything not known
    FinalResult,    ///< a line of the final result table
    Report,         ///< a line of the report table
    MessageHeader,  ///< +CMGR: or +CMGL:
    Payload,        ///< a message's text or PDU
};

struct ReplyLine {
    size_t Begin = 0;  ///< the text, in the raw reply
    size_t End = 0;
    size_t Next = 0;  ///< after the line break
    LineRole Role = LineRole::Information;
    const ReportKind* Kind = nullptr;  ///< of a Report line
    /// Of a line that starts a message (a header, or a report with a payload): its payload
    /// is the lines after it, up to the line of this index.
    size_t PayloadEnd = 0;
    /// ... and the index of its first payload line, when there is one.
    std::optional<size_t> FirstPayload;
};

struct ScanContext {
    bool TextMode = true;
    /// The command line written, without its line end ("" for none): its echo is known.
    std::string_view Command;
};

class ReplyScan {
  public:
    ReplyScan(std::string_view Raw, const ScanContext& Context);

    [[nodiscard]] const std::vector<ReplyLine>& Lines() const noexcept { return FLines; }
    [[nodiscard]] bool TextMode() const noexcept { return FTextMode; }
    [[nodiscard]] std::string_view Text(const ReplyLine& Line) const noexcept {
        return FRaw.substr(Line.Begin, Line.End - Line.Begin);
    }
    /// The bytes after the last line break; empty when every line is complete.
    [[nodiscard]] std::string_view Partial() const noexcept { return FRaw.substr(FPartialBegin); }
    [[nodiscard]] size_t PartialBegin() const noexcept { return FPartialBegin; }

    /// The index of the line that is the reply's final result.
    [[nodiscard]] std::optional<size_t> Final() const noexcept { return FFinal; }
    /// The final result stands right after a text-mode message without the blank line
    /// before it: it may be the message's last line, and the message may go on.
    [[nodiscard]] bool Uncertain() const noexcept { return FUncertain; }
    /// A text-mode message whose end only the final result can tell.
    [[nodiscard]] bool HasTextMessage() const noexcept { return FHasTextMessage; }
    /// Lines other than blank ones follow the final result.
    [[nodiscard]] bool LinesAfterFinal() const noexcept;
    /// Where a reply that must be taken as it stands should stop, so that a report or
    /// message whose line is not complete yet is kept whole for the next reply: the
    /// partial line, or the header of a message whose first line has not come in full.
    [[nodiscard]] size_t OpenTail() const noexcept;

    /// The code the reply's final result latches (0: none), and whether it failed: a
    /// failing final result anywhere outside the messages fails the reply, and the final
    /// result's own code wins over the first failing line's.
    [[nodiscard]] bool Failed() const noexcept { return FFailed; }
    [[nodiscard]] int32_t ErrorCode() const noexcept { return FErrorCode; }

    /// The first line outside the messages that begins with Prefix.
    [[nodiscard]] std::optional<size_t> FindAnswer(std::string_view Prefix) const noexcept;

  private:
    void Split();
    void ClassifySurface(const ScanContext& Context);
    void ChooseFinal(bool TextMode);
    void ExtendTextPayloads();
    void Judge();
    /// What follows the line when it starts a message; None for any other line.
    [[nodiscard]] PayloadShape ShapeOf(const ReplyLine& Line) const noexcept;

    std::string_view FRaw;
    bool FTextMode;
    std::vector<ReplyLine> FLines;
    size_t FPartialBegin = 0;
    std::optional<size_t> FFinal;
    bool FUncertain = false;
    bool FHasTextMessage = false;
    bool FFailed = false;
    int32_t FErrorCode = 0;
};

/// The payload shape of a message header line (+CMGR:, +CMGL:), or None.
[[nodiscard]] PayloadShape MessageHeaderShape(std::string_view Line, bool TextMode) noexcept;

}  // namespace vorsa::detail
