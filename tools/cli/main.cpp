// vorsa: send, read, list and delete SMS from the shell, through the TVorsa component.
#include <string>
#include <vector>

#include "vorsa/cli/Run.h"

int main(int argc, char** argv) {
    return vorsa::cli::Run(std::vector<std::string>(argv + 1, argv + argc));
}
