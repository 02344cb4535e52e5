// The values the simulated modem is configured with and hands out: its options, the
// messages delivered to it and sent through it, what its storage holds, its fault
// switches and a snapshot of its settings.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "vorsa/sim/DataCoding.h"
#include "vorsa/sim/Hex.h"
#include "vorsa/sim/TimeStamp.h"

namespace vorsa::sim {

using Millis = std::chrono::milliseconds;

/// How the network answers a message sent with a status report request (TP-SRR in PDU
/// mode, bit 5 of the AT+CSMP first octet in text mode).
struct StatusReportSettings {
    /// Time from the send to the report.
    Millis delay{2000};
    /// TP-Status of the report: 00 delivered, 21 still trying (pending), 41 failed, or
    /// any other value.
    uint8_t status = 0x00;
};

struct ModemOptions {
    std::string manufacturer = "Vorsa";
    std::string model = "vorsa-sim";
    std::string revision = "1.0.0";
    std::string imei = "490154203237518";
    std::string imsi = "001010000000001";
    std::string operatorName = "Vorsa Sim";
    /// The SIM's message centre (AT+CSCA) after power-up.
    std::string serviceCentre = "+40700000000";
    /// The centre that received messages come from unless a delivery names another.
    std::string networkServiceCentre = "+40700000000";
    /// The SIM's PIN and PUK; whether it asks for the PIN at power-up.
    std::string pin = "0000";
    std::string puk = "12345678";
    bool pinRequired = false;
    /// Slots of the SIM ("SM") and phone ("ME") message memories, numbered from 1.
    int simCapacity = 30;
    int phoneCapacity = 30;
    /// +CSQ signal quality (0-31, 99 unknown).
    int signalQuality = 20;
    /// Message reference of the first message sent; each send adds one (mod 256).
    int firstMessageReference = 1;
    /// Messages sent to this number come back as received messages ("" for none).
    std::string ownNumber;
    /// Names shown in the alpha field of text-mode headers, by number.
    std::map<std::string, std::string> phonebook;
    /// The status reports the network sends back.
    StatusReportSettings statusReports;
};

enum class TextCoding {
    Automatic,  // the default alphabet when it holds every character, else UCS2
    Gsm7,
    EightBit,  // the text's bytes are the data octets
    Ucs2,
};

/// A message arriving from the network.
struct IncomingMessage {
    /// "+40700000001", a national number, or a name for an alphanumeric sender.
    std::string from;
    /// UTF-8 text; with EightBit, the data octets themselves.
    std::string text;
    TextCoding coding = TextCoding::Automatic;
    bool alphanumericSender = false;
    std::optional<int> messageClass;  // 0-3
    /// The service centre's time stamp; the local time of the delivery when not given.
    std::optional<TimeStamp> timeStamp;
    /// The sending centre; the modem's network centre when empty.
    std::string serviceCentre;
    /// Information elements of a user data header (without its length octet).
    Octets userDataHeader;
    uint8_t protocolId = 0;
};

struct DeliveryResult {
    /// False when the modem could not take the message (memory full, SIM locked, a text
    /// too long for one message); `error` then holds the +CMS ERROR number and `reason`.
    bool accepted = false;
    int error = 0;
    std::string reason;
    /// Where it was stored; empty memory and index 0 when it went to the terminal directly.
    std::string memory;
    int index = 0;
    /// The unsolicited report, as the modem sends it (held reports included), or empty.
    std::string report;
    /// The PDU the message was delivered as, hex, service centre first.
    std::string pdu;
};

/// A message the terminal handed to the modem for sending (AT+CMGS, AT+CMSS).
struct SentMessage {
    /// The reference the modem assigned and reported with +CMGS.
    int reference = 0;
    /// "+40700000000" for an international number, the digits otherwise.
    std::string destination;
    uint8_t destinationType = 0;
    /// UTF-8 text; for 8-bit data the octets themselves.
    std::string text;
    Alphabet alphabet = Alphabet::Gsm7;
    std::optional<int> messageClass;
    uint8_t dataCoding = 0;
    uint8_t protocolId = 0;
    uint8_t firstOctet = 0;
    /// TP-MR as the PDU carried it (the terminal usually leaves it 0).
    uint8_t pduReference = 0;
    Octets userDataHeader;
    /// PDU mode: the hex exactly as the terminal wrote it. Text mode: the PDU the modem
    /// built from the text and AT+CSMP.
    std::string pdu;
    /// The centre the PDU named; empty when it named none and the modem used AT+CSCA.
    std::string serviceCentre;
    bool textMode = false;
    /// The length argument of AT+CMGS (PDU mode), else the transfer unit's length.
    int length = 0;
};

enum class MessageStatus { ReceivedUnread = 0, ReceivedRead = 1, StoredUnsent = 2, StoredSent = 3 };

/// "REC UNREAD", "REC READ", "STO UNSENT", "STO SENT".
[[nodiscard]] const char* StatusText(MessageStatus status);

struct StoredMessage {
    std::string memory;  // "SM" or "ME"
    int index = 0;
    MessageStatus status = MessageStatus::ReceivedUnread;
    bool received = true;  // SMS-DELIVER; false for a stored SMS-SUBMIT
    /// Sender (received) or destination (stored for sending).
    std::string number;
    std::string text;
    /// "yy/MM/dd,hh:mm:ss+zz" of a received message, empty otherwise.
    std::string timeStamp;
    /// The stored PDU, hex, service centre first.
    std::string pdu;
};

/// Ways to make the modem misbehave. Command names are written as in the command line,
/// upper case, with their prefix: "+CMGS", "+CPIN", "E".
struct FaultSettings {
    /// The next N command lines get no answer and are not carried out (characters are
    /// still echoed as they arrive, as the echo comes before the line is complete).
    int ignoreNextCommands = 0;
    /// Lines holding one of these commands get no answer and are not carried out.
    std::set<std::string> ignoredCommands;
    /// A line holding one of these commands is answered with the given final result
    /// ("ERROR", "+CMS ERROR: 500", "+CME ERROR: 10") instead of being carried out.
    std::map<std::string, std::string> failingCommands;
    /// Every answer (responses, final results, the prompt) goes out this much later.
    Millis answerDelay{0};
    /// Non-zero: everything goes out one byte at a time, this far apart.
    Millis trickleGap{0};
    /// Non-zero: every unsolicited report stalls in the middle: its first half goes out at
    /// once, the rest this much later (and whatever follows it waits behind).
    Millis stallGap{0};
    /// The "> " prompt of AT+CMGS/AT+CMGW is not sent (the text is still taken).
    bool withholdPrompt = false;
    /// Echo the terminal's input even after ATE0.
    bool forceEcho = false;
    /// NUL bytes sent before every answer.
    int nulBytes = 0;
    /// Bytes sent before every answer, as line noise.
    std::string lineNoise;
    /// The SIM asks for its PIN again (as after a power cycle) until it is entered.
    bool simNeedsPin = false;
    /// The activity status +CPAS reports (0 ready, 1 unavailable, 2 unknown, 3 ringing,
    /// 4 call in progress, 5 asleep).
    int activityStatus = 0;
};

/// The settings the terminal has made, as the modem holds them now.
struct ModemSettings {
    bool echo = true;
    bool verbose = true;
    bool quiet = false;
    int errorMode = 0;  // AT+CMEE
    bool textMode = false;
    bool showTextHeaders = false;  // AT+CSDH
    std::string characterSet = "GSM";
    int notifyMode = 1, notifyDeliver = 1, notifyBroadcast = 0, notifyStatus = 0,
        notifyBuffer = 0;                                                     // AT+CNMI
    std::string readMemory = "SM", writeMemory = "SM", receiveMemory = "SM";  // AT+CPMS
    std::string serviceCentre;
    int serviceCentreType = 145;
    int messageService = 0;  // AT+CSMS
    int functionality = 1;   // AT+CFUN
    std::string simState = "READY";
    int submitFirstOctet = 17, submitValidity = 167, submitProtocol = 0,
        submitCoding = 0;  // AT+CSMP
    /// True while the modem waits for the text or PDU of AT+CMGS/AT+CMGW.
    bool awaitingMessage = false;
};

/// One piece of the conversation on the line, as it was read or written.
struct TranscriptEntry {
    Millis time{0};          // since the modem started
    bool fromModem = false;  // false: the terminal wrote it
    std::string bytes;
};

}  // namespace vorsa::sim
