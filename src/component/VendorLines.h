// Lines that modems send on their own about radio, network or power state, at any moment
// and so in the middle of any reply. None of them concerns short messages: they are cut
// out of every reply (except where the command asked for that very line, "AT+CREG?"
// answers "+CREG: ..."), so that the answer the command waits for is found wherever it
// stands.
#pragma once

#include <array>
#include <string_view>

namespace vorsa::detail {

struct VendorLine {
    std::string_view Prefix;
    bool Whole;  ///< the line is exactly the text, rather than beginning with it
};

inline constexpr std::array<VendorLine, 22> VendorLines{{
    // Huawei E1550, E1552, E173, E3131: signal, boot, system mode, data flow (every two
    // seconds while a data call runs), service state, SIM state, LTE signal.
    {"^RSSI:", false},
    {"^BOOT:", false},
    {"^MODE:", false},
    {"^DSFLOWRPT:", false},
    {"^SRVST:", false},
    {"^SIMST:", false},
    {"^HCSQ:", false},
    {"^SYSSTART", false},
    {"^SMMEMFULL:", false},
    // Huawei voice modems: call progress.
    {"^ORIG:", false},
    {"^CONF:", false},
    {"^CONN:", false},
    {"^CEND:", false},
    // ZTE MF626, MF190 and the Qualcomm-based sticks that share their firmware: operator
    // name, service type, SIM type, end of a data session.
    {"+ZDONR:", false},
    {"+ZPASR:", false},
    {"+ZUSIMR:", false},
    {"+ZEND", true},
    // Any modem: an incoming call, registration changes (after AT+CREG=1, AT+CGREG=1 or
    // AT+CEREG=1, which some sticks turn on by themselves), indicator events (Siemens,
    // Sony Ericsson phones).
    {"RING", true},
    {"+CREG:", false},
    {"+CGREG:", false},
    {"+CEREG:", false},
    {"+CIEV:", false},
}};

/// Whether Line is one of these, and not what Command (the command line written, "" for
/// none) asks for.
[[nodiscard]] bool IsVendorLine(std::string_view Line, std::string_view Command) noexcept;

}  // namespace vorsa::detail
