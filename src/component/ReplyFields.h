// Small pieces of reply parsing shared by the read, the listing and the window procedure.
#pragma once

#include <string>

namespace vorsa::detail {

/// Text without a final "OK" joined to its end, then trimmed; unchanged when it does not end
/// in "OK". The reply collector trims each piece it reads, so a final "OK" that arrived in
/// a read of its own follows the last line with no line break between.
[[nodiscard]] std::string WithoutFinalOk(std::string Text);

/// A text-mode header line as the application receives it: the first ",," loses one comma
/// (the empty alpha field modems leave between number and time stamp), and every double
/// quote goes: "REC READ","+40700000000",,"02/03/04,10:20:30+08" gives
/// REC READ,+40700000000,02/03/04,10:20:30+08.
[[nodiscard]] std::string HeaderFields(std::string Header);

/// The first line of Reply that begins with Prefix, wherever it stands ("" when none): a
/// modem may put lines of its own before the answer (Huawei's "^RSSI: 15").
[[nodiscard]] std::string AnswerLine(const std::string& Reply, const std::string& Prefix);

/// A PDU-mode header: the originator and the service centre time stamp as formatDate writes
/// it, from the SMS-DELIVER PDU given; Text receives the message.
[[nodiscard]] std::string DeliverHeader(const std::string& Pdu, std::string& Text);

}  // namespace vorsa::detail
