// Connect, DisConnect, the error latch, the flag rules and the platform probes, on the
// in-memory serial interface.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "comdrv/DriverOnMemory.h"
#include "comdrv/WinProbes.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;
using Record = MemorySerialPort::Record;

TEST_F(DriverOnMemory, StartsClosedWithTheDefaultSettings) {
    EXPECT_EQ(Driver.Port, "COM2");
    EXPECT_EQ(Driver.Baud, 9600);
    EXPECT_EQ(Driver.DataBits, 8);
    EXPECT_EQ(Driver.Parity, tParity::None);
    EXPECT_EQ(Driver.StopBits, tStopBits::s10);
    EXPECT_EQ(Driver.FlowControl, tFlowControl::Hardware);
    EXPECT_FALSE(Driver.Connected());
    EXPECT_EQ(Driver.PortHandle, 0);
    EXPECT_EQ(Driver.LastError, 0);
    EXPECT_TRUE(Line.Log().empty()) << "construction touches no device";
}

TEST_F(DriverOnMemory, ErrorLatchKeepsTheLastNonZeroCodeAndIsClearedByReading) {
    Driver.SetError(5);
    Driver.SetError(0);
    EXPECT_EQ(Driver.GetError(), 5);
    EXPECT_EQ(Driver.GetError(), 0);
    Driver.SetError(5);
    Driver.SetError(-7);
    EXPECT_EQ(Driver.GetError(), -7);
}

TEST_F(DriverOnMemory, ConnectDropsWhatWasLatchedBeforeAndWhatTheOpenLatched) {
    Driver.SetError(42);
    Line.FailOnce(Call::GetCommState, 13);  // reading the current settings fails: dropped
    Driver.Connect();
    EXPECT_TRUE(Driver.Connected());
    EXPECT_EQ(Driver.GetError(), 0);
}

TEST_F(DriverOnMemory, ConnectConfiguresTheDeviceInOrder) {
    Driver.Port = "COM7";
    Driver.Connect();
    ASSERT_TRUE(Driver.Connected());
    EXPECT_EQ(Line.OpenedName, "COM7") << "the name goes to the platform unchanged";
    EXPECT_EQ(Line.Calls(),
              (std::vector<Call>{Call::Open, Call::GetCommState, Call::GetVersionEx,
                                 Call::GetVersionEx, Call::SetCommState, Call::SetupComm,
                                 Call::SetCommTimeouts, Call::PurgeComm}));
    EXPECT_EQ(Driver.PortHandle, Line.Log().front().Handle);
    EXPECT_TRUE(Line.IsOpen(Driver.PortHandle));

    const DCB& S = Line.State;
    EXPECT_EQ(S.DCBlength, 28u);
    EXPECT_EQ(S.BaudRate, 9600u);
    EXPECT_EQ(S.ByteSize, 8);
    EXPECT_EQ(S.Parity, NOPARITY);
    EXPECT_EQ(S.StopBits, ONESTOPBIT);
    EXPECT_EQ(S.XonChar, 17);
    EXPECT_EQ(S.XoffChar, 19);
    EXPECT_EQ(S.ErrorChar, 0);
    EXPECT_EQ(S.EofChar, 0);
    EXPECT_EQ(S.EvtChar, 0);
    EXPECT_EQ(S.XonLim, 80);
    EXPECT_EQ(S.XoffLim, 200);
    EXPECT_EQ(S.wReserved, 0);
    EXPECT_EQ(S.wReserved1, 0);
    EXPECT_EQ(S.Flags, 0x6095u);
    EXPECT_EQ(Line.InQueueSize, 8192u);
    EXPECT_EQ(Line.OutQueueSize, 8192u);
    EXPECT_EQ(Line.Timeouts.ReadIntervalTimeout, 10u);
    EXPECT_EQ(Line.Timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(Line.Timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(Line.Timeouts.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(Line.Timeouts.WriteTotalTimeoutConstant, 5000u);
    EXPECT_EQ(Line.Purges,
              std::vector<uint32_t>{PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR});
    EXPECT_EQ(Line.VersionInfoSizeSeen, 148u);
}

TEST_F(DriverOnMemory, ConnectHandsTheLineSettingsOverByOrdinalAndSnapsTheSpeed) {
    struct Case {
        tParity Parity;
        tStopBits StopBits;
        int32_t Baud;
        uint8_t ParityOrdinal, StopOrdinal;
        uint32_t Rate;
    };
    Driver.DataBits = 7;
    for (const Case& C : {Case{tParity::Even, tStopBits::s20, 19200, 2, 2, 38400},
                          // No division anywhere: 0 snaps to the slowest rate.
                          Case{tParity::Odd, tStopBits::s15, 0, 1, 1, 110},
                          Case{tParity::Odd, tStopBits::s15, -9600, 1, 1, 256000}}) {
        SCOPED_TRACE(C.Baud);
        Driver.Parity = C.Parity;
        Driver.StopBits = C.StopBits;
        Driver.Baud = C.Baud;
        Driver.Connect();
        EXPECT_TRUE(Driver.Connected());
        EXPECT_EQ(Line.State.ByteSize, 7);
        EXPECT_EQ(Line.State.Parity, C.ParityOrdinal);
        EXPECT_EQ(Line.State.StopBits, C.StopOrdinal);
        EXPECT_EQ(Line.State.BaudRate, C.Rate);
    }
}

TEST(DcbFlags, TheFixedWordsDecodeToTheirSwitches) {
    DCB Hardware;
    Hardware.Flags = 0x6095;
    EXPECT_TRUE(Hardware.fBinary());
    EXPECT_TRUE(Hardware.fOutxCtsFlow());
    EXPECT_EQ(Hardware.fDtrControl(), DTR_CONTROL_ENABLE);
    EXPECT_TRUE(Hardware.fTXContinueOnXoff());
    EXPECT_EQ(Hardware.fRtsControl(), RTS_CONTROL_HANDSHAKE);
    EXPECT_TRUE(Hardware.fAbortOnError());
    EXPECT_FALSE(Hardware.fParity());
    EXPECT_FALSE(Hardware.fOutxDsrFlow());
    EXPECT_FALSE(Hardware.fDsrSensitivity());
    EXPECT_FALSE(Hardware.fOutX());
    EXPECT_FALSE(Hardware.fInX());
    EXPECT_FALSE(Hardware.fErrorChar());
    EXPECT_FALSE(Hardware.fNull());

    // The XON/XOFF word is the word without flow control plus exactly fOutX and fInX.
    DCB Built;
    Built.fBinary(true);
    Built.fDtrControl(DTR_CONTROL_ENABLE);
    Built.fTXContinueOnXoff(true);
    Built.fRtsControl(RTS_CONTROL_ENABLE);
    Built.fAbortOnError(true);
    EXPECT_EQ(Built.Flags, 0x5091u);
    Built.fOutX(true);
    Built.fInX(true);
    EXPECT_EQ(Built.Flags, 0x5391u);
    Built.fOutX(false);
    Built.fInX(false);
    Built.fRtsControl(RTS_CONTROL_HANDSHAKE);  // a two-bit field replaces its old value
    Built.fOutxCtsFlow(true);
    EXPECT_EQ(Built.Flags, 0x6095u);
}

TEST_F(DriverOnMemory, FlagWordIsFixedOnNtFrom4AndOtherwiseTheCurrentWordUnderMask600) {
    enum Probing { Answered, ProbesFail, ProbesAndSettingsFail };
    struct Case {
        uint32_t PlatformId, Major, Minor;
        Probing Probes;
        uint32_t Current;
        tFlowControl Flow;
        uint32_t Word;
    };
    constexpr auto Xon = tFlowControl::XON_XOFF, Rts = tFlowControl::Hardware,
                   None = tFlowControl::No;
    const Case Cases[] = {
        // NT from version 4: fixed words, whatever the current word holds.
        {2, 4, 0, Answered, 0xFFFF, Xon, 0x5391},
        {2, 4, 0, Answered, 0xFFFF, Rts, 0x6095},
        {2, 4, 0, Answered, 0xFFFF, None, 0x5091},
        {2, 4, 0, Answered, 0x0001, Xon, 0x5391},
        {2, 10, 0, Answered, 0x0001, Xon, 0x5391},
        // Other platforms and NT before 4: XON/XOFF sets the mask bits 600.
        {2, 3, 51, Answered, 0x0001, Xon, 0x0601},
        {1, 4, 10, Answered, 0x0001, Xon, 0x0601},
        {0, 4, 0, Answered, 0x0001, Xon, 0x0601},
        {7, 6, 0, Answered, 0x0001, Xon, 0x0601},
        // Failed probes (no failed Connect) take the mask rule too: hardware flow clears
        // the bits, none keeps the word. 2D15 has fNull, fErrorChar, fOutX and RTS
        // handshake set and fInX clear.
        {2, 5, 1, ProbesFail, 0x2D15, Xon, 0x2D15 | 0x600},
        {2, 5, 1, ProbesFail, 0x2D15, Rts, 0x2D15 & ~0x600u},
        {2, 5, 1, ProbesFail, 0x2D15, None, 0x2D15},
        // When the current settings cannot be read either, the rule starts from 0.
        {2, 5, 1, ProbesAndSettingsFail, 0x0001, Xon, 0x0600},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(::testing::Message()
                     << "platform " << C.PlatformId << " version " << C.Major << "." << C.Minor
                     << " probing " << C.Probes << " flow " << static_cast<int>(C.Flow)
                     << " current " << std::hex << C.Current);
        Line.Heal(Call::GetVersionEx);
        if (C.Probes != Answered) {
            Line.FailAlways(Call::GetVersionEx, 50);
        }
        if (C.Probes == ProbesAndSettingsFail) {
            Line.FailOnce(Call::GetCommState, 13);
        }
        Line.Version.dwPlatformId = C.PlatformId;
        Line.Version.dwMajorVersion = C.Major;
        Line.Version.dwMinorVersion = C.Minor;
        Line.State.Flags = C.Current;
        Driver.FlowControl = C.Flow;
        Driver.Connect();
        EXPECT_TRUE(Driver.Connected());
        EXPECT_EQ(Line.State.Flags, C.Word);
    }
}

TEST_F(DriverOnMemory, MissingDeviceLeavesThePortClosedWithTheOpensOwnErrorLatched) {
    Line.FailAlways(Call::Open, 2);
    Driver.Connect();
    EXPECT_FALSE(Driver.Connected());
    EXPECT_EQ(Driver.PortHandle, InvalidHandle);
    // The configuration calls fail too, on the invalid handle and with another code; the
    // latch names why the device could not be used.
    EXPECT_EQ(Line.CountOf(Call::SetCommTimeouts), 1u) << "every step still ran";
    EXPECT_EQ(Driver.GetError(), 2);
    Line.ClearLog();
    Driver.DisConnect();
    EXPECT_EQ(Line.CountOf(Call::CloseHandle), 0u);
    EXPECT_EQ(Driver.PortHandle, InvalidHandle);
}

TEST_F(DriverOnMemory, TheFirstFailingStepDecidesAndNamesTheCause) {
    // The port is closed by any failing step, whatever code the platform reports for it
    // (even none), and the latch keeps the first failure, not the last.
    struct Case {
        std::vector<std::pair<Call, int32_t>> Failures;
        int32_t Latched;
    };
    const Case Cases[] = {
        {{{Call::SetCommState, 31}, {Call::SetCommTimeouts, 87}}, 31},
        {{{Call::SetupComm, 5}, {Call::SetCommTimeouts, 6}}, 5},
        {{{Call::SetCommTimeouts, 0}}, 0},
        {{{Call::SetCommState, 0}, {Call::SetupComm, 12}}, 0},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(::testing::Message() << "first failure " << C.Failures.front().second);
        for (const auto& [Step, Code] : C.Failures) {
            Line.FailOnce(Step, Code);
        }
        Driver.Connect();
        EXPECT_FALSE(Driver.Connected());
        EXPECT_EQ(Driver.GetError(), C.Latched);
    }
}

TEST_F(DriverOnMemory, AFailingConfigurationStepLeavesThePortClosedAndReleasesTheDevice) {
    for (Call Step : {Call::SetCommState, Call::SetupComm, Call::SetCommTimeouts}) {
        SCOPED_TRACE(MemorySerialPort::NameOf(Step));
        Line.ClearLog();
        Line.FailOnce(Step, 77);
        Driver.Connect();
        EXPECT_FALSE(Driver.Connected());
        EXPECT_EQ(Driver.GetError(), 77);
        // Every later step still ran.
        EXPECT_EQ(Line.CountOf(Call::SetCommTimeouts), 1u);
        const THandle Opened = Line.Log().front().Handle;
        EXPECT_EQ(Driver.PortHandle, Opened) << "the handle keeps its value";
        EXPECT_FALSE(Line.IsOpen(Opened)) << "the device is not left held";
        EXPECT_EQ(Line.Log().back(), (Record{Call::CloseHandle, Opened}));
        EXPECT_EQ(Line.CountOf(Call::PurgeComm), 0u) << "a closed port purges nothing";

        Driver.DisConnect();
        EXPECT_EQ(Line.CountOf(Call::CloseHandle), 1u) << "DisConnect closes nothing more";
    }
    Driver.Connect();
    EXPECT_TRUE(Driver.Connected()) << "the device opens again after a failed Connect";
}

TEST_F(DriverOnMemory, AFailingPurgeLeavesThePortOpenWithTheErrorLatched) {
    Line.FailOnce(Call::PurgeComm, 88);
    Driver.Connect();
    EXPECT_TRUE(Driver.Connected());
    EXPECT_EQ(Driver.GetError(), 88);
}

TEST_F(DriverOnMemory, ConnectOnAnOpenPortClosesTheOldHandleBeforeOpeningAgain) {
    Driver.Connect();
    const THandle First = Driver.PortHandle;
    Line.ClearLog();
    Driver.Connect();
    ASSERT_TRUE(Driver.Connected());
    ASSERT_GE(Line.Log().size(), 2u);
    EXPECT_EQ(Line.Log()[0], (Record{Call::CloseHandle, First}));
    EXPECT_EQ(Line.Log()[1].What, Call::Open);
    EXPECT_NE(Driver.PortHandle, First);
    EXPECT_FALSE(Line.IsOpen(First));
}

TEST_F(DriverOnMemory, DisConnectClosesOnlyAnOpenPortAndKeepsTheHandleValue) {
    Driver.Connect();
    const THandle Opened = Driver.PortHandle;
    Driver.DisConnect();
    Driver.DisConnect();
    EXPECT_FALSE(Driver.Connected());
    EXPECT_EQ(Line.CountOf(Call::CloseHandle), 1u);
    EXPECT_EQ(Driver.PortHandle, Opened);
}

TEST(DriverLifetime, DestructionClosesAnOpenPort) {
    MemorySerialPort Line;
    THandle Opened = 0;
    {
        TComPortDriver Driver(nullptr, Borrow(Line));
        Driver.Connect();
        ASSERT_TRUE(Driver.Connected());
        Opened = Line.Log().front().Handle;
    }
    EXPECT_FALSE(Line.IsOpen(Opened));
    EXPECT_EQ(Line.CountOf(Call::CloseHandle), 1u);
}

TEST_F(DriverOnMemory, ConnectZeroesTheInputCountOfTheLineStatus) {
    Driver.Connect();
    Line.Feed("12345");
    EXPECT_EQ(Driver.GetIn(), 5);
    EXPECT_EQ(Driver.LineStatus.cbInQue, 5u);
    Line.FailAlways(Call::Open, 2);
    Driver.Connect();
    EXPECT_EQ(Driver.LineStatus.cbInQue, 0u);
}

TEST_F(DriverOnMemory, GetFlagsReadsTheWordBit15First) {
    Driver.Connect();
    Line.State.Flags = 0x6095;
    EXPECT_EQ(Driver.GetFlags(), "0110000010010101");
    Line.State.Flags = 0x18001;  // only the low 16 bits count
    EXPECT_EQ(Driver.GetFlags(), "1000000000000001");
    EXPECT_EQ(Driver.GetError(), 0);
}

TEST_F(DriverOnMemory, GetFlagsQueriesTheHandleItHasWhateverTheState) {
    EXPECT_EQ(Driver.GetFlags(), "") << "handle 0 was never opened";
    EXPECT_EQ(Driver.GetError(), MemorySerialPort::BadHandleError);

    Driver.Connect();
    Driver.DisConnect();
    Line.ClearLog();
    EXPECT_EQ(Driver.GetFlags(), "");
    EXPECT_EQ(Line.Log(), (std::vector<Record>{{Call::GetCommState, Driver.PortHandle}}));
    EXPECT_EQ(Driver.GetError(), MemorySerialPort::BadHandleError);
}

TEST(PlatformProbes, MapThePlatformIdentifier) {
    MemorySerialPort Line;
    const char* Expected[] = {"W32S", "W95", "WNT", ""};
    for (uint32_t Id = 0; Id < 4; ++Id) {
        Line.Version.dwPlatformId = Id;
        EXPECT_EQ(detail::WinPlatform(Line), Expected[Id]) << "identifier " << Id;
    }
    Line.FailOnce(Call::GetVersionEx, 1);
    EXPECT_EQ(detail::WinPlatform(Line), "??");
    EXPECT_EQ(Line.VersionInfoSizeSeen, 148u);
}

TEST(PlatformProbes, PackMajorAndMinorVersionIn16BitsEach) {
    MemorySerialPort Line;
    struct Case {
        uint32_t Major, Minor, Packed;
    };
    for (const Case& C :
         {Case{4, 0, 262144}, Case{5, 1, 327681}, Case{0x12345, 0xABCDE, 0x2345BCDE}}) {
        Line.Version.dwMajorVersion = C.Major;
        Line.Version.dwMinorVersion = C.Minor;
        EXPECT_EQ(detail::WinVersion(Line), C.Packed) << C.Major << "." << C.Minor;
    }
    Line.FailOnce(Call::GetVersionEx, 1);
    EXPECT_EQ(detail::WinVersion(Line), 0u);
}

TEST(PlatformProbes, PosixAnswersNtFrom4SoTheFixedWordsApply) {
    EXPECT_EQ(GetWinPlatform(), "WNT");
    EXPECT_GE(GetWinVersion(), 0x40000u);
}

}  // namespace
}  // namespace vorsa::test
