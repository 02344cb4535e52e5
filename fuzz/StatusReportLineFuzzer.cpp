// Arbitrary modem bytes as the text-mode status report line ("+CDS: <fo>,<mr>,"<ra>",
// <tora>,"<scts>","<dt>",<st>") and as the fields of any text-mode header: the readers
// return, take nothing that was not in the line, and a report they give has the meaning
// of its status.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "component/TextModeFields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace vorsa::detail;
    const std::string line(reinterpret_cast<const char*>(data), size);

    const std::vector<TextField> fields = SplitTextFields(line);
    std::size_t taken = 0;
    for (const TextField& field : fields) {
        taken += field.Value.size();
    }
    VORSA_FUZZ_CHECK(taken <= line.size());

    for (const std::string& candidate : {line, "+CDS: " + line}) {
        const std::optional<vorsa::StatusReport> report = ParseStatusReportLine(candidate);
        if (!report) {
            continue;
        }
        VORSA_FUZZ_CHECK(report->outcome == vorsa::deliveryStatusOf(report->status));
        VORSA_FUZZ_CHECK(report->statusText == vorsa::statusText(report->status));
        VORSA_FUZZ_CHECK(report->recipient.size() + report->serviceCentreTime.size() +
                             report->dischargeTime.size() <=
                         candidate.size());
    }
    return 0;
}
