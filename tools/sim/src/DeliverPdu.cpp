#include "vorsa/sim/DeliverPdu.h"

#include "OctetReader.h"
#include "SmsAddressReader.h"

namespace vorsa::sim {
namespace {

constexpr uint8_t kMessageTypeMask = 0x03;
constexpr uint8_t kDeliverType = 0x00;
constexpr uint8_t kNoMoreMessages = 0x04;
constexpr uint8_t kStatusReportIndication = 0x20;
constexpr uint8_t kUserDataHeader = 0x40;
constexpr uint8_t kReplyPath = 0x80;

std::optional<DeliverPdu> Fail(std::string* error, const char* text) {
    if (error != nullptr) {
        *error = text;
    }
    return std::nullopt;
}

}  // namespace

uint8_t DeliverPdu::FirstOctet() const {
    uint8_t octet = kDeliverType;
    if (!moreMessagesToSend) {
        octet |= kNoMoreMessages;
    }
    if (statusReportIndication) {
        octet |= kStatusReportIndication;
    }
    if (!userData.header.empty()) {
        octet |= kUserDataHeader;
    }
    if (replyPath) {
        octet |= kReplyPath;
    }
    return octet;
}

std::optional<Octets> DeliverPdu::Encode() const {
    std::optional<Octets> centre = EncodeServiceCentreField(serviceCentre);
    std::optional<Octets> address = EncodeAddressField(originator);
    if (!centre || !address) {
        return std::nullopt;
    }
    Octets pdu = *centre;
    pdu.push_back(FirstOctet());
    pdu.insert(pdu.end(), address->begin(), address->end());
    pdu.push_back(protocolId);
    pdu.push_back(dataCoding);
    Octets time = serviceCentreTime.ToOctets();
    pdu.insert(pdu.end(), time.begin(), time.end());
    pdu.push_back(static_cast<uint8_t>(userData.LengthField()));
    Octets data = userData.Encode();
    pdu.insert(pdu.end(), data.begin(), data.end());
    return pdu;
}

std::optional<DeliverPdu> DeliverPdu::Decode(const Octets& pdu, std::string* error) {
    detail::OctetReader reader(pdu);
    DeliverPdu deliver;
    std::optional<Address> centre = detail::ReadServiceCentreField(reader);
    if (!centre) {
        return Fail(error, "service-centre address cut short");
    }
    deliver.serviceCentre = *centre;
    std::optional<uint8_t> first = reader.Next();
    if (!first) {
        return Fail(error, "PDU ends before the first octet");
    }
    if ((*first & kMessageTypeMask) != kDeliverType) {
        return Fail(error, "not an SMS-DELIVER");
    }
    deliver.moreMessagesToSend = (*first & kNoMoreMessages) == 0;
    deliver.statusReportIndication = (*first & kStatusReportIndication) != 0;
    deliver.replyPath = (*first & kReplyPath) != 0;
    std::optional<Address> originator = detail::ReadAddressField(reader);
    if (!originator) {
        return Fail(error, "originator address cut short or too long");
    }
    deliver.originator = *originator;
    std::optional<uint8_t> pid = reader.Next();
    std::optional<uint8_t> dcs = reader.Next();
    std::optional<Octets> time = reader.Take(7);
    std::optional<uint8_t> length = reader.Next();
    if (!pid || !dcs || !time || !length) {
        return Fail(error, "PDU ends before the user data length");
    }
    std::optional<TimeStamp> stamp = TimeStamp::FromOctets(*time);
    if (!stamp) {
        return Fail(error, "time stamp holds a non-decimal digit");
    }
    deliver.protocolId = *pid;
    deliver.dataCoding = *dcs;
    deliver.serviceCentreTime = *stamp;
    std::optional<Octets> rest = reader.Take(reader.Remaining());
    std::optional<UserData> data = UserData::Decode(
        *length, *rest, DescribeDataCoding(*dcs).alphabet, (*first & kUserDataHeader) != 0, error);
    if (!data) {
        return std::nullopt;
    }
    deliver.userData = *data;
    return deliver;
}

}  // namespace vorsa::sim
