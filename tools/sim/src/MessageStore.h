// The modem's message memories: the SIM ("SM") and the phone ("ME"), each a row of
// numbered slots from 1 to its capacity.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vorsa/sim/Hex.h"
#include "vorsa/sim/ModemTypes.h"

namespace vorsa::sim::detail {

struct StoredSlot {
    MessageStatus status = MessageStatus::ReceivedUnread;
    /// The whole PDU, service-centre part first (SMS-DELIVER, SMS-SUBMIT or
    /// SMS-STATUS-REPORT).
    Octets pdu;
    bool received = true;
    /// An SMS-STATUS-REPORT kept after "+CDSI:" (received is true for it as well).
    bool statusReport = false;
};

class MessageStore {
  public:
    MessageStore(int simCapacity, int phoneCapacity);

    [[nodiscard]] bool HasMemory(std::string_view memory) const;
    [[nodiscard]] int Capacity(std::string_view memory) const;
    [[nodiscard]] int Used(std::string_view memory) const;
    /// Puts the message in the lowest free slot; nullopt when the memory is full.
    [[nodiscard]] std::optional<int> Add(std::string_view memory, StoredSlot slot);
    /// The message at the index, or nullptr for an empty or impossible slot.
    [[nodiscard]] StoredSlot* Find(std::string_view memory, int index);
    [[nodiscard]] const StoredSlot* Find(std::string_view memory, int index) const;
    [[nodiscard]] bool InRange(std::string_view memory, int index) const;
    /// True when a message was there.
    bool Erase(std::string_view memory, int index);
    /// Indexes that hold a message, ascending.
    [[nodiscard]] std::vector<int> Indexes(std::string_view memory) const;
    /// "SM", "ME".
    [[nodiscard]] std::vector<std::string> Memories() const;

  private:
    std::map<std::string, std::vector<std::optional<StoredSlot>>, std::less<>> memories_;
};

}  // namespace vorsa::sim::detail
