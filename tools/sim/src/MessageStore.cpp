#include "MessageStore.h"

namespace vorsa::sim::detail {

MessageStore::MessageStore(int simCapacity, int phoneCapacity) {
    memories_["SM"].resize(static_cast<size_t>(simCapacity > 0 ? simCapacity : 0));
    memories_["ME"].resize(static_cast<size_t>(phoneCapacity > 0 ? phoneCapacity : 0));
}

bool MessageStore::HasMemory(std::string_view memory) const {
    return memories_.find(memory) != memories_.end();
}

int MessageStore::Capacity(std::string_view memory) const {
    auto it = memories_.find(memory);
    return it == memories_.end() ? 0 : static_cast<int>(it->second.size());
}

int MessageStore::Used(std::string_view memory) const {
    return static_cast<int>(Indexes(memory).size());
}

std::optional<int> MessageStore::Add(std::string_view memory, StoredSlot slot) {
    auto it = memories_.find(memory);
    if (it == memories_.end()) {
        return std::nullopt;
    }
    for (size_t i = 0; i < it->second.size(); ++i) {
        if (!it->second[i]) {
            it->second[i] = std::move(slot);
            return static_cast<int>(i) + 1;
        }
    }
    return std::nullopt;
}

bool MessageStore::InRange(std::string_view memory, int index) const {
    return index >= 1 && index <= Capacity(memory);
}

StoredSlot* MessageStore::Find(std::string_view memory, int index) {
    auto it = memories_.find(memory);
    if (it == memories_.end() || !InRange(memory, index)) {
        return nullptr;
    }
    std::optional<StoredSlot>& slot = it->second[static_cast<size_t>(index) - 1];
    return slot ? &*slot : nullptr;
}

const StoredSlot* MessageStore::Find(std::string_view memory, int index) const {
    return const_cast<MessageStore*>(this)->Find(memory, index);
}

bool MessageStore::Erase(std::string_view memory, int index) {
    auto it = memories_.find(memory);
    if (it == memories_.end() || !InRange(memory, index)) {
        return false;
    }
    std::optional<StoredSlot>& slot = it->second[static_cast<size_t>(index) - 1];
    bool had = slot.has_value();
    slot.reset();
    return had;
}

std::vector<int> MessageStore::Indexes(std::string_view memory) const {
    std::vector<int> indexes;
    auto it = memories_.find(memory);
    if (it == memories_.end()) {
        return indexes;
    }
    for (size_t i = 0; i < it->second.size(); ++i) {
        if (it->second[i]) {
            indexes.push_back(static_cast<int>(i) + 1);
        }
    }
    return indexes;
}

std::vector<std::string> MessageStore::Memories() const {
    return {"SM", "ME"};
}

}  // namespace vorsa::sim::detail
