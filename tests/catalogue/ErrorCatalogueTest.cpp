#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>

#include "vorsa/SMScnst.h"

namespace vorsa {
namespace {

const std::string kFallback = "Unknown of manufacturer specific error";

// Every code with a text of its own, typed in by hand apart from the library's table: the
// relay-layer causes, the modem's own errors and the library's codes.
// clang-format off
const std::map<int32_t, std::string> kOwnTexts = {
    {1, "Unassigned (unallocated) number"}, {8, "Operator determined barring"},
    {10, "Call barred"}, {17, "Network failure"}, {21, "Short message transfer rejected"},
    {22, "Congestion"}, {27, "Destination out of service"}, {28, "Unidentified subscriber"},
    {29, "Facility rejected"}, {30, "Unknown subscriber"}, {38, "Network out of order"},
    {41, "Temporary failure"}, {42, "Congestion"}, {47, "Resources unavailable, unspecified"},
    {50, "Requested facility not subscribed"}, {69, "Requested facility not implemented"},
    {81, "Invalid short message transfer reference value"},
    {95, "Invalid message, unspecified"}, {96, "Invalid mandatory information"},
    {97, "Message type non-existent or not implemented"},
    {98, "Message not compatible with short message protocol state"},
    {99, "Information element non-existent or not implemented"},
    {111, "Protocol error, unspecified"}, {127, "Interworking, unspecified"},
    {300, "ME Failure"}, {301, "SMS service of ME reserved"}, {302, "Operation not allowed"},
    {303, "Operation not supported"}, {304, "Invalid PDU mode parameter"},
    {305, "Invalid text mode parameter"}, {310, "SIM not inserted"}, {311, "SIM PIN required"},
    {312, "PH-SIM PIN required"}, {313, "SIM failure"}, {314, "SIM busy"}, {315, "SIM wrong"},
    {316, "SIM PUK required"}, {317, "SIM PIN2 required"}, {318, "SIM PUK2 required"},
    {320, "Memory failure"}, {321, "Invalid memory index"}, {322, "Memory full"},
    {330, "SMSC address unknown"}, {331, "No network service"}, {332, "Network timeout"},
    {340, "No +CNMA acknoledgement expected"}, {500, "Unknown error"},
    {1000, "COM Error. Terminal not connected."}, {1001, "System Error."},
    {1002, "Reading Timeout."},
};
// clang-format on

// The text a code should have: its own, else its block's (relay layer 0 to 127, transfer
// layer 128 to 255), else the fallback.
std::string ExpectedText(int32_t Code) {
    const auto Own = kOwnTexts.find(Code);
    if (Own != kOwnTexts.end()) {
        return Own->second;
    }
    if (Code >= 0 && Code <= 127) {
        return "GSM 04.11 Error";
    }
    return Code >= 128 && Code <= 255 ? "GSM 03.40 Error" : kFallback;
}

TEST(ErrorCatalogue, EveryCodeAroundTheBlocksHasItsOwnOrItsBlocksText) {
    ASSERT_EQ(kOwnTexts.size(), 24u + 23u + 3u);
    // Covers every own entry, both borders of each block and the gaps of the modem block.
    for (int32_t Code = -300; Code <= 1300; ++Code) {
        ASSERT_EQ(GetErrString(Code), ExpectedText(Code)) << "code " << Code;
    }
}

TEST(ErrorCatalogue, CodesFarOutsideTheBlocksGiveTheFallback) {
    for (int32_t Code :
         {65535, -1000, std::numeric_limits<int32_t>::min(),
          std::numeric_limits<int32_t>::min() + 1, std::numeric_limits<int32_t>::max()}) {
        EXPECT_EQ(GetErrString(Code), kFallback) << "code " << Code;
    }
}

TEST(ErrorCatalogue, LibraryCodesNameTheirTexts) {
    EXPECT_EQ(GetErrString(ErrNotConnected), "COM Error. Terminal not connected.");
    EXPECT_EQ(GetErrString(ErrModemError), "System Error.");
    EXPECT_EQ(GetErrString(ErrReadTimeout), "Reading Timeout.");
    EXPECT_EQ(GetErrString(ErrPinRefused), "SIM PIN required");
    EXPECT_EQ(GetErrString(ErrNotCatalogued), kFallback);
}

TEST(ErrorCatalogue, NamesAreUniqueAndOnlyForOwnEntries) {
    std::set<std::string> Seen;
    for (const auto& [Code, Text] : kOwnTexts) {
        const std::string Name = GetErrName(Code);
        EXPECT_FALSE(Name.empty()) << "code " << Code;
        EXPECT_TRUE(Seen.insert(Name).second) << "duplicate name " << Name;
    }
    EXPECT_EQ(GetErrName(ErrReadTimeout), "ReadTimeout");
    EXPECT_EQ(GetErrName(42), "Congestion");
    for (int32_t Code : {0, 200, -1}) {
        EXPECT_EQ(GetErrName(Code), "") << "code " << Code;
    }
}

}  // namespace
}  // namespace vorsa
