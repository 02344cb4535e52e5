// Splits what a modem sends into lines and says what each one is, without any I/O:
// bytes go in, classified lines come out. The terminal side of the simulator's tests and
// tools use it to wait for a final result, a prompt or a report.
//
// The line after a +CMGR:, +CMGL:, +CMT:, +CBM: or +CDS: header is the message itself: it
// is handed out as Payload and never classified, so a text that reads "OK" does not end a
// reply.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorsa::sim {

struct ModemLine {
    enum class Kind {
        Information,  // a response line ("+CMGF: 1", "Vorsa") or an echoed command
        Payload,      // the message line after a +CMGR/+CMGL/+CMT header
        FinalResult,  // OK, ERROR, +CMS ERROR: n, +CME ERROR: n, NO CARRIER...
        Report,       // an unsolicited report: +CMTI:, +CMT:, +CDSI:, RING...
        Prompt,       // "> ", waiting for a message
    };
    Kind kind = Kind::Information;
    std::string text;  // without the line end

    bool operator==(const ModemLine& other) const {
        return kind == other.kind && text == other.text;
    }
};

class LineSplitter {
  public:
    /// The lines the bytes complete. NUL bytes are dropped; a line ends at LF, and the CRs
    /// around it are not part of it. Empty lines are skipped, except as a payload.
    [[nodiscard]] std::vector<ModemLine> Feed(std::string_view bytes);
    /// Bytes of a line not ended yet.
    [[nodiscard]] const std::string& Pending() const { return buffer_; }
    void Reset();

    /// The kind a line has on its own (never Payload or Prompt).
    [[nodiscard]] static ModemLine::Kind Classify(std::string_view line);

  private:
    std::string buffer_;
    bool expectPayload_ = false;
};

}  // namespace vorsa::sim
