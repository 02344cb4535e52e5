// vorsa: send, read, list and delete SMS from the shell, through the TVorsa component; and
// `vorsa gateway`, the SMS gateway service.
#include <string>
#include <vector>

#include "vorsa/cli/Run.h"
#include "vorsa/gateway/Command.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (vorsa::gateway::IsGatewayCommand(arguments)) {
        return vorsa::gateway::RunGatewayCommand(arguments);
    }
    return vorsa::cli::Run(arguments);
}
