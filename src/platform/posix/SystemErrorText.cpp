// Texts of errno values.
#include <system_error>

#include "vorsa/Framework.h"

namespace vorsa {

std::string SysErrorMessage(int32_t Code) {
    // The system category reads the text with the thread-safe strerror_r.
    return std::system_category().message(Code);
}

}  // namespace vorsa
