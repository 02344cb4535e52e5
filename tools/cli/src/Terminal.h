// What the tool needs to know about its standard streams.
#pragma once

namespace vorsa::cli {

enum class Stream { Input, Output, Error };

/// Gets the standard streams ready: on POSIX a reader that goes away (vorsa ... | head)
/// ends the output, not the program with the modem half-way through an exchange.
void PrepareStandardStreams();

/// Whether the stream is a terminal (on Windows, a console).
[[nodiscard]] bool IsTerminal(Stream which);

/// Makes the terminal of the error stream take the escape sequences that redraw the
/// progress line; false when it cannot (a Windows console older than Windows 10).
[[nodiscard]] bool EnableLineRedraw();

/// The keys that end typed input, for the hint to a person at the terminal.
[[nodiscard]] const char* EndOfInputKeys();

}  // namespace vorsa::cli
