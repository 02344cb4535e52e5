#include "vorsa/cli/Run.h"

#include "Session.h"
#include "Terminal.h"
#include "vorsa/cli/CommandLine.h"
#include "vorsa/cli/Output.h"

namespace vorsa::cli {

int Run(const std::vector<std::string>& arguments) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.options) {
        return parsed.exitStatus;
    }
    const Options& options = *parsed.options;
    PrepareStandardStreams();
    const bool progress = !options.json && !options.verbose && IsTerminal(Stream::Output) &&
                          IsTerminal(Stream::Error) && EnableLineRedraw();
    Output out(options.json, progress);
    Session session(options, out);
    return session.Run();
}

}  // namespace vorsa::cli
