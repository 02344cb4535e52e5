#include "OutputSchedule.h"

#include <algorithm>

namespace vorsa::sim::detail {

void OutputSchedule::Add(const std::string& bytes, Millis due, Millis byteGap) {
    if (bytes.empty()) {
        return;
    }
    if (!pieces_.empty()) {
        due = std::max(due, pieces_.back().due);
    }
    if (byteGap.count() <= 0) {
        if (!pieces_.empty() && pieces_.back().due == due) {
            pieces_.back().bytes += bytes;
        } else {
            pieces_.push_back({due, bytes});
        }
        return;
    }
    if (!pieces_.empty()) {
        due = std::max(due, pieces_.back().due + byteGap);
    }
    for (char c : bytes) {
        pieces_.push_back({due, std::string(1, c)});
        due += byteGap;
    }
}

std::string OutputSchedule::TakeDue(Millis now) {
    std::string bytes;
    while (!pieces_.empty() && pieces_.front().due <= now) {
        bytes += pieces_.front().bytes;
        pieces_.pop_front();
    }
    return bytes;
}

std::optional<Millis> OutputSchedule::NextDue() const {
    if (pieces_.empty()) {
        return std::nullopt;
    }
    return pieces_.front().due;
}

}  // namespace vorsa::sim::detail
