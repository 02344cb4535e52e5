// vorsa: send, read, list and delete SMS from the shell, through the TVorsa component; and
// `vorsa gateway`, the SMS gateway service (POSIX systems).
#include <string>
#include <vector>

#include "vorsa/cli/Run.h"
#ifdef VORSA_WITH_GATEWAY
#include "vorsa/gateway/Command.h"
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
#ifdef VORSA_WITH_GATEWAY
    if (vorsa::gateway::IsGatewayCommand(arguments)) {
        return vorsa::gateway::RunGatewayCommand(arguments);
    }
#endif
    return vorsa::cli::Run(arguments);
}
