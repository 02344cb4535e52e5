#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <vector>

#include "BaudRate.h"

namespace vorsa::detail {
namespace {

TEST(BaudSnapping, EveryRowOfTheRateTableAtBothBorders) {
    // {lowest Baud of the row, highest Baud of the row, rate}
    const std::vector<std::tuple<int32_t, int32_t, uint32_t>> Rows = {
        {0, 110, 110},
        {111, 300, 300},
        {301, 1200, 1200},
        {1201, 2400, 2400},
        {2401, 4800, 4800},
        {4801, 9600, 9600},
        {9601, 14400, 14400},
        {14401, 38400, 38400},
        {38401, 56000, 56000},
        {56001, 57600, 57600},
        {57601, 115200, 115200},
        {115201, 128000, 128000},
        {128001, INT32_MAX, 256000},
    };
    for (const auto& [Low, High, Rate] : Rows) {
        EXPECT_EQ(SnapBaudRate(Low), Rate) << "Baud " << Low;
        EXPECT_EQ(SnapBaudRate(High), Rate) << "Baud " << High;
    }
}

TEST(BaudSnapping, RatesMissingFromTheListGoUpAndOutOfRangeValuesGiveTheTop) {
    EXPECT_EQ(SnapBaudRate(600), 1200u);
    EXPECT_EQ(SnapBaudRate(19200), 38400u);
    EXPECT_EQ(SnapBaudRate(1000000), 256000u);
    EXPECT_EQ(SnapBaudRate(256000), 256000u);
    EXPECT_EQ(SnapBaudRate(256001), 256000u);
    EXPECT_EQ(SnapBaudRate(-1), 256000u);
    EXPECT_EQ(SnapBaudRate(INT32_MIN), 256000u);
}

}  // namespace
}  // namespace vorsa::detail
