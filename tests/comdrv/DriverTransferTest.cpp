// Reads, writes, queue counts, events and the failure of each platform call, on the
// in-memory serial interface.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "comdrv/ExposedDriver.h"
#include "support/MemorySerialPort.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;

std::string Pattern(size_t Size) {
    std::string S(Size, '\0');
    for (size_t I = 0; I < Size; ++I) {
        S[I] = static_cast<char>((I * 7 + I / 256) & 0xFF);
    }
    return S;
}

class OpenDriver : public ::testing::Test {
  protected:
    void SetUp() override {
        Driver.Connect();
        ASSERT_TRUE(Driver.Connected());
        Line.ClearLog();
        Line.Purges.clear();
    }

    MemorySerialPort Line;
    ExposedDriver Driver{nullptr, Borrow(Line)};
};

TEST_F(OpenDriver, SendStringWritesTheWholeStringInOneWrite) {
    const std::string S = Pattern(300);
    Driver.SendString(S);
    ASSERT_EQ(Line.Writes.size(), 1u);
    EXPECT_EQ(Line.Written, S);
    EXPECT_EQ(Driver.GetError(), 0);
}

TEST_F(OpenDriver, SendStringWritesLongStringsInStagingSizedPiecesWithoutLoss) {
    const std::string S = Pattern(2 * 8192 + 3616);
    Driver.SendString(S);
    ASSERT_EQ(Line.Writes.size(), 3u);
    EXPECT_EQ(Line.Writes[0].size(), 8192u);
    EXPECT_EQ(Line.Writes[1].size(), 8192u);
    EXPECT_EQ(Line.Writes[2].size(), 3616u);
    EXPECT_EQ(Line.Written, S);

    Line.Writes.clear();
    Driver.SendString(Pattern(8192));
    EXPECT_EQ(Line.Writes.size(), 1u) << "exactly the staging size is one piece";
    Line.Writes.clear();
    Driver.SendString("");
    EXPECT_TRUE(Line.Writes.empty());
}

TEST_F(OpenDriver, AWriteCutShortByItsTimeOutIsLatchedAndTheRestIsNotSent) {
    Line.AcceptPerWrite = 100;
    Driver.SendString(Pattern(20000));
    EXPECT_EQ(Line.Writes.size(), 1u) << "no later piece after a gap";
    EXPECT_EQ(Line.Written.size(), 100u);
    EXPECT_EQ(Driver.GetError(), MemorySerialPort::TimeoutError);

    Line.AcceptPerWrite = 0;
    Driver.SendByte('x');
    EXPECT_EQ(Driver.GetError(), MemorySerialPort::TimeoutError);
}

TEST_F(OpenDriver, SendByteWritesOneByte) {
    Driver.SendByte(0xFF);
    Driver.SendByte(0);
    EXPECT_EQ(Line.Writes, (std::vector<std::string>{"\xFF", std::string(1, '\0')}));
}

TEST_F(OpenDriver, GetStringReadsUpToTheCountWithNulsKept) {
    Line.Feed(std::string("a\0b", 3) + "cdef");
    EXPECT_EQ(Driver.GetString(3), std::string("a\0b", 3));
    EXPECT_EQ(Driver.GetString(10), "cdef");
    Line.ClearLog();
    EXPECT_EQ(Driver.GetString(0), "");
    EXPECT_EQ(Driver.GetString(-5), "");
    EXPECT_EQ(Line.CountOf(Call::ReadFile), 0u) << "a count of 0 or less reads nothing";
}

TEST_F(OpenDriver, GetStringAboveTheStagingSizeReadsPieceByPiece) {
    const std::string S = Pattern(20000);
    Line.Feed(S);
    EXPECT_EQ(Driver.GetString(20000), S);
    EXPECT_EQ(Line.CountOf(Call::ReadFile), 3u);

    Line.ClearLog();
    Line.Feed(Pattern(9000));
    EXPECT_EQ(Driver.GetString(30000).size(), 9000u);
    EXPECT_EQ(Line.CountOf(Call::ReadFile), 2u) << "a short piece ends the read";
}

TEST_F(OpenDriver, ReadStringTrimsBlanksAndControlsAndRemovesEveryNul) {
    struct Case {
        std::string Waiting, Expected;
    };
    for (const Case& C : {Case{"\r\nOK\r\n", "OK"}, Case{std::string("A\0B", 3), "AB"},
                          Case{"> ", ">"}, Case{std::string("\0\0x\0\0y\0", 7), "xy"},
                          Case{"\x01\x1f \tmid dle\x7f\r\n", "mid dle\x7f"},
                          Case{"\xA0OK\xFF", "\xA0OK\xFF"},  // bytes above 127 are text
                          Case{" \r\n\t", ""}, Case{"", ""}}) {
        Line.Feed(C.Waiting);
        EXPECT_EQ(Driver.ReadString(), C.Expected);
        EXPECT_TRUE(Line.Incoming.empty()) << "everything waiting is taken";
    }
    EXPECT_EQ(Driver.GetError(), 0);
}

TEST_F(OpenDriver, ReadStringWhoseStatusQueryFailsReadsNothingAndKeepsTheError) {
    Line.Feed("OK");
    Line.FailOnce(Call::ClearCommError, 71);
    EXPECT_EQ(Driver.ReadString(), "");
    EXPECT_EQ(Line.CountOf(Call::ReadFile), 0u);
    EXPECT_EQ(Driver.GetError(), 71);
    EXPECT_EQ(Driver.ReadString(), "OK");
}

class CountingDriver : public TComPortDriver {
  public:
    using TComPortDriver::TComPortDriver;
    std::string GetString(int32_t Count) override {
        Counts.push_back(Count);
        return " [" + TComPortDriver::GetString(Count) + "] ";
    }
    std::vector<int32_t> Counts;
};

TEST(DriverSlots, ReadStringReadsThroughTheGetStringSlotAskingForExactlyWhatWaits) {
    MemorySerialPort Line;
    CountingDriver Driver(nullptr, Borrow(Line));
    Driver.Connect();
    Line.Feed("hello");
    EXPECT_EQ(Driver.ReadString(), "[hello]");
    EXPECT_EQ(Driver.ReadString(), "[]");
    EXPECT_EQ(Driver.Counts, (std::vector<int32_t>{5, 0}));
}

TEST_F(OpenDriver, GetByteTakesOneByteAtATime) {
    Line.Feed("a\xF0");
    EXPECT_EQ(Driver.GetByte(), 'a');
    EXPECT_EQ(Driver.GetByte(), 0xF0);
    EXPECT_EQ(Driver.GetError(), 0);
}

TEST_F(OpenDriver, GetInAndGetOutReportTheQueues) {
    Line.Feed("1234");
    Line.OutQueued = 9;
    EXPECT_EQ(Driver.GetIn(), 4);
    EXPECT_EQ(Driver.GetOut(), 9);
    EXPECT_EQ(Driver.LineStatus.cbOutQue, 9u);
}

TEST_F(OpenDriver, FlushBuffersPurgesTheChosenSides) {
    EXPECT_TRUE(Driver.FlushBuffers(true, false));
    EXPECT_TRUE(Driver.FlushBuffers(false, true));
    EXPECT_TRUE(Driver.FlushBuffers(false, false));
    EXPECT_EQ(Line.Purges, (std::vector<uint32_t>{PURGE_RXABORT | PURGE_RXCLEAR,
                                                  PURGE_TXABORT | PURGE_TXCLEAR, 0}));
}

TEST_F(OpenDriver, GetEventComparesWithTheDeviceMaskAndHandsItBack) {
    Line.EventMask = EV_RXCHAR | EV_ERR;
    uint32_t Mask = EV_RXCHAR | EV_ERR;
    EXPECT_TRUE(Driver.GetEvent(Mask));
    EXPECT_EQ(Mask, EV_RXCHAR | EV_ERR);
    Mask = EV_RING;
    EXPECT_FALSE(Driver.GetEvent(Mask));
    EXPECT_EQ(Mask, EV_RXCHAR | EV_ERR);
    EXPECT_EQ(Driver.GetError(), 0);

    Line.FailOnce(Call::GetCommMask, 31);
    Mask = EV_RING;
    EXPECT_FALSE(Driver.GetEvent(Mask));
    EXPECT_EQ(Mask, EV_RING) << "a failed query leaves the reference alone";
    EXPECT_EQ(Driver.GetError(), 31);
}

TEST_F(OpenDriver, SetEventAndSetEscCodeReachTheDevice) {
    Driver.SetEvent(EV_RXCHAR | EV_TXEMPTY);
    Driver.SetEscCode(SETDTR);
    Driver.SetEscCode(CLRBREAK);
    EXPECT_EQ(Line.EventMask, EV_RXCHAR | EV_TXEMPTY);
    EXPECT_EQ(Line.EscapeCodes, (std::vector<uint32_t>{5, 9}));
    EXPECT_EQ(Driver.GetError(), 0);
}

TEST_F(OpenDriver, WaitReadableTellsWhetherBytesWait) {
    EXPECT_FALSE(Driver.WaitReadable(10));
    EXPECT_EQ(Driver.GetError(), 0) << "a time-out is not an error";
    Line.Feed("x");
    EXPECT_TRUE(Driver.WaitReadable(10));
}

TEST_F(OpenDriver, OnWriteHookCanScriptAReply) {
    Line.OnWrite = [](MemorySerialPort& Port, const std::string& Bytes) {
        if (Bytes == "AT\r\n") {
            Port.Feed("\r\nOK\r\n");
        }
    };
    Driver.SendString("AT\r\n");
    EXPECT_EQ(Driver.ReadString(), "OK");
}

TEST_F(OpenDriver, EachFailingPlatformCallLatchesItsCode) {
    struct Case {
        const char* Operation;
        Call Failing;
        std::function<bool(ExposedDriver&)> RunAndCheckResult;
    };
    const std::vector<Case> Cases = {
        {"SendString", Call::WriteFile,
         [](ExposedDriver& D) {
             D.SendString("AT\r\n");
             return true;
         }},
        {"SendByte", Call::WriteFile,
         [](ExposedDriver& D) {
             D.SendByte('A');
             return true;
         }},
        {"GetString", Call::ReadFile, [](ExposedDriver& D) { return D.GetString(4) == ""; }},
        {"GetByte", Call::ReadFile, [](ExposedDriver& D) { return D.GetByte() == 0; }},
        {"ReadString", Call::ReadFile, [](ExposedDriver& D) { return D.ReadString() == ""; }},
        {"GetIn", Call::ClearCommError, [](ExposedDriver& D) { return D.GetIn() == -1; }},
        {"GetOut", Call::ClearCommError, [](ExposedDriver& D) { return D.GetOut() == -1; }},
        {"GetEvent", Call::GetCommMask,
         [](ExposedDriver& D) {
             uint32_t Mask = 0;
             return !D.GetEvent(Mask);
         }},
        {"SetEvent", Call::SetCommMask,
         [](ExposedDriver& D) {
             D.SetEvent(EV_RXCHAR);
             return true;
         }},
        {"SetEscCode", Call::EscapeCommFunction,
         [](ExposedDriver& D) {
             D.SetEscCode(SETRTS);
             return true;
         }},
        {"GetFlags", Call::GetCommState, [](ExposedDriver& D) { return D.GetFlags() == ""; }},
        {"WaitReadable", Call::WaitReadable,
         [](ExposedDriver& D) { return !D.WaitReadable(10); }},
    };
    int32_t Code = 1000;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Operation);
        Line.Feed("data");
        Line.FailOnce(C.Failing, ++Code);
        EXPECT_TRUE(C.RunAndCheckResult(Driver));
        EXPECT_EQ(Driver.GetError(), Code);
        EXPECT_TRUE(Driver.Connected()) << "a failing transfer does not close the port";
        Line.Incoming.clear();
    }
}

TEST_F(OpenDriver, AFailingPurgeGivesFalseButLatchesNothing) {
    Line.FailOnce(Call::PurgeComm, 66);
    EXPECT_FALSE(Driver.FlushBuffers(true, true));
    EXPECT_EQ(Driver.GetError(), 0);
}

class ClosedDriver : public ::testing::Test {
  protected:
    MemorySerialPort Line;
    ExposedDriver Driver{nullptr, Borrow(Line)};
};

TEST_F(ClosedDriver, TransfersDoNothingAndLatchNothing) {
    Line.FailOnce(Call::Open, 2);  // leaves a platform error behind that must not be latched
    Driver.Connect();
    ASSERT_NE(Driver.GetError(), 0);
    Line.ClearLog();
    Line.Feed("waiting");

    Driver.SendString("AT\r\n");
    Driver.SendByte('A');
    EXPECT_EQ(Driver.GetString(5), "");
    EXPECT_FALSE(Driver.FlushBuffers(true, true));
    EXPECT_FALSE(Driver.WaitReadable(10));
    EXPECT_EQ(Driver.GetError(), 0);
    EXPECT_TRUE(Line.Log().empty()) << "nothing reaches the platform";
    EXPECT_TRUE(Line.Written.empty());
}

TEST_F(ClosedDriver, QueriesFailAndLatchThePlatformsLastError) {
    Line.FailOnce(Call::Open, 2);
    Driver.Connect();
    const int32_t Last = Line.GetLastError();
    ASSERT_NE(Last, 0);
    (void)Driver.GetError();
    Line.ClearLog();

    uint32_t Mask = 1234;
    EXPECT_EQ(Driver.GetIn(), -1);
    EXPECT_EQ(Driver.GetError(), Last);
    EXPECT_EQ(Driver.GetOut(), -1);
    EXPECT_EQ(Driver.GetError(), Last);
    EXPECT_EQ(Driver.GetByte(), 0);
    EXPECT_EQ(Driver.GetError(), Last);
    EXPECT_FALSE(Driver.GetEvent(Mask));
    EXPECT_EQ(Mask, 1234u);
    EXPECT_EQ(Driver.GetError(), Last);
    Driver.SetEvent(EV_RXCHAR);
    EXPECT_EQ(Driver.GetError(), Last);
    Driver.SetEscCode(SETDTR);
    EXPECT_EQ(Driver.GetError(), Last);
    EXPECT_EQ(Driver.ReadString(), "");
    EXPECT_EQ(Driver.GetError(), Last);
    EXPECT_TRUE(Line.Log().empty());
}

TEST_F(ClosedDriver, QueriesOnAFreshDriverLatchNothingWhenThePlatformHasNoError) {
    EXPECT_EQ(Driver.GetIn(), -1);
    EXPECT_EQ(Driver.GetOut(), -1);
    EXPECT_EQ(Driver.GetError(), 0) << "a code of 0 latches nothing";
}

}  // namespace
}  // namespace vorsa::test
