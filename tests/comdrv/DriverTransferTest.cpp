// Reads, writes, queue counts, events and the failure of each platform call, on the
// in-memory serial interface.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "comdrv/DriverOnMemory.h"

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

TEST_F(OpenDriver, SendStringWritesInStagingSizedPiecesWithoutLoss) {
    struct Case {
        size_t Size;
        std::vector<size_t> Pieces;
    };
    for (const Case& C : {Case{0, {}}, Case{300, {300}},
                          Case{8192, {8192}},  // exactly the staging size is one piece
                          Case{2 * 8192 + 3616, {8192, 8192, 3616}}}) {
        SCOPED_TRACE(C.Size);
        Line.Writes.clear();
        Line.Written.clear();
        const std::string S = Pattern(C.Size);
        Driver.SendString(S);
        std::vector<size_t> Pieces;
        for (const std::string& Write : Line.Writes) {
            Pieces.push_back(Write.size());
        }
        EXPECT_EQ(Pieces, C.Pieces);
        EXPECT_EQ(Line.Written, S);
        EXPECT_EQ(Driver.GetError(), 0);
    }
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

// Every operation with the platform call it makes, what it gives when that call fails or
// the port is closed, and what it latches then.
struct Operation {
    enum WhenClosed { DoesNothing, LatchesLastError, QueriesTheHandle };
    const char* Name;
    Call Uses;
    bool LatchesItsFailure;
    WhenClosed Closed;
    std::function<bool(ExposedDriver&)> RunGivesTheFailureResult;
};

// An operation without a result: running it is all there is to check.
std::function<bool(ExposedDriver&)> Action(void (*Run)(ExposedDriver&)) {
    return [Run](ExposedDriver& D) {
        Run(D);
        return true;
    };
}

const std::vector<Operation>& Operations() {
    using O = Operation;
    static const std::vector<Operation> All = {
        {"SendString", Call::WriteFile, true, O::DoesNothing,
         Action([](ExposedDriver& D) { D.SendString("AT\r\n"); })},
        {"SendByte", Call::WriteFile, true, O::DoesNothing,
         Action([](ExposedDriver& D) { D.SendByte('A'); })},
        {"GetString", Call::ReadFile, true, O::DoesNothing,
         [](ExposedDriver& D) { return D.GetString(4) == ""; }},
        {"GetByte", Call::ReadFile, true, O::LatchesLastError,
         [](ExposedDriver& D) { return D.GetByte() == 0; }},
        {"ReadString", Call::ReadFile, true, O::LatchesLastError,
         [](ExposedDriver& D) { return D.ReadString() == ""; }},
        {"GetIn", Call::ClearCommError, true, O::LatchesLastError,
         [](ExposedDriver& D) { return D.GetIn() == -1; }},
        {"GetOut", Call::ClearCommError, true, O::LatchesLastError,
         [](ExposedDriver& D) { return D.GetOut() == -1; }},
        // A failed query leaves the reference alone.
        {"GetEvent", Call::GetCommMask, true, O::LatchesLastError,
         [](ExposedDriver& D) {
             uint32_t Mask = 1234;
             return !D.GetEvent(Mask) && Mask == 1234;
         }},
        {"SetEvent", Call::SetCommMask, true, O::LatchesLastError,
         Action([](ExposedDriver& D) { D.SetEvent(EV_RXCHAR); })},
        {"SetEscCode", Call::EscapeCommFunction, true, O::LatchesLastError,
         Action([](ExposedDriver& D) { D.SetEscCode(SETRTS); })},
        // GetFlags asks the platform about the handle it has even on a closed port.
        {"GetFlags", Call::GetCommState, true, O::QueriesTheHandle,
         [](ExposedDriver& D) { return D.GetFlags() == ""; }},
        {"WaitReadable", Call::WaitReadable, true, O::DoesNothing,
         [](ExposedDriver& D) { return !D.WaitReadable(10); }},
        // A failing purge gives false but latches nothing.
        {"FlushBuffers", Call::PurgeComm, false, O::DoesNothing,
         [](ExposedDriver& D) { return !D.FlushBuffers(true, true); }},
    };
    return All;
}

TEST_F(OpenDriver, EachFailingPlatformCallGivesTheFailureResultAndLatchesItsCode) {
    int32_t Code = 1000;
    for (const Operation& Op : Operations()) {
        SCOPED_TRACE(Op.Name);
        Line.Feed("data");
        Line.FailOnce(Op.Uses, ++Code);
        EXPECT_TRUE(Op.RunGivesTheFailureResult(Driver));
        EXPECT_EQ(Driver.GetError(), Op.LatchesItsFailure ? Code : 0);
        EXPECT_TRUE(Driver.Connected()) << "a failing transfer does not close the port";
        Line.Incoming.clear();
    }
}

TEST_F(DriverOnMemory, OnAClosedPortTransfersDoNothingAndQueriesLatchThePlatformsLastError) {
    Line.FailOnce(Call::Open, 2);  // leaves a platform error behind
    Driver.Connect();
    ASSERT_NE(Driver.GetError(), 0);
    const int32_t Last = Line.GetLastError();
    ASSERT_NE(Last, 0);
    Line.ClearLog();
    Line.Feed("waiting");
    for (const Operation& Op : Operations()) {
        if (Op.Closed != Operation::QueriesTheHandle) {
            SCOPED_TRACE(Op.Name);
            EXPECT_TRUE(Op.RunGivesTheFailureResult(Driver));
            EXPECT_EQ(Driver.GetError(), Op.Closed == Operation::DoesNothing ? 0 : Last);
        }
    }
    EXPECT_TRUE(Line.Log().empty()) << "nothing reaches the platform";
    EXPECT_TRUE(Line.Written.empty());
}

TEST_F(DriverOnMemory, QueriesOnAFreshDriverLatchNothingWhenThePlatformHasNoError) {
    for (const Operation& Op : Operations()) {
        if (Op.Closed == Operation::LatchesLastError) {
            SCOPED_TRACE(Op.Name);
            EXPECT_TRUE(Op.RunGivesTheFailureResult(Driver));
            EXPECT_EQ(Driver.GetError(), 0) << "a code of 0 latches nothing";
        }
    }
}

}  // namespace
}  // namespace vorsa::test
