#include "Terminal.h"

#include <windows.h>

namespace vorsa::cli {

namespace {

HANDLE HandleOf(Stream which) {
    switch (which) {
        case Stream::Input:
            return ::GetStdHandle(STD_INPUT_HANDLE);
        case Stream::Output:
            return ::GetStdHandle(STD_OUTPUT_HANDLE);
        case Stream::Error:
            return ::GetStdHandle(STD_ERROR_HANDLE);
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

void PrepareStandardStreams() {
    // A pipe whose reader went away fails the write; there is no signal to ignore.
}

bool IsTerminal(Stream which) {
    // A console answers its mode; files, pipes and the NUL device do not (unlike _isatty,
    // which takes NUL for a terminal).
    DWORD mode = 0;
    return ::GetConsoleMode(HandleOf(which), &mode) != FALSE;
}

bool EnableLineRedraw() {
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
    constexpr DWORD ENABLE_VIRTUAL_TERMINAL_PROCESSING = 0x0004;
#endif
    const HANDLE console = HandleOf(Stream::Error);
    DWORD mode = 0;
    return ::GetConsoleMode(console, &mode) != FALSE &&
           ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != FALSE;
}

const char* EndOfInputKeys() {
    return "Ctrl-Z, then Enter";
}

}  // namespace vorsa::cli
