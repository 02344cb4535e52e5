// Arbitrary modem bytes as the answers set-up adapts to (AT+CPMS=?, AT+CNMI=?, AT+CPIN?, an
// unread listing) and as settings: every reader returns, and what it gives is what the
// modem offered: a chosen memory is one listed, a chosen routing is one the ranges allow,
// a listed index is digits.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "component/CommandArguments.h"
#include "component/ReplyFields.h"
#include "component/SetupReplies.h"

namespace {

bool Listed(const std::vector<std::string>& List, const std::string& Name) {
    for (const std::string& Candidate : List) {
        if (Candidate == Name) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace vorsa::detail;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string line = AnswerLine(bytes, "+CPMS: ");
    VORSA_FUZZ_CHECK(line.empty() || line.compare(0, 7, "+CPMS: ") == 0);
    VORSA_FUZZ_CHECK(line.find('\n') == std::string::npos);
    (void)LastLine(bytes);

    const std::vector<std::vector<std::string>> lists = ParseMemoryLists(bytes);
    const std::vector<std::string> chosen = ChooseMemories(MemoryNames(bytes), lists);
    VORSA_FUZZ_CHECK(chosen.size() <= lists.size());
    for (size_t i = 0; i < chosen.size(); ++i) {
        VORSA_FUZZ_CHECK(Listed(lists[i], chosen[i]));
    }

    const std::vector<ValueRanges> ranges = ParseValueRanges(bytes);
    for (const bool direct : {false, true}) {
        const std::optional<std::string> routing = NearestRouting(direct, ranges);
        if (!routing) {
            continue;
        }
        size_t at = 0;
        for (size_t i = 0; at <= routing->size(); ++i) {
            const size_t end = std::min(routing->find(',', at), routing->size());
            VORSA_FUZZ_CHECK(i < ranges.size());
            VORSA_FUZZ_CHECK(ranges[i].Allows(std::stol(routing->substr(at, end - at))));
            at = end + 1;
        }
    }

    for (const bool text : {false, true}) {
        for (const std::string& index : ListedIndexes(bytes, text)) {
            VORSA_FUZZ_CHECK(IsStorageIndex(index));
        }
    }

    // A setting that passes its check holds nothing that could end a command.
    if (IsMemoryList(bytes) || IsPin(bytes) || IsServiceCentre(bytes)) {
        VORSA_FUZZ_CHECK(bytes.find_first_of("\r\n;\x1A\x1B") == std::string::npos);
    }
    return 0;
}
