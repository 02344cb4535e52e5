#include "platform/posix/ArbitraryBaud.h"

#include <cerrno>

#if defined(__linux__)
#include <asm/termbits.h>
#include <sys/ioctl.h>
#endif

namespace vorsa::detail {

#if defined(__linux__) && defined(TCGETS2) && defined(BOTHER)

bool SetArbitraryBaud(int Fd, uint32_t Rate) {
    termios2 Line{};
    if (ioctl(Fd, TCGETS2, &Line) != 0) {
        return false;
    }
    Line.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    Line.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    Line.c_ispeed = Rate;
    Line.c_ospeed = Rate;
    return ioctl(Fd, TCSETS2, &Line) == 0;
}

bool ReadExactBaud(int Fd, uint32_t& Rate) {
    termios2 Line{};
    if (ioctl(Fd, TCGETS2, &Line) != 0) {
        return false;
    }
    Rate = Line.c_ospeed;
    return true;
}

#else

bool SetArbitraryBaud(int, uint32_t) {
    errno = EINVAL;
    return false;
}

bool ReadExactBaud(int, uint32_t&) {
    return false;
}

#endif

}  // namespace vorsa::detail
