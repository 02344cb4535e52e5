// Any sequence of parts for MessageReassembler: every part given is accounted for at the
// end, handed on in a message or named a copy; no part is lost or handed on twice. Each
// five input bytes make a part: sender (of 2), reference (of 4), count (1-4), place (any,
// so also impossible ones), and minutes to wait before it.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "FuzzCheck.h"
#include "vorsa/PDU.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace std::chrono_literals;
    vorsa::ReassemblyOptions options;
    options.maxPending = 3;
    vorsa::MessageReassembler reassembler(options);
    vorsa::MessageReassembler::TimePoint now{};
    std::set<int> given;
    std::set<int> handedOn;
    std::size_t copies = 0;
    auto collect = [&](std::vector<vorsa::ReassembledMessage> messages) {
        for (const vorsa::ReassembledMessage& message : messages) {
            VORSA_FUZZ_CHECK(message.parts.size() + message.missing.size() == message.total);
            VORSA_FUZZ_CHECK(message.complete == message.missing.empty());
            for (const vorsa::ReceivedPart& part : message.parts) {
                VORSA_FUZZ_CHECK(handedOn.insert(part.index).second);
            }
        }
    };
    for (std::size_t at = 0; at + 5 <= size; at += 5) {
        vorsa::ReceivedPart part;
        part.message.sender = data[at] % 2 == 0 ? "+1" : "+2";
        const auto total = static_cast<uint8_t>(1 + data[at + 2] % 4);
        const auto sequence = static_cast<uint8_t>(data[at + 3] % 6);
        if (sequence >= 1 && sequence <= total) {
            part.message.concat =
                vorsa::ConcatInfo{static_cast<uint16_t>(data[at + 1] % 4), total, sequence, false};
        }
        part.message.text = std::string(1, static_cast<char>('a' + data[at + 3] % 3));
        part.memory = "SM";
        part.index = static_cast<int>(at / 5) + 1;
        given.insert(part.index);
        now += std::chrono::minutes(data[at + 4] % 8);
        collect(reassembler.expire(now));
        vorsa::MessageReassembler::AddResult result = reassembler.add(part, now);
        if (result.status == vorsa::PartStatus::Duplicate) {
            ++copies;
        }
        VORSA_FUZZ_CHECK(result.status != vorsa::PartStatus::AlreadyHeld);  // indexes differ
        collect(std::move(result.messages));
    }
    collect(reassembler.takeAll());
    VORSA_FUZZ_CHECK(reassembler.pending() == 0);
    VORSA_FUZZ_CHECK(handedOn.size() + copies == given.size());
    return 0;
}
