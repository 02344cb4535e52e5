// Messages as a recipient's modem shows them, for the tests of the component's receiving:
// the SMS-DELIVER units of a text in parts from a sender, and the reports and replies that
// carry them in PDU mode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/SubmitToDeliver.h"
#include "vorsa/Framework.h"
#include "vorsa/PDU.h"

namespace vorsa::test {

/// The SMS-DELIVER PDUs of Text from Sender, one a part, in order (Reference names the
/// concatenation of a text longer than one message).
[[nodiscard]] inline std::vector<std::string> IncomingPdus(const std::string& Sender,
                                                           const std::string& Text,
                                                           uint8_t Reference) {
    std::vector<std::string> Pdus;
    for (const SubmitPart& Part :
         encodeSubmitParts("+40700000001", Sender, Text, {}, Reference).parts) {
        Pdus.push_back(vorsa::testing::deliverFromSubmit(Part.pdu));
    }
    return Pdus;
}

/// "+CMT: ,<length>" and the PDU, as a modem forwards a message in PDU mode.
[[nodiscard]] inline std::string ForwardedReport(const std::string& Pdu) {
    return "\r\n+CMT: ," + IntToStr(PduLength(Pdu)) + "\r\n" + Pdu + "\r\n";
}

/// The answer to AT+CMGR in PDU mode for a received unread message.
[[nodiscard]] inline std::string ReadReply(const std::string& Pdu) {
    return "\r\n+CMGR: 0,," + IntToStr(PduLength(Pdu)) + "\r\n" + Pdu + "\r\n\r\nOK\r\n";
}

/// One entry of an AT+CMGL answer in PDU mode (Status 0 unread, 1 read).
[[nodiscard]] inline std::string ListedEntry(int Index, const std::string& Pdu, int Status = 1) {
    return "+CMGL: " + IntToStr(Index) + "," + IntToStr(Status) + ",," + IntToStr(PduLength(Pdu)) +
           "\r\n" + Pdu + "\r\n";
}

}  // namespace vorsa::test
