// SMS-STATUS-REPORT: what became of a message sent with a status report request.
#include <string>
#include <string_view>

#include "pdu/HexOctets.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

constexpr uint8_t kMessageTypeMask = 0x03;
constexpr uint8_t kStatusReportType = 0x02;

struct StatusName {
    uint8_t status;
    const char* text;
};

// TP-Status values with a meaning of their own (GSM 03.40 / TS 23.040).
constexpr StatusName kStatusNames[] = {
    {0x00, "Short message received by the SME"},
    {0x01,
     "Short message forwarded by the SC to the SME but the SC is unable to confirm "
     "delivery"},
    {0x02, "Short message replaced by the SC"},
    {0x20, "Congestion"},
    {0x21, "SME busy"},
    {0x22, "No response from SME"},
    {0x23, "Service rejected"},
    {0x24, "Quality of service not available"},
    {0x25, "Error in SME"},
    {0x40, "Remote procedure error"},
    {0x41, "Incompatible destination"},
    {0x42, "Connection rejected by SME"},
    {0x43, "Not obtainable"},
    {0x44, "Quality of service not available"},
    {0x45, "No interworking available"},
    {0x46, "SM Validity Period Expired"},
    {0x47, "SM Deleted by originating SME"},
    {0x48, "SM Deleted by SC Administration"},
    {0x49, "SM does not exist"},
    {0x60, "Congestion"},
    {0x61, "SME busy"},
    {0x62, "No response from SME"},
    {0x63, "Service rejected"},
    {0x64, "Quality of service not available"},
    {0x65, "Error in SME"},
};

// The groups of 32 values, each with its reserved and centre-specific halves.
const char* groupText(uint8_t status) {
    const bool centreSpecific = (status & 0x10) != 0;
    switch (status >> 5) {
        case 0:
            return centreSpecific ? "Delivered (service centre specific status)"
                                  : "Delivered (reserved status)";
        case 1:
            return centreSpecific ? "Temporary error, still trying (service centre specific)"
                                  : "Temporary error, still trying (reserved status)";
        case 2:
            return centreSpecific ? "Permanent error (service centre specific)"
                                  : "Permanent error (reserved status)";
        case 3:
            return centreSpecific ? "Temporary error, no more attempts (service centre specific)"
                                  : "Temporary error, no more attempts (reserved status)";
        default:
            return "Reserved status";
    }
}

}  // namespace

DeliveryStatus deliveryStatusOf(uint8_t status) noexcept {
    if (status < 0x20) {
        return DeliveryStatus::Delivered;
    }
    if (status < 0x40) {
        return DeliveryStatus::Pending;
    }
    // 40-5F permanent errors, 60-7F temporary errors after which the centre stops trying;
    // values from 80 on are reserved, and a reserved value counts as the service being
    // refused.
    return DeliveryStatus::Failed;
}

std::string statusText(uint8_t status) {
    for (const StatusName& name : kStatusNames) {
        if (name.status == status) {
            return name.text;
        }
    }
    return groupText(status);
}

std::optional<StatusReport> decodeStatusReport(std::string_view pdu) {
    std::string upperCase;
    const std::optional<std::string_view> hex = detail::normalizedHex(pdu, upperCase);
    if (!hex) {
        return std::nullopt;
    }
    detail::HexOctets reader(*hex);
    std::optional<std::string> centre = detail::readServiceCentre(reader);
    const std::optional<uint8_t> firstOctet = reader.octet();
    if (!centre || !firstOctet || (*firstOctet & kMessageTypeMask) != kStatusReportType) {
        return std::nullopt;
    }
    const std::optional<uint8_t> reference = reader.octet();
    std::optional<detail::AddressField> recipient = detail::readAddress(reader);
    std::optional<std::string> centreTime = detail::readTimeStamp(reader);
    std::optional<std::string> dischargeTime = detail::readTimeStamp(reader);
    const std::optional<uint8_t> status = reader.octet();
    if (!reference || !recipient || !centreTime || !dischargeTime || !status) {
        return std::nullopt;
    }
    StatusReport report;
    report.serviceCentre = std::move(*centre);
    report.messageReference = *reference;
    report.recipient = std::move(recipient->text);
    report.serviceCentreTime = std::move(*centreTime);
    report.dischargeTime = std::move(*dischargeTime);
    report.status = *status;
    report.outcome = deliveryStatusOf(*status);
    report.statusText = statusText(*status);
    return report;
}

}  // namespace vorsa
