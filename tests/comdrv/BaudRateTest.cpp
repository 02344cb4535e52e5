#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <utility>
#include <vector>

#include "comdrv/BaudRate.h"

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
    for (const auto& [Baud, Rate] : {std::pair<int32_t, uint32_t>{600, 1200},
                                     {19200, 38400},
                                     {1000000, 256000},
                                     {256000, 256000},
                                     {256001, 256000},
                                     {-1, 256000},
                                     {INT32_MIN, 256000}}) {
        EXPECT_EQ(SnapBaudRate(Baud), Rate) << "Baud " << Baud;
    }
}

}  // namespace
}  // namespace vorsa::detail
