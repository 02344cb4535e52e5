#include "vorsa/sim/StatusReportPdu.h"

#include "OctetReader.h"
#include "SmsAddressReader.h"

namespace vorsa::sim {
namespace {

constexpr uint8_t kMessageTypeMask = 0x03;
constexpr uint8_t kStatusReportType = 0x02;
constexpr uint8_t kNoMoreMessages = 0x04;
constexpr uint8_t kCommandQualifier = 0x20;

std::optional<StatusReportPdu> Fail(std::string* error, const char* text) {
    if (error != nullptr) {
        *error = text;
    }
    return std::nullopt;
}

}  // namespace

uint8_t StatusReportPdu::FirstOctet() const {
    uint8_t octet = kStatusReportType;
    if (!moreMessagesToSend) {
        octet |= kNoMoreMessages;
    }
    if (commandQualifier) {
        octet |= kCommandQualifier;
    }
    return octet;
}

std::optional<Octets> StatusReportPdu::Encode() const {
    std::optional<Octets> centre = EncodeServiceCentreField(serviceCentre);
    std::optional<Octets> address = EncodeAddressField(recipient);
    if (!centre || !address) {
        return std::nullopt;
    }
    Octets pdu = *centre;
    pdu.push_back(FirstOctet());
    pdu.push_back(messageReference);
    pdu.insert(pdu.end(), address->begin(), address->end());
    for (const TimeStamp& stamp : {serviceCentreTime, dischargeTime}) {
        Octets octets = stamp.ToOctets();
        pdu.insert(pdu.end(), octets.begin(), octets.end());
    }
    pdu.push_back(status);
    return pdu;
}

std::optional<StatusReportPdu> StatusReportPdu::Decode(const Octets& pdu, std::string* error) {
    detail::OctetReader reader(pdu);
    StatusReportPdu report;
    std::optional<Address> centre = detail::ReadServiceCentreField(reader);
    if (!centre) {
        return Fail(error, "service-centre address cut short");
    }
    report.serviceCentre = *centre;
    std::optional<uint8_t> first = reader.Next();
    std::optional<uint8_t> reference = reader.Next();
    if (!first || !reference) {
        return Fail(error, "PDU ends before the message reference");
    }
    if ((*first & kMessageTypeMask) != kStatusReportType) {
        return Fail(error, "not an SMS-STATUS-REPORT");
    }
    report.moreMessagesToSend = (*first & kNoMoreMessages) == 0;
    report.commandQualifier = (*first & kCommandQualifier) != 0;
    report.messageReference = *reference;
    std::optional<Address> recipient = detail::ReadAddressField(reader);
    if (!recipient) {
        return Fail(error, "recipient address cut short or too long");
    }
    report.recipient = *recipient;
    std::optional<Octets> centreTime = reader.Take(7);
    std::optional<Octets> dischargeTime = reader.Take(7);
    std::optional<uint8_t> status = reader.Next();
    if (!centreTime || !dischargeTime || !status) {
        return Fail(error, "PDU ends before the status");
    }
    std::optional<TimeStamp> received = TimeStamp::FromOctets(*centreTime);
    std::optional<TimeStamp> discharged = TimeStamp::FromOctets(*dischargeTime);
    if (!received || !discharged) {
        return Fail(error, "time stamp holds a non-decimal digit");
    }
    report.serviceCentreTime = *received;
    report.dischargeTime = *discharged;
    report.status = *status;
    return report;
}

}  // namespace vorsa::sim
