// The console's long messages and status reports: `deliver` options that cut a message
// into parts and choose the order they arrive in, and the `report` command.
#include <cctype>
#include <sstream>

#include "vorsa/sim/AtCommandLine.h"
#include "vorsa/sim/Console.h"
#include "vorsa/sim/StatusReportPdu.h"

namespace vorsa::sim {
namespace {

std::string_view NextItem(std::string_view* rest) {
    while (!rest->empty() && std::isspace(static_cast<unsigned char>(rest->front()))) {
        rest->remove_prefix(1);
    }
    size_t end = 0;
    while (end < rest->size() && !std::isspace(static_cast<unsigned char>((*rest)[end]))) {
        ++end;
    }
    std::string_view word = rest->substr(0, end);
    rest->remove_prefix(end);
    return word;
}

Console::Result Reply(std::string text) {
    return Console::Result{std::move(text) + "\n", false};
}

// "3,1,2" as numbers; nullopt for anything else.
std::optional<std::vector<int>> NumberList(std::string_view text) {
    std::vector<int> numbers;
    while (!text.empty()) {
        size_t comma = text.find(',');
        std::optional<long> n = ParseInteger(text.substr(0, comma));
        if (!n || *n > 255) {
            return std::nullopt;
        }
        numbers.push_back(static_cast<int>(*n));
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    if (numbers.empty()) {
        return std::nullopt;
    }
    return numbers;
}

std::string Where(const DeliveryResult& result) {
    if (!result.accepted) {
        return "refused (" + std::to_string(result.error) + "): " + result.reason;
    }
    return result.index > 0 ? "stored in " + result.memory + " at " + std::to_string(result.index)
                            : std::string("forwarded to the terminal");
}

std::optional<uint8_t> StatusNamed(std::string_view word) {
    if (word == "delivered") {
        return kStatusDelivered;
    }
    if (word == "pending") {
        return kStatusPending;
    }
    if (word == "failed") {
        return kStatusFailed;
    }
    std::optional<long> n = ParseInteger(word);
    if (n && *n <= 255) {
        return static_cast<uint8_t>(*n);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> Console::ParsePartOption(std::string_view word, std::string_view* rest,
                                                    PartOptions* parts) {
    if (word == "--ref16") {
        parts->sixteenBit = true;
        return std::string();
    }
    if (word == "--reverse") {
        parts->arrangement.reverse = true;
        parts->arranged = true;
        return std::string();
    }
    if (word != "--ref" && word != "--order" && word != "--drop" && word != "--repeat") {
        return std::nullopt;
    }
    std::string_view value = NextItem(rest);
    if (word == "--order") {
        std::optional<std::vector<int>> order = NumberList(value);
        if (!order) {
            return std::string("--order takes part numbers, such as 2,1,3");
        }
        parts->arrangement.order = *order;
        parts->arranged = true;
        return std::string();
    }
    std::optional<long> n = ParseInteger(value);
    if (word == "--ref") {
        if (!n || *n > 65535) {
            return std::string("--ref takes 0 to 65535");
        }
        parts->reference = static_cast<uint16_t>(*n);
        return std::string();
    }
    if (!n || *n < 1 || *n > 255) {
        return std::string(word) + " takes a part number from 1";
    }
    (word == "--drop" ? parts->arrangement.drop : parts->arrangement.repeat) = static_cast<int>(*n);
    parts->arranged = true;
    return std::string();
}

std::optional<Console::Result> Console::DeliverInParts(const IncomingMessage& message,
                                                       const PartOptions& options) {
    uint16_t reference = options.reference.value_or(nextReference_);
    if (!options.sixteenBit) {
        reference &= 0xFF;
    }
    std::vector<IncomingMessage> parts = SplitIncoming(message, reference, options.sixteenBit);
    if (parts.empty()) {
        return Reply("refused: the text needs more than 255 parts");
    }
    if (parts.size() == 1 && !options.arranged) {
        return std::nullopt;
    }
    if (!options.reference) {
        ++nextReference_;
    }
    std::string error;
    std::optional<std::vector<size_t>> order =
        ArrangeParts(parts.size(), options.arrangement, &error);
    if (!order) {
        return Reply(error);
    }
    std::ostringstream out;
    out << parts.size() << (parts.size() == 1 ? " part" : " parts") << ", reference " << reference
        << "\n";
    for (size_t index : *order) {
        DeliveryResult result = modem_.Deliver(parts[index]);
        out << "part " << index + 1 << ": " << Where(result);
        if (!result.report.empty()) {
            out << "; report " << Printable(result.report);
        }
        out << "\n";
    }
    return Result{out.str(), false};
}

Console::Result Console::StatusReports(std::string_view arguments) {
    StatusReportSettings settings = modem_.StatusReports();
    std::string_view rest = arguments;
    for (std::string_view word = NextItem(&rest); !word.empty(); word = NextItem(&rest)) {
        if (word == "delay") {
            std::optional<long> ms = ParseInteger(NextItem(&rest));
            if (!ms) {
                return Reply("report delay takes milliseconds");
            }
            settings.delay = Millis(*ms);
        } else if (std::optional<uint8_t> status = StatusNamed(word)) {
            settings.status = *status;
        } else {
            return Reply("usage: report [delay MS] [delivered|pending|failed|STATUS]");
        }
    }
    modem_.SetStatusReports(settings);
    return Reply("status reports after " + std::to_string(settings.delay.count()) +
                 " ms with status " + std::to_string(settings.status));
}

}  // namespace vorsa::sim
