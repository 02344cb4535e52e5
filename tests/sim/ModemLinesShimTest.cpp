// The preload library that makes the modem-control ioctls succeed on a pty, loaded here
// with dlopen so that its ioctl can be called directly.
#ifdef VORSA_SIM_MODEMLINES_PATH

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include <gtest/gtest.h>

#include "TerminalClient.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::sim {
namespace {

using IoctlFunction = int (*)(int, unsigned long, ...);

class ModemLinesShim : public ::testing::Test {
  protected:
    void SetUp() override {
        library = ::dlopen(VORSA_SIM_MODEMLINES_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << ::dlerror();
        shimIoctl = reinterpret_cast<IoctlFunction>(::dlsym(library, "ioctl"));
        ASSERT_NE(shimIoctl, nullptr);
        modem.Start();
        fd = ::open(modem.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override {
        if (fd >= 0) {
            ::close(fd);
        }
        if (library != nullptr) {
            ::dlclose(library);
        }
    }

    void* library = nullptr;
    IoctlFunction shimIoctl = nullptr;
    SimulatedModem modem;
    int fd = -1;
};

TEST_F(ModemLinesShim, ModemControlOnThePtySucceeds) {
    int lines = TIOCM_DTR;
    errno = 0;
    if (::ioctl(fd, TIOCMBIC, &lines) == 0) {
        GTEST_SKIP() << "this kernel's pty already takes modem-control ioctls";
    }
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_EQ(shimIoctl(fd, TIOCMBIC, &lines), 0);
    EXPECT_EQ(shimIoctl(fd, TIOCMBIS, &lines), 0);
    EXPECT_EQ(shimIoctl(fd, TIOCMSET, &lines), 0);
    int state = 0;
    EXPECT_EQ(shimIoctl(fd, TIOCMGET, &state), 0);
    EXPECT_EQ(state & (TIOCM_DTR | TIOCM_CTS | TIOCM_DSR | TIOCM_CAR),
              TIOCM_DTR | TIOCM_CTS | TIOCM_DSR | TIOCM_CAR);
}

TEST_F(ModemLinesShim, EverythingElseIsUntouched) {
    int waiting = -1;
    EXPECT_EQ(shimIoctl(fd, FIONREAD, &waiting), 0) << "other requests go through";
    EXPECT_EQ(waiting, 0);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    int lines = TIOCM_DTR;
    errno = 0;
    EXPECT_EQ(shimIoctl(pipeEnds[0], TIOCMBIC, &lines), -1) << "only pty slaves are helped";
    EXPECT_EQ(errno, ENOTTY);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    TerminalClient client(modem.DevicePath());
    EXPECT_EQ(Describe(client.Exchange("AT")), "I:AT|F:OK");
}

}  // namespace
}  // namespace vorsa::sim

#endif  // VORSA_SIM_MODEMLINES_PATH
