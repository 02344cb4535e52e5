// Takes the component's message strings apart into the fields the tool prints: the result
// of ReadSMS (status, sender, time stamp and text run together) and the header and body
// that OnReceiveSMS hands over (sender and time stamp, no status).
#pragma once

#include <string>

namespace vorsa::cli {

struct MessageFields {
    /// "REC UNREAD", "REC READ"...; empty where the component gives none (listed and
    /// forwarded messages).
    std::string status;
    /// The sender's number or name.
    std::string from;
    /// The name a text-mode modem puts beside the number (its phone book), if any.
    std::string name;
    /// "yy/MM/dd,hh:mm:ss+zz"; empty when the header holds no time stamp.
    std::string time;
    std::string text;
    /// The header as the component gave it, for whoever wants to parse it differently.
    std::string header;
};

/// The result of ReadSMS. Text mode: the header fields, CR LF, the text. PDU mode: the
/// status, the sender and the time stamp, then the text with no separator.
[[nodiscard]] MessageFields ParseReadResult(const std::string& result, bool textMode);

/// The Header and MessageBody of OnReceiveSMS: the sender (and, in text mode, a name) and
/// the time stamp.
[[nodiscard]] MessageFields ParseReceivedMessage(const std::string& header, const std::string& body,
                                                 bool textMode);

}  // namespace vorsa::cli
