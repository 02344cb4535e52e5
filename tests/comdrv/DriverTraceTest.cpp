// The trace hook: every byte that goes on the line or comes off it reaches OnTrace once, in
// order and with its direction; failed transfers pass on only what really moved.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "comdrv/DriverOnMemory.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;
using Traced = std::pair<bool, std::string>;

class TracedDriver : public OpenDriver {
  protected:
    void SetUp() override {
        OpenDriver::SetUp();
        Driver.OnTrace = [this](bool Outgoing, const std::string& Bytes) {
            Seen.emplace_back(Outgoing, Bytes);
        };
    }

    std::vector<Traced> Seen;
};

TEST_F(TracedDriver, WritesAndReadsArriveInOrderWithTheirDirection) {
    Driver.SendString("AT\r\n");
    Line.Feed("\r\nOK\r\n");
    EXPECT_EQ(Driver.ReadString(), "OK");
    Driver.SendByte(26);
    Line.Feed("x");
    EXPECT_EQ(Driver.GetByte(), 'x');

    const std::vector<Traced> Expected{
        {true, "AT\r\n"}, {false, "\r\nOK\r\n"}, {true, "\x1A"}, {false, "x"}};
    EXPECT_EQ(Seen, Expected) << "the trace holds the raw bytes, before any trimming";
}

TEST_F(TracedDriver, LongTransfersAreTracedPieceByPieceWithoutLoss) {
    const std::string Long(2 * TComPortDriver::StagingSize + 5, 'a');
    Driver.SendString(Long);
    Line.Feed(Long);
    EXPECT_EQ(Driver.GetString(static_cast<int32_t>(Long.size())), Long);

    std::string Out;
    std::string In;
    for (const auto& [Outgoing, Bytes] : Seen) {
        EXPECT_LE(Bytes.size(), static_cast<size_t>(TComPortDriver::StagingSize));
        (Outgoing ? Out : In) += Bytes;
    }
    EXPECT_EQ(Out, Long);
    EXPECT_EQ(In, Long);
}

TEST_F(TracedDriver, EmptyReadsAndFailedTransfersTraceOnlyWhatMoved) {
    EXPECT_EQ(Driver.ReadString(), "") << "nothing waits";
    Line.FailOnce(Call::WriteFile, 5);
    Driver.SendString("lost");
    EXPECT_EQ(Driver.GetError(), 5);
    Driver.SendString("");
    EXPECT_TRUE(Seen.empty());

    Line.AcceptPerWrite = 3;
    Driver.SendString("AT+CMGS\r\n");
    EXPECT_EQ(Driver.GetError(), MemorySerialPort::TimeoutError);
    EXPECT_EQ(Seen, (std::vector<Traced>{{true, "AT+"}})) << "only the part that went out";
}

TEST_F(TracedDriver, AClosedPortTracesNothingAndAnUnassignedHookIsSkipped) {
    Driver.DisConnect();
    Driver.SendString("AT\r\n");
    (void)Driver.GetString(4);
    EXPECT_TRUE(Seen.empty());

    Driver.Connect();
    Driver.OnTrace = nullptr;
    Driver.SendString("AT\r\n");
    Line.Feed("OK");
    EXPECT_EQ(Driver.ReadString(), "OK");
    EXPECT_EQ(Line.Written, "AT\r\n");
}

}  // namespace
}  // namespace vorsa::test
