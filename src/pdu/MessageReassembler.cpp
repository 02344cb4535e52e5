// Putting long messages together from their parts.
#include <algorithm>
#include <utility>
#include <vector>

#include "vorsa/PDU.h"

namespace vorsa {
namespace {

ReassembledMessage singleMessage(ReceivedPart part) {
    ReassembledMessage message;
    message.sender = part.message.sender;
    message.text = part.message.text;
    message.timeStamp = part.message.timeStamp;
    message.parts.push_back(std::move(part));
    return message;
}

bool sameStoredPart(const ReceivedPart& a, const ReceivedPart& b) {
    return a.index != 0 && a.index == b.index && a.memory == b.memory;
}

}  // namespace

MessageReassembler::MessageReassembler(ReassemblyOptions options) : options_(options) {}

ReassembledMessage MessageReassembler::handOver(const Key& key, Group& group) const {
    ReassembledMessage message;
    message.sender = key.sender;
    message.total = key.total;
    message.complete = group.present == group.parts.size();
    for (std::size_t i = 0; i < group.parts.size(); ++i) {
        std::optional<ReceivedPart>& part = group.parts[i];
        if (!part) {
            message.missing.push_back(static_cast<uint8_t>(i + 1));
            continue;
        }
        if (message.parts.empty()) {
            message.timeStamp = part->message.timeStamp;
        }
        message.text += part->message.text;
        message.parts.push_back(std::move(*part));
    }
    return message;
}

void MessageReassembler::forgetFinished(TimePoint now) {
    for (auto it = finished_.begin(); it != finished_.end();) {
        it = it->second.until <= now ? finished_.erase(it) : std::next(it);
    }
}

MessageReassembler::AddResult MessageReassembler::add(ReceivedPart part, TimePoint now) {
    AddResult result;
    const std::optional<ConcatInfo> concat = part.message.concat;
    if (!concat || concat->total <= 1) {
        result.status = PartStatus::Completed;
        result.messages.push_back(singleMessage(std::move(part)));
        return result;
    }
    forgetFinished(now);
    const Key key{part.message.sender, concat->reference, concat->total,
                  concat->sixteenBitReference};
    const std::size_t place = concat->sequence - 1u;

    // A copy is a part with the same place and the same text as one at hand or handed
    // on; a different text in the same place is another message that reuses the
    // reference (some senders always send the same one), so the one at hand goes on
    // incomplete and the new part starts over.
    const auto finished = finished_.find(key);
    if (finished != finished_.end() && finished->second.texts[place] == part.message.text) {
        result.status = PartStatus::Duplicate;
        return result;
    }
    auto it = groups_.find(key);
    if (it != groups_.end()) {
        if (const std::optional<ReceivedPart>& held = it->second.parts[place]) {
            if (sameStoredPart(*held, part)) {
                result.status = PartStatus::AlreadyHeld;
                return result;
            }
            if (held->message.text == part.message.text) {
                result.status = PartStatus::Duplicate;
                return result;
            }
            result.messages.push_back(finish(it, now));
            it = groups_.end();
        }
    }
    if (it == groups_.end()) {
        it = groups_.emplace(key, Group{now, arrivals_++, {}, 0}).first;
        it->second.parts.resize(concat->total);
    }
    Group& group = it->second;
    group.parts[place] = std::move(part);
    ++group.present;

    if (group.present == group.parts.size()) {
        result.status = PartStatus::Completed;
        result.messages.push_back(finish(it, now));
        return result;
    }
    result.status = PartStatus::Waiting;
    while (groups_.size() > options_.maxPending) {
        const auto oldest = std::min_element(
            groups_.begin(), groups_.end(),
            [](const auto& a, const auto& b) { return a.second.order < b.second.order; });
        result.messages.push_back(finish(oldest, now));
    }
    return result;
}

ReassembledMessage MessageReassembler::finish(std::map<Key, Group>::iterator group, TimePoint now) {
    Finished record{now + options_.timeout, {}};
    for (const std::optional<ReceivedPart>& part : group->second.parts) {
        record.texts.push_back(part ? std::optional<std::string>(part->message.text)
                                    : std::nullopt);
    }
    ReassembledMessage message = handOver(group->first, group->second);
    // Remembered for a while, so that late copies of its parts are known as copies. A
    // part that never came still counts when it comes: it starts a message of its own.
    finished_[group->first] = std::move(record);
    groups_.erase(group);
    return message;
}

std::vector<ReassembledMessage> MessageReassembler::expire(TimePoint now) {
    forgetFinished(now);
    std::vector<std::map<Key, Group>::iterator> due;
    for (auto it = groups_.begin(); it != groups_.end(); ++it) {
        if (it->second.started + options_.timeout <= now) {
            due.push_back(it);
        }
    }
    std::sort(due.begin(), due.end(),
              [](const auto& a, const auto& b) { return a->second.order < b->second.order; });
    std::vector<ReassembledMessage> messages;
    for (const auto& it : due) {
        messages.push_back(finish(it, now));
    }
    return messages;
}

std::vector<ReassembledMessage> MessageReassembler::takeAll() {
    std::vector<std::map<Key, Group>::iterator> all;
    for (auto it = groups_.begin(); it != groups_.end(); ++it) {
        all.push_back(it);
    }
    std::sort(all.begin(), all.end(),
              [](const auto& a, const auto& b) { return a->second.order < b->second.order; });
    std::vector<ReassembledMessage> messages;
    for (const auto& it : all) {
        messages.push_back(handOver(it->first, it->second));
    }
    groups_.clear();
    return messages;
}

std::optional<MessageReassembler::TimePoint> MessageReassembler::nextExpiry() const {
    std::optional<TimePoint> next;
    for (const auto& [key, group] : groups_) {
        const TimePoint due = group.started + options_.timeout;
        if (!next || due < *next) {
            next = due;
        }
    }
    return next;
}

}  // namespace vorsa
