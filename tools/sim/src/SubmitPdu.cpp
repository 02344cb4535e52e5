#include "vorsa/sim/SubmitPdu.h"

#include "OctetReader.h"
#include "SmsAddressReader.h"

namespace vorsa::sim {
namespace {

constexpr uint8_t kMessageTypeMask = 0x03;
constexpr uint8_t kSubmitType = 0x01;
constexpr uint8_t kRejectDuplicates = 0x04;
constexpr uint8_t kStatusReportRequest = 0x20;
constexpr uint8_t kUserDataHeader = 0x40;
constexpr uint8_t kReplyPath = 0x80;

bool Fail(std::string* error, const char* text) {
    if (error != nullptr) {
        *error = text;
    }
    return false;
}

size_t ValidityLength(ValidityFormat format) {
    switch (format) {
        case ValidityFormat::None:
            return 0;
        case ValidityFormat::Relative:
            return 1;
        case ValidityFormat::Enhanced:
        case ValidityFormat::Absolute:
            return 7;
    }
    return 0;
}

}  // namespace

std::optional<size_t> ServiceCentrePartLength(const Octets& pdu) {
    if (pdu.empty() || pdu[0] + 1u > pdu.size()) {
        return std::nullopt;
    }
    return pdu[0] + 1u;
}

uint8_t SubmitPdu::FirstOctet() const {
    uint8_t octet = kSubmitType;
    if (rejectDuplicates) {
        octet |= kRejectDuplicates;
    }
    octet = static_cast<uint8_t>(octet | static_cast<unsigned>(validityFormat) << 3);
    if (statusReportRequest) {
        octet |= kStatusReportRequest;
    }
    if (!userData.header.empty()) {
        octet |= kUserDataHeader;
    }
    if (replyPath) {
        octet |= kReplyPath;
    }
    return octet;
}

std::optional<Octets> SubmitPdu::Encode() const {
    std::optional<Octets> centre = EncodeServiceCentreField(serviceCentre);
    std::optional<Octets> address = EncodeAddressField(destination);
    if (!centre || !address || validityPeriod.size() != ValidityLength(validityFormat)) {
        return std::nullopt;
    }
    Octets pdu = *centre;
    pdu.push_back(FirstOctet());
    pdu.push_back(messageReference);
    pdu.insert(pdu.end(), address->begin(), address->end());
    pdu.push_back(protocolId);
    pdu.push_back(dataCoding);
    pdu.insert(pdu.end(), validityPeriod.begin(), validityPeriod.end());
    pdu.push_back(static_cast<uint8_t>(userData.LengthField()));
    Octets data = userData.Encode();
    pdu.insert(pdu.end(), data.begin(), data.end());
    return pdu;
}

std::optional<SubmitPdu> SubmitPdu::Decode(const Octets& pdu, std::string* error) {
    detail::OctetReader reader(pdu);
    SubmitPdu submit;
    std::optional<Address> centre = detail::ReadServiceCentreField(reader);
    if (!centre) {
        Fail(error, "service-centre address cut short");
        return std::nullopt;
    }
    submit.serviceCentre = *centre;
    std::optional<uint8_t> first = reader.Next();
    std::optional<uint8_t> reference = reader.Next();
    if (!first || !reference) {
        Fail(error, "PDU ends before the message reference");
        return std::nullopt;
    }
    if ((*first & kMessageTypeMask) != kSubmitType) {
        Fail(error, "not an SMS-SUBMIT");
        return std::nullopt;
    }
    submit.rejectDuplicates = (*first & kRejectDuplicates) != 0;
    submit.validityFormat = static_cast<ValidityFormat>(*first >> 3 & 0x03);
    submit.statusReportRequest = (*first & kStatusReportRequest) != 0;
    submit.replyPath = (*first & kReplyPath) != 0;
    bool hasHeader = (*first & kUserDataHeader) != 0;
    submit.messageReference = *reference;
    std::optional<Address> destination = detail::ReadAddressField(reader);
    if (!destination) {
        Fail(error, "destination address cut short or too long");
        return std::nullopt;
    }
    submit.destination = *destination;
    std::optional<uint8_t> pid = reader.Next();
    std::optional<uint8_t> dcs = reader.Next();
    std::optional<Octets> validity = reader.Take(ValidityLength(submit.validityFormat));
    std::optional<uint8_t> length = reader.Next();
    if (!pid || !dcs || !validity || !length) {
        Fail(error, "PDU ends before the user data length");
        return std::nullopt;
    }
    submit.protocolId = *pid;
    submit.dataCoding = *dcs;
    submit.validityPeriod = *validity;
    std::optional<Octets> rest = reader.Take(reader.Remaining());
    std::optional<UserData> data =
        UserData::Decode(*length, *rest, DescribeDataCoding(*dcs).alphabet, hasHeader, error);
    if (!data) {
        return std::nullopt;
    }
    submit.userData = *data;
    return submit;
}

}  // namespace vorsa::sim
