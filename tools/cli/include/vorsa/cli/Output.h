// Where the tool's words go. Results and events go to standard output: as text for a
// person, or with --json as one JSON object per line. Errors, notes, the AT dialogue of
// -v and the progress line go to standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "vorsa/cli/Json.h"

namespace vorsa::cli {

class Output {
  public:
    /// `progress`: show the one-line progress indication (the caller has checked that
    /// both streams are terminals and that neither --json nor -v is given).
    Output(bool json, bool progress, std::FILE* out = stdout, std::FILE* err = stderr);

    [[nodiscard]] bool Json() const { return json_; }
    [[nodiscard]] bool ProgressOn() const { return progress_; }

    /// A result or an event: `json` with --json, else `text` (nothing when it is empty).
    /// `text` may hold several lines; a line break is added at its end.
    void Emit(const JsonObject& json, const std::string& text);
    /// An error: "vorsa: error CODE: MESSAGE" on standard error, and with --json also an
    /// {"type":"error"} object on standard output.
    void Error(int32_t code, const std::string& message);
    /// "vorsa: TEXT" on standard error.
    void Note(const std::string& text);
    /// One piece of the line dialogue, as -v shows it: the time since the start, the
    /// direction ("->" to the modem, "<-" from it) and the bytes with control bytes escaped.
    void Trace(bool outgoing, const std::string& bytes);

    /// Shows (or replaces) the progress line; does nothing unless progress is on.
    void Progress(const std::string& line);
    /// Removes the progress line.
    void EndProgress();

  private:
    void ClearProgressLine();

    bool json_;
    bool progress_;
    bool progressShown_ = false;
    std::FILE* out_;
    std::FILE* err_;
    std::chrono::steady_clock::time_point start_;
};

/// Bytes with CR, LF, tab, backslash and every byte outside printable ASCII escaped
/// ("\r", "\n", "\t", "\\", "\xHH").
[[nodiscard]] std::string EscapedBytes(const std::string& bytes);

}  // namespace vorsa::cli
