#include "component/TextModeFields.h"

#include <cstdint>

namespace vorsa::detail {

namespace {

constexpr size_t kStatusReportFields = 7;

bool IsBlank(char C) {
    return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

std::string_view Trimmed(std::string_view Text) {
    while (!Text.empty() && IsBlank(Text.front())) {
        Text.remove_prefix(1);
    }
    while (!Text.empty() && IsBlank(Text.back())) {
        Text.remove_suffix(1);
    }
    return Text;
}

// A decimal field of at most three digits, within Most.
std::optional<uint32_t> SmallNumber(const TextField& Field, uint32_t Most) {
    if (Field.Quoted || Field.Value.empty() || Field.Value.size() > 3) {
        return std::nullopt;
    }
    uint32_t Value = 0;
    for (const char C : Field.Value) {
        if (C < '0' || C > '9') {
            return std::nullopt;
        }
        Value = Value * 10 + static_cast<uint32_t>(C - '0');
    }
    if (Value > Most) {
        return std::nullopt;
    }
    return Value;
}

}  // namespace

std::vector<TextField> SplitTextFields(std::string_view Line) {
    Line = Trimmed(Line);
    if (!Line.empty() && Line.front() == '+') {
        const size_t Colon = Line.find(':');
        if (Colon != std::string_view::npos) {
            Line = Trimmed(Line.substr(Colon + 1));
        }
    }
    std::vector<TextField> Fields;
    TextField Field;
    bool InQuotes = false;
    std::string Bare;
    const auto Close = [&] {
        if (!Field.Quoted) {
            Field.Value = std::string(Trimmed(Bare));
        }
        Fields.push_back(std::move(Field));
        Field = TextField();
        Bare.clear();
    };
    for (const char C : Line) {
        if (InQuotes) {
            if (C == '"') {
                InQuotes = false;
            } else {
                Field.Value += C;
            }
        } else if (C == '"') {
            InQuotes = true;
            Field.Quoted = true;
        } else if (C == ',') {
            Close();
        } else if (!Field.Quoted) {
            Bare += C;
        }
    }
    Close();
    return Fields;
}

std::optional<StatusReport> StatusReportFromFields(const std::vector<TextField>& Fields,
                                                   size_t First) {
    if (Fields.size() < First + kStatusReportFields) {
        return std::nullopt;
    }
    const TextField* F = &Fields[First];
    const std::optional<uint32_t> FirstOctet = SmallNumber(F[0], 255);
    const std::optional<uint32_t> Reference = SmallNumber(F[1], 255);
    const std::optional<uint32_t> Status = SmallNumber(F[6], 255);
    if (!FirstOctet || !Reference || !Status || !F[4].Quoted || !F[5].Quoted) {
        return std::nullopt;
    }
    StatusReport Report;
    Report.messageReference = static_cast<uint8_t>(*Reference);
    Report.recipient = F[2].Value;
    Report.serviceCentreTime = F[4].Value;
    Report.dischargeTime = F[5].Value;
    Report.status = static_cast<uint8_t>(*Status);
    Report.outcome = deliveryStatusOf(Report.status);
    Report.statusText = statusText(Report.status);
    return Report;
}

std::optional<StatusReport> ParseStatusReportLine(std::string_view Line) {
    return StatusReportFromFields(SplitTextFields(Line), 0);
}

}  // namespace vorsa::detail
