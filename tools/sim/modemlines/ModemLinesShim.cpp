// libvorsa-sim-modemlines.so: lets programs that insist on driving the modem-control
// lines run against vorsa-sim.
//
// A Linux pty has no DTR, RTS or carrier: ioctl(TIOCMGET/TIOCMSET/TIOCMBIS/TIOCMBIC) on it
// fails with ENOTTY. Some SMS tools (gsmlib's gsmctl, gsmsendsms...) treat that as fatal
// before they send a single AT command. Preloaded into such a program,
//
//     LD_PRELOAD=/path/to/libvorsa-sim-modemlines.so gsmctl -d /dev/pts/7 me
//
// this library makes exactly those requests succeed on a pty slave: setting lines is
// accepted and ignored, and reading them reports DTR, RTS, CTS, DSR and carrier up. Every
// other ioctl, and every ioctl on any other device, goes to the C library unchanged.
#include <dlfcn.h>
#include <errno.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdarg>

namespace {

using IoctlFunction = int (*)(int, unsigned long, ...);

bool IsModemLineRequest(unsigned long request) {
    return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
}

// Unix 98 pty slaves have majors 136 to 143.
bool IsPtySlave(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && major(info.st_rdev) >= 136 &&
           major(info.st_rdev) <= 143;
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) {
    static IoctlFunction real = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    if (real == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    int result = real(fd, request, argument);
    if (result < 0 && errno == ENOTTY && IsModemLineRequest(request) && IsPtySlave(fd)) {
        if (request == TIOCMGET && argument != nullptr) {
            *static_cast<int*>(argument) =
                TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;
        }
        errno = 0;
        return 0;
    }
    return result;
}
