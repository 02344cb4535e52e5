// Windows has no pseudo-terminals for the simulated modem to serve: the tool there talks to
// a COM port only.
#include "BuiltInModem.h"

namespace vorsa::cli {

std::unique_ptr<BuiltInModem> BuiltInModem::Start(std::string& error) {
    error =
        "the built-in simulated modem needs a POSIX system (it serves a pseudo-terminal); "
        "give -p COMn for a modem on a COM port";
    return nullptr;
}

}  // namespace vorsa::cli
