#include "vorsa/gateway/JsonFormat.h"

namespace vorsa::gateway {

namespace {

nlohmann::json OptionalTime(const std::optional<int64_t>& millis) {
    return millis ? nlohmann::json(IsoTime(*millis)) : nlohmann::json(nullptr);
}

}  // namespace

nlohmann::json ToJson(const OutgoingMessage& m) {
    nlohmann::json json = {
        {"id", m.id},
        {"to", m.request.to},
        {"text", m.request.text},
        {"report", m.request.report},
        {"class", m.request.messageClass ? nlohmann::json(*m.request.messageClass) : nullptr},
        {"validity",
         m.request.validitySeconds ? nlohmann::json(*m.request.validitySeconds) : nullptr},
        {"idempotency_key", m.request.idempotencyKey.empty()
                                ? nlohmann::json(nullptr)
                                : nlohmann::json(m.request.idempotencyKey)},
        {"state", StateName(m.state)},
        {"modem", m.modem.empty() ? nlohmann::json(nullptr) : nlohmann::json(m.modem)},
        {"references", m.references},
        {"attempts", m.attempts},
        {"last_error", m.lastError.empty() ? nlohmann::json(nullptr) : nlohmann::json(m.lastError)},
        {"created_at", IsoTime(m.createdAt)},
        {"updated_at", IsoTime(m.updatedAt)},
        {"expires_at", IsoTime(m.expiresAt)},
        {"sent_at", OptionalTime(m.sentAt)},
        {"done_at", OptionalTime(m.doneAt)},
    };
    return json;
}

nlohmann::json ToJson(const IncomingMessage& m) {
    return {
        {"id", m.id},
        {"modem", m.record.modem},
        {"from", m.record.sender},
        {"time", m.record.timeStamp},
        {"text", m.record.text},
        {"parts", m.record.parts},
        {"complete", m.record.complete},
        {"received_at", IsoTime(m.receivedAt)},
    };
}

nlohmann::json ToJson(const ModemHealth& h) {
    return {
        {"name", h.name},
        {"gateway", h.gateway},
        {"device", h.device},
        {"connected", h.connected},
        {"signal_dbm", h.signalDbm ? nlohmann::json(*h.signalDbm) : nlohmann::json(nullptr)},
        {"registration", h.registration},
        {"last_error", h.lastError.empty() ? nlohmann::json(nullptr) : nlohmann::json(h.lastError)},
        {"reconnects", h.reconnects},
        {"updated_at", IsoTime(h.updatedAt)},
    };
}

nlohmann::json ReportJson(const std::string& modem, const StatusReport& r,
                          std::optional<int64_t> messageId) {
    return {
        {"modem", modem},
        {"reference", r.reference},
        {"status", r.status},
        {"outcome", OutcomeName(r.outcome)},
        {"delivered", r.outcome == DeliveryOutcome::Delivered},
        {"recipient", r.recipient},
        {"discharge_time", r.dischargeTime},
        {"message_id", messageId ? nlohmann::json(*messageId) : nlohmann::json(nullptr)},
    };
}

}  // namespace vorsa::gateway
