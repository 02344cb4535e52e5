// The termios backend on its own: names, line settings, and the read and write rules.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/posix/DeviceName.h"
#include "platform/posix/PosixSerialPort.h"
#include "platform/posix/TermiosDcb.h"
#include "support/Pty.h"

namespace vorsa::detail {
namespace {

using namespace std::chrono_literals;

TEST(PosixDeviceNames, ComPortsMapToTtySAndEverythingElsePassesUnchanged) {
    EXPECT_EQ(PosixDeviceName("COM1"), "/dev/ttyS0");
    EXPECT_EQ(PosixDeviceName("COM2"), "/dev/ttyS1");
    EXPECT_EQ(PosixDeviceName("com12"), "/dev/ttyS11");
    EXPECT_EQ(PosixDeviceName("CoM256"), "/dev/ttyS255");
    EXPECT_EQ(PosixDeviceName("COM999999999"), "/dev/ttyS999999998");
    for (const char* Unchanged : {"COM0", "COM01", "COM", "COMx", "COM1a", "COM-1", " COM1",
                                  "COM1234567890", "/dev/ttyUSB0", "/dev/pts/3", "", "LPT1"}) {
        EXPECT_EQ(PosixDeviceName(Unchanged), Unchanged);
    }
}

class BackendOnPty : public ::testing::Test {
  protected:
    void SetUp() override {
        Handle = Port.Open(Line.SlavePath());
        ASSERT_NE(Handle, InvalidHandle) << "error " << Port.GetLastError();
    }

    DCB Settings(uint32_t Rate, uint8_t Size, uint8_t Parity, uint8_t Stop) {
        DCB S;
        S.DCBlength = sizeof(DCB);
        S.BaudRate = Rate;
        S.ByteSize = Size;
        S.Parity = Parity;
        S.StopBits = Stop;
        S.XonChar = 17;
        S.XoffChar = 19;
        S.Flags = 0x5091;
        return S;
    }

    vorsa::test::Pty Line;
    PosixSerialPort Port;
    THandle Handle = InvalidHandle;
};

TEST_F(BackendOnPty, LineSettingsReadBackAsSet) {
    for (uint32_t Rate : {110u, 9600u, 38400u, 115200u, 14400u, 56000u, 128000u, 256000u}) {
        SCOPED_TRACE(Rate);
        ASSERT_TRUE(Port.SetCommState(Handle, Settings(Rate, 8, NOPARITY, ONESTOPBIT)))
            << Port.GetLastError();
        DCB Back;
        ASSERT_TRUE(Port.GetCommState(Handle, Back));
        EXPECT_EQ(Back.BaudRate, Rate);
        EXPECT_EQ(Back.Flags, 0x5091u);
    }
    // A pty keeps the stop bits but forces eight data bits without parity.
    ASSERT_TRUE(Port.SetCommState(Handle, Settings(9600, 8, NOPARITY, TWOSTOPBITS)));
    DCB Back;
    ASSERT_TRUE(Port.GetCommState(Handle, Back));
    EXPECT_EQ(Back.StopBits, TWOSTOPBITS);
    EXPECT_EQ(Back.XonChar, 17);
    EXPECT_EQ(Back.XoffChar, 19);
    EXPECT_EQ(Back.DCBlength, 28u);
}

TEST_F(BackendOnPty, SettingsATerminalCannotTakeAreRefusedAndTheDeviceKeepsItsOwn) {
    ASSERT_TRUE(Port.SetCommState(Handle, Settings(115200, 8, NOPARITY, ONESTOPBIT)));
    EXPECT_FALSE(Port.SetCommState(Handle, Settings(9600, 4, NOPARITY, ONESTOPBIT)));
    EXPECT_EQ(Port.GetLastError(), EINVAL);
    EXPECT_FALSE(Port.SetCommState(Handle, Settings(9600, 8, 9, ONESTOPBIT)));
    EXPECT_FALSE(Port.SetCommState(Handle, Settings(9600, 8, NOPARITY, ONE5STOPBITS)));
    EXPECT_FALSE(Port.SetCommState(Handle, Settings(9600, 8, NOPARITY, 3)));
    DCB Back;
    ASSERT_TRUE(Port.GetCommState(Handle, Back));
    EXPECT_EQ(Back.BaudRate, 115200u);
}

TEST(TermiosTranslation, LineSettingsMapBothWays) {
    struct Case {
        uint8_t Size, Parity, Stop;
        tcflag_t Expected;
    };
    for (const Case& C : {Case{8, NOPARITY, ONESTOPBIT, CS8},
                          Case{7, EVENPARITY, TWOSTOPBITS, CS7 | PARENB | CSTOPB},
                          Case{6, ODDPARITY, ONESTOPBIT, CS6 | PARENB | PARODD},
                          Case{5, NOPARITY, ONE5STOPBITS, CS5 | CSTOPB}}) {
        DCB In;
        In.ByteSize = C.Size;
        In.Parity = C.Parity;
        In.StopBits = C.Stop;
        termios Line{};
        Line.c_cflag = CSTOPB | PARODD | CS7;  // leftovers that must go
        Line.c_iflag = ICRNL | IXON | ISTRIP;
        Line.c_lflag = ICANON | ECHO | ISIG;
        Line.c_oflag = OPOST;
        ASSERT_TRUE(ApplyDcbToTermios(In, Line));
        EXPECT_EQ(Line.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB), C.Expected);
        EXPECT_EQ(Line.c_iflag & (ICRNL | IXON | ISTRIP), 0u) << "no byte is translated";
        EXPECT_EQ(Line.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(Line.c_oflag & OPOST, 0u);
        EXPECT_NE(Line.c_cflag & CLOCAL, 0u) << "no carrier needed for AT commands";

        DCB Back;
        Back.StopBits = C.Stop;
        ReadDcbFromTermios(Line, Back);
        EXPECT_EQ(Back.ByteSize, C.Size);
        EXPECT_EQ(Back.Parity, C.Parity);
        EXPECT_EQ(Back.StopBits, C.Stop);
    }
}

TEST(TermiosTranslation, FlowControlSwitchesMapToTheirTermiosFlags) {
    DCB Hardware;
    Hardware.ByteSize = 8;
    Hardware.Flags = 0x6095;
    termios Line{};
    ASSERT_TRUE(ApplyDcbToTermios(Hardware, Line));
    EXPECT_NE(Line.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(Line.c_iflag & (IXON | IXOFF | INPCK), 0u);

    DCB Xon = Hardware;
    Xon.Flags = 0x5391;
    Xon.fParity(true);
    Xon.Parity = EVENPARITY;
    ASSERT_TRUE(ApplyDcbToTermios(Xon, Line));
    EXPECT_EQ(Line.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(Line.c_iflag & (IXON | IXOFF | INPCK), static_cast<tcflag_t>(IXON | IXOFF | INPCK));

    // Reading back keeps the switches a terminal has no flag for.
    DCB Back;
    Back.Flags = 0x6095;
    ReadDcbFromTermios(Line, Back);
    EXPECT_EQ(Back.Flags, 0x5393u) << "CTS flow gone, RTS on, XON/XOFF and parity check on";
}

TEST_F(BackendOnPty, BytesArrivingWithinTheIntervalJoinOneRead) {
    ASSERT_TRUE(Port.SetCommState(Handle, Settings(9600, 8, NOPARITY, ONESTOPBIT)));
    ASSERT_TRUE(Port.SetCommTimeouts(Handle, COMMTIMEOUTS{2000, 0, 0, 0, 0}));
    std::thread Modem([this] {
        Line.Write("a");
        std::this_thread::sleep_for(20ms);
        Line.Write("b");
    });
    char Buffer[2] = {};
    uint32_t Read = 0;
    EXPECT_TRUE(Port.ReadFile(Handle, Buffer, 2, Read));
    Modem.join();
    EXPECT_EQ(std::string(Buffer, Read), "ab");
}

TEST_F(BackendOnPty, ReadsWithNothingToWaitForReturnWithoutBytes) {
    struct Case {
        COMMTIMEOUTS Timeouts;
        uint32_t Count;
    };
    // A read of zero bytes, a take-what-waits read, and a total time-out that runs out.
    for (const Case& C :
         {Case{{0, 0, 0, 0, 0}, 0}, Case{{MAXDWORD, 0, 0, 0, 0}, 8}, Case{{10, 0, 30, 0, 0}, 8}}) {
        SCOPED_TRACE(C.Timeouts.ReadIntervalTimeout);
        ASSERT_TRUE(Port.SetCommTimeouts(Handle, C.Timeouts));
        char Buffer[8];
        uint32_t Read = 99;
        EXPECT_TRUE(Port.ReadFile(Handle, Buffer, C.Count, Read));
        EXPECT_EQ(Read, 0u);
    }
}

TEST_F(BackendOnPty, AWriteThatCannotFinishStopsAtItsDeadline) {
    ASSERT_TRUE(Port.SetCommState(Handle, Settings(9600, 8, NOPARITY, ONESTOPBIT)));
    ASSERT_TRUE(Port.SetCommTimeouts(Handle, COMMTIMEOUTS{10, 0, 0, 0, 50}));
    const std::string Flood(1 << 20, 'x');  // nobody reads the master: the pty fills up
    uint32_t Written = 0;
    EXPECT_TRUE(Port.WriteFile(Handle, Flood.data(), static_cast<uint32_t>(Flood.size()), Written));
    EXPECT_GT(Written, 0u);
    EXPECT_LT(Written, Flood.size());
}

TEST_F(BackendOnPty, CallsOnAClosedOrForeignHandleFailWithBadHandle) {
    EXPECT_TRUE(Port.CloseHandle(Handle));
    DCB State;
    EXPECT_FALSE(Port.GetCommState(Handle, State));
    EXPECT_EQ(Port.GetLastError(), EBADF);
    EXPECT_FALSE(Port.CloseHandle(Handle));
    EXPECT_FALSE(Port.SetupComm(0, 8192, 8192)) << "standard input is not ours to configure";
    EXPECT_FALSE(Port.PurgeComm(InvalidHandle, 0));
    EXPECT_EQ(Port.GetLastError(), EBADF);
    EXPECT_EQ(Port.WaitReadable(InvalidHandle, 0), WaitResult::Failed);
}

TEST_F(BackendOnPty, VersionQueryNeedsTheRecordSizeAndAnswersNtFrom4) {
    OSVERSIONINFOA Info;
    Info.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(Port.GetVersionEx(Info));
    EXPECT_EQ(Port.GetLastError(), EINVAL);
    Info.dwOSVersionInfoSize = sizeof Info;
    ASSERT_TRUE(Port.GetVersionEx(Info));
    EXPECT_EQ(Info.dwPlatformId, kPlatformWin32Nt);
    EXPECT_GE(Info.dwMajorVersion, 4u);
}

TEST_F(BackendOnPty, HugeTotalTimeOutsAreSafe) {
    ASSERT_TRUE(Port.SetCommTimeouts(Handle, COMMTIMEOUTS{0, MAXDWORD, MAXDWORD, MAXDWORD, 1}));
    ASSERT_TRUE(Line.Write("abcd"));
    char Buffer[4];
    uint32_t Read = 0;
    EXPECT_TRUE(Port.ReadFile(Handle, Buffer, sizeof Buffer, Read));
    EXPECT_EQ(std::string(Buffer, Read), "abcd");
    uint32_t Written = 0;
    EXPECT_TRUE(Port.WriteFile(Handle, "ok", 2, Written));
    EXPECT_EQ(Written, 2u);
    EXPECT_EQ(Line.Read(2), "ok");
}

TEST(BackendLifetime, DestructionReleasesPortsLeftOpen) {
    vorsa::test::Pty Line;
    {
        PosixSerialPort Port;
        ASSERT_NE(Port.Open(Line.SlavePath()), InvalidHandle);
    }
    PosixSerialPort Again;
    const THandle Handle = Again.Open(Line.SlavePath());
    EXPECT_NE(Handle, InvalidHandle) << "error " << Again.GetLastError();
}

}  // namespace
}  // namespace vorsa::detail
