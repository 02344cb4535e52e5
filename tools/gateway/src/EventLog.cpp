#include "vorsa/gateway/EventLog.h"

#include "vorsa/gateway/Messages.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway {

void EventLog::Emit(const std::string& kind, nlohmann::json fields, bool forWebhook) {
    const int64_t now = NowMillis();
    nlohmann::json line = {{"time", IsoTime(now)}, {"event", kind}};
    line.update(fields);
    if (out_ != nullptr) {
        const std::string text =
            line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        std::lock_guard lock(mutex_);
        std::fprintf(out_, "%s\n", text.c_str());
        std::fflush(out_);
    }
    if (forWebhook && store_ != nullptr) {
        try {
            store_->AddEvent(
                kind, fields.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), now);
        } catch (const StoreError&) {
            // A modem event that cannot be kept is still in the log above.
        }
    }
}

}  // namespace vorsa::gateway
