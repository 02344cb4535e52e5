#include "Terminal.h"

#include <signal.h>
#include <unistd.h>

namespace vorsa::cli {

void PrepareStandardStreams() {
    ::signal(SIGPIPE, SIG_IGN);
}

bool IsTerminal(Stream which) {
    switch (which) {
        case Stream::Input:
            return ::isatty(STDIN_FILENO) != 0;
        case Stream::Output:
            return ::isatty(STDOUT_FILENO) != 0;
        case Stream::Error:
            return ::isatty(STDERR_FILENO) != 0;
    }
    return false;
}

bool EnableLineRedraw() {
    return true;  // terminals take the sequences as they are
}

const char* EndOfInputKeys() {
    return "Ctrl-D";
}

}  // namespace vorsa::cli
