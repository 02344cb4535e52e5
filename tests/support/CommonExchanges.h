// What the component and a modem say in the usual case, shared by the tests on the scripted
// double and on the simulator.
#pragma once

#include <string>
#include <vector>

namespace vorsa::test {

/// The set-up dialogue of Connect with the default properties.
inline const std::vector<std::string> DefaultDialogue = {"ATZ",
                                                         "ATE0&S0",
                                                         "AT+CPAS",
                                                         "AT+CPIN?",
                                                         "AT+CPMS=\"SM\",\"SM\",\"SM\"",
                                                         "AT+CNMI=2,1,0,0,0",
                                                         "AT+CMGF=1"};

/// The message "Hello" from +40700000000 through the centre +40700000001, sent 02/03/04
/// 10:20:30 at zone +08, as a delivered PDU...
inline const std::string HelloPdu =
    "07910407000000F1040B910407000000F000002030400102038005C8329BFD06";
/// ...and the header the component gives for it.
inline const std::string HelloHeader = "+40700000000,02/03/04,10:20:30+08";

}  // namespace vorsa::test
