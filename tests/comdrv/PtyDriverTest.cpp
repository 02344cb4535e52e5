// The driver on a real terminal device: a pseudo-terminal whose master plays the modem.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "comdrv/ExposedDriver.h"
#include "support/Pty.h"

namespace vorsa::test {
namespace {

using namespace std::chrono_literals;

// Waits, with a generous deadline, until at least Count bytes wait at the driver's port.
bool WaitForWaiting(TComPortDriver& Driver, int32_t Count) {
    const auto Until = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < Until) {
        const int32_t Waiting = Driver.GetIn();
        if (Waiting >= Count) {
            return true;
        }
        if (Waiting < 0) {
            return false;
        }
        (void)Driver.WaitReadable(10);
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

std::string EveryByteValue(size_t Size) {
    std::string S(Size, '\0');
    for (size_t I = 0; I < Size; ++I) {
        S[I] = static_cast<char>(I & 0xFF);
    }
    return S;
}

// Unblocks a read that wrongly waits on: after a generous deadline it writes to the master.
class Rescue {
  public:
    Rescue(Pty& Line, std::string Bytes)
        : FThread([this, &Line, Bytes] {
              std::unique_lock<std::mutex> Lock(FMutex);
              if (!FDone.wait_for(Lock, 10s, [this] { return FFinished; })) {
                  Line.Write(Bytes);
              }
          }) {}
    ~Rescue() {
        {
            std::lock_guard<std::mutex> Lock(FMutex);
            FFinished = true;
        }
        FDone.notify_all();
        FThread.join();
    }

  private:
    std::mutex FMutex;
    std::condition_variable FDone;
    bool FFinished = false;
    std::thread FThread;
};

class DriverOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        Driver.Port = Line.SlavePath();
        Driver.Connect();
        ASSERT_TRUE(Driver.Connected()) << "error " << Driver.GetError();
    }

    Pty Line;
    ExposedDriver Driver{nullptr};
};

TEST_F(DriverOnPty, ConnectHoldsTheDescriptorAndEachFlowControlWordReadsBackAsBuilt) {
    EXPECT_GE(Driver.PortHandle, 0);
    EXPECT_EQ(fcntl(static_cast<int>(Driver.PortHandle), F_GETFD), FD_CLOEXEC);
    for (const auto& [Flow, Flags] : {std::pair{tFlowControl::Hardware, "0110000010010101"},
                                      std::pair{tFlowControl::XON_XOFF, "0101001110010001"},
                                      std::pair{tFlowControl::No, "0101000010010001"}}) {
        Driver.FlowControl = Flow;
        Driver.Connect();
        ASSERT_TRUE(Driver.Connected());
        EXPECT_EQ(Driver.GetFlags(), Flags);
        EXPECT_EQ(Driver.GetError(), 0);
    }
}

TEST_F(DriverOnPty, StringsShorterAndLongerThanTheStagingBufferArriveWhole) {
    for (const size_t Size : {size_t{300}, size_t{3 * 8192 + 100}}) {
        SCOPED_TRACE(Size);
        const std::string Sent = EveryByteValue(Size);
        std::string Arrived;
        std::thread Reader([&] { Arrived = Line.Read(Sent.size()); });
        Driver.SendString(Sent);
        Reader.join();
        EXPECT_EQ(Arrived, Sent) << "every byte value passes untranslated";
        EXPECT_EQ(Driver.GetError(), 0);
    }
}

TEST_F(DriverOnPty, ReadsAboveTheStagingSizeLoseNothing) {
    // A pty holds only a few kilobytes towards the slave, so the far end writes while the
    // driver reads; a pause in the writer may end one read early, and the next goes on.
    const std::string Long = EveryByteValue(3 * 8192 + 100);
    std::thread Modem([&] { Line.Write(Long); });
    std::string Arrived;
    const auto Until = std::chrono::steady_clock::now() + 10s;
    while (Arrived.size() < Long.size() && std::chrono::steady_clock::now() < Until) {
        Arrived += Driver.GetString(static_cast<int32_t>(Long.size() - Arrived.size()));
    }
    Modem.join();
    EXPECT_EQ(Arrived, Long);
    EXPECT_EQ(Driver.GetError(), 0);
}

TEST_F(DriverOnPty, ReadStringTurnsAReplyIntoItsText) {
    ASSERT_TRUE(Line.Write("\r\nOK\r\n"));
    ASSERT_TRUE(WaitForWaiting(Driver, 6));
    EXPECT_EQ(Driver.ReadString(), "OK");

    ASSERT_TRUE(Line.Write(std::string("A\0B", 3)));
    ASSERT_TRUE(WaitForWaiting(Driver, 3));
    EXPECT_EQ(Driver.ReadString(), "AB");
    EXPECT_EQ(Driver.GetError(), 0);
}

TEST_F(DriverOnPty, ReadStringReturnsAtOnceWhenNothingWaits) {
    Rescue Unblock(Line, "unblocked");
    EXPECT_EQ(Driver.ReadString(), "");
    EXPECT_EQ(Driver.GetError(), 0);
}

TEST_F(DriverOnPty, GetStringReturnsAllThatWaitsUpToTheCount) {
    const std::string Reply = EveryByteValue(300);
    ASSERT_TRUE(Line.Write(Reply));
    ASSERT_TRUE(WaitForWaiting(Driver, 300));
    EXPECT_EQ(Driver.GetString(300), Reply);
    EXPECT_EQ(Driver.GetIn(), 0);
}

TEST_F(DriverOnPty, AReadEndsAfterThePauseThatFollowsTheLastByte) {
    ASSERT_TRUE(Line.Write("abc"));
    ASSERT_TRUE(WaitForWaiting(Driver, 3));
    Rescue Unblock(Line, std::string(16, 'Z'));  // enough to end even a read that ignores the pause
    EXPECT_EQ(Driver.GetString(10), "abc") << "the read waited on after the last byte";
}

TEST_F(DriverOnPty, AReadDoesNotReturnBeforeItsFirstByte) {
    std::thread Modem([this] {
        std::this_thread::sleep_for(50ms);
        Line.Write("xyz");
    });
    EXPECT_EQ(Driver.GetString(3), "xyz");
    Modem.join();
    ASSERT_TRUE(Line.Write("q"));
    EXPECT_EQ(Driver.GetByte(), 'q');
}

TEST_F(DriverOnPty, FlushBuffersDiscardsWaitingInput) {
    ASSERT_TRUE(Line.Write("stale"));
    ASSERT_TRUE(WaitForWaiting(Driver, 5));
    EXPECT_TRUE(Driver.FlushBuffers(true, false));
    EXPECT_EQ(Driver.GetIn(), 0);
    EXPECT_GE(Driver.GetOut(), 0);
}

TEST_F(DriverOnPty, WaitReadableWaitsForInputWithoutError) {
    EXPECT_FALSE(Driver.WaitReadable(20));
    EXPECT_EQ(Driver.GetError(), 0);
    ASSERT_TRUE(Line.Write("+CMTI"));
    EXPECT_TRUE(Driver.WaitReadable(10000));
}

TEST_F(DriverOnPty, EventMaskIsKeptForTheOpenPort) {
    Driver.SetEvent(EV_RXCHAR | EV_ERR);
    uint32_t Mask = EV_RXCHAR | EV_ERR;
    EXPECT_TRUE(Driver.GetEvent(Mask));
    Driver.SetEvent(0x4000);  // not an event bit
    EXPECT_EQ(Driver.GetError(), EINVAL);
    EXPECT_EQ(Driver.GetError(), 0);
}

TEST_F(DriverOnPty, ModemLinesThatAPtyLacksFailOnlyWhenAskedForDirectly) {
    Driver.SetEscCode(SETXOFF);
    Driver.SetEscCode(SETXON);
    Driver.SetEscCode(RESETDEV);
    EXPECT_EQ(Driver.GetError(), 0);
    Driver.SetEscCode(SETDTR);
    const int32_t Code = Driver.GetError();
    EXPECT_TRUE(Code == ENOTTY || Code == EINVAL) << Code;
    Driver.SetEscCode(42);
    EXPECT_EQ(Driver.GetError(), EINVAL);
}

TEST_F(DriverOnPty, AHangUpMakesQueriesFailInsteadOfWaiting) {
    Line.CloseMaster();
    EXPECT_EQ(Driver.GetIn(), -1);
    EXPECT_EQ(Driver.GetError(), EIO);
    EXPECT_EQ(Driver.ReadString(), "");
    EXPECT_EQ(Driver.GetError(), EIO);
    EXPECT_FALSE(Driver.WaitReadable(10000));
    EXPECT_EQ(Driver.GetError(), EIO);
    EXPECT_EQ(Driver.GetByte(), 0);
    EXPECT_NE(Driver.GetError(), 0);
    Driver.SendString("AT\r\n");
    EXPECT_NE(Driver.GetError(), 0);
    EXPECT_TRUE(Driver.Connected()) << "the driver reports; closing is the caller's choice";
}

TEST_F(DriverOnPty, ThePortIsHeldExclusively) {
    ExposedDriver Second(nullptr);
    Second.Port = Line.SlavePath();
    Second.Connect();
    EXPECT_FALSE(Second.Connected());
    EXPECT_EQ(Second.GetError(), EBUSY) << "the latched code says the device is held";

    // Another program asking for the device's lock is turned away as well.
    const int Other = open(Line.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Other >= 0) {  // TIOCEXCL refuses the open itself unless we are the superuser
        EXPECT_NE(flock(Other, LOCK_EX | LOCK_NB), 0);
        close(Other);
    } else {
        EXPECT_EQ(errno, EBUSY);
    }

    Driver.DisConnect();
    Second.Connect();
    EXPECT_TRUE(Second.Connected()) << "error " << Second.GetError();
}

TEST_F(DriverOnPty, ReconnectingLeaksNoDescriptor) {
    const size_t Before = OpenDescriptorCount();
    for (int I = 0; I < 5; ++I) {
        Driver.Connect();
        ASSERT_TRUE(Driver.Connected());
    }
    EXPECT_EQ(OpenDescriptorCount(), Before);
    Driver.DisConnect();
    EXPECT_EQ(OpenDescriptorCount(), Before - 1);
}

TEST_F(DriverOnPty, AConnectWhoseConfigurationFailsReleasesTheDevice) {
    Driver.DisConnect();
    const size_t Before = OpenDescriptorCount();
    Driver.DataBits = 4;  // no terminal takes four-bit characters
    Driver.Connect();
    EXPECT_FALSE(Driver.Connected());
    EXPECT_EQ(Driver.GetError(), EINVAL);
    EXPECT_GE(Driver.PortHandle, 0) << "the handle keeps its value";
    EXPECT_EQ(OpenDescriptorCount(), Before) << "the descriptor was closed";

    ExposedDriver Other(nullptr);
    Other.Port = Line.SlavePath();
    Other.Connect();
    EXPECT_TRUE(Other.Connected()) << "the device is not held; error " << Other.GetError();
}

TEST(DriverOnNoTerminal, StaysClosedWithTheErrorLatchedAndHoldsNoDescriptor) {
    char File[] = "/tmp/vorsa-not-a-tty-XXXXXX";
    const int Fd = mkstemp(File);
    ASSERT_GE(Fd, 0);
    close(Fd);
    struct Case {
        std::string Port;
        int32_t Error;  // the code latched, which names why the open failed; 0: any but 0
        bool OpenFails;
    };
    for (const Case& C : {Case{"/dev/vorsa-no-such-device", ENOENT, true},
                          Case{"COM4000", ENOENT, true},  // /dev/ttyS3999
                          Case{File, 0, false}}) {
        SCOPED_TRACE(C.Port);
        const size_t Before = OpenDescriptorCount();
        ExposedDriver Driver(nullptr);
        Driver.Port = C.Port;
        Driver.Connect();
        EXPECT_FALSE(Driver.Connected());
        const int32_t Error = Driver.GetError();
        if (C.Error != 0) {
            EXPECT_EQ(Error, C.Error);
        } else {
            EXPECT_NE(Error, 0);
        }
        if (C.OpenFails) {
            EXPECT_EQ(Driver.PortHandle, InvalidHandle);
        }
        Driver.DisConnect();
        EXPECT_EQ(OpenDescriptorCount(), Before);
        EXPECT_EQ(Driver.GetIn(), -1);
    }
    unlink(File);
}

}  // namespace
}  // namespace vorsa::test
