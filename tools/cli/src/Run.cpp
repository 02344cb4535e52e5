#include "vorsa/cli/Run.h"

#include <signal.h>
#include <unistd.h>

#include "Session.h"
#include "vorsa/cli/CommandLine.h"
#include "vorsa/cli/Output.h"

namespace vorsa::cli {

int Run(const std::vector<std::string>& arguments) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.options) {
        return parsed.exitStatus;
    }
    const Options& options = *parsed.options;
    // A reader that goes away (vorsa ... | head) ends the output, not the program with
    // the modem half-way through an exchange.
    ::signal(SIGPIPE, SIG_IGN);
    const bool terminals = ::isatty(STDOUT_FILENO) != 0 && ::isatty(STDERR_FILENO) != 0;
    Output out(options.json, terminals && !options.json && !options.verbose);
    Session session(options, out);
    return session.Run();
}

}  // namespace vorsa::cli
