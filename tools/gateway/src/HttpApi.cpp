#include "vorsa/gateway/HttpApi.h"

#include <httplib.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "vorsa/gateway/Config.h"
#include "vorsa/gateway/JsonFormat.h"
#include "vorsa/gateway/MessageRequest.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway {

namespace {

constexpr int kDefaultInboxLimit = 100;
constexpr int kMaxInboxLimit = 1000;
// How long Start() waits for the server's loop to run.
constexpr auto kStartPatience = std::chrono::seconds(10);

void SendJson(httplib::Response& res, int status, const nlohmann::json& body) {
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
                    "application/json");
}

void SendError(httplib::Response& res, int status, const std::string& code,
               const std::string& message) {
    SendJson(res, status, {{"error", {{"code", code}, {"message", message}}}});
}

// Compares without leaking through timing how much of the token matched.
bool SameToken(const std::string& given, const std::string& expected) {
    unsigned char difference = given.size() == expected.size() ? 0 : 1;
    for (size_t i = 0; i < given.size(); ++i) {
        difference |=
            static_cast<unsigned char>(given[i]) ^
            static_cast<unsigned char>(expected[i % std::max<size_t>(expected.size(), 1)]);
    }
    return difference == 0;
}

std::optional<int64_t> QueryNumber(const httplib::Request& req, const char* name, int64_t low,
                                   int64_t high, int64_t fallback) {
    if (!req.has_param(name)) {
        return fallback;
    }
    const std::string text = req.get_param_value(name);
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int64_t value = std::stoll(text);
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

bool SameRequest(const NewMessage& a, const NewMessage& b) {
    return a.to == b.to && a.text == b.text && a.report == b.report &&
           a.messageClass == b.messageClass && a.validitySeconds == b.validitySeconds;
}

}  // namespace

std::string PrometheusLabel(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

struct HttpApi::Impl {
    ApiSettings settings;
    Store& store;
    std::function<void()> onQueued;
    httplib::Server server;
    int port = 0;
    std::thread thread;

    Impl(ApiSettings s, Store& st, std::function<void()> q)
        : settings(std::move(s)), store(st), onQueued(std::move(q)) {
        server.set_payload_max_length(settings.maxBodyBytes);
        // Replies go out at once instead of waiting for the client's delayed acknowledgement.
        server.set_tcp_nodelay(true);
        server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            return Authorised(req, res) ? httplib::Server::HandlerResponse::Unhandled
                                        : httplib::Server::HandlerResponse::Handled;
        });
        server.set_error_handler(httplib::Server::HandlerWithResponse(
            [](const httplib::Request&, httplib::Response& res) {
                if (!res.body.empty()) {
                    return httplib::Server::HandlerResponse::Unhandled;
                }
                switch (res.status) {
                    case 404:
                        SendError(res, 404, "not_found", "no such resource");
                        break;
                    case 413:
                        SendError(res, 413, "body_too_large", "the request body is too large");
                        break;
                    default:
                        SendError(res, res.status, "bad_request", "the request was not understood");
                }
                return httplib::Server::HandlerResponse::Handled;
            }));
        server.set_exception_handler(
            [](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
                try {
                    if (error) {
                        std::rethrow_exception(error);
                    }
                } catch (const StoreError& e) {
                    SendError(res, 503, "store_unavailable", e.what());
                    return;
                } catch (const std::exception& e) {
                    SendError(res, 500, "internal_error", e.what());
                    return;
                }
                SendError(res, 500, "internal_error", "unexpected failure");
            });
        server.Post("/v1/messages", [this](const httplib::Request& req, httplib::Response& res) {
            PostMessage(req, res);
        });
        server.Get(
            R"(/v1/messages/(\d{1,18}))",
            [this](const httplib::Request& req, httplib::Response& res) { GetMessage(req, res); });
        server.Get("/v1/inbox", [this](const httplib::Request& req, httplib::Response& res) {
            GetInbox(req, res);
        });
        server.Get("/v1/modems", [this](const httplib::Request&, httplib::Response& res) {
            nlohmann::json modems = nlohmann::json::array();
            for (const ModemHealth& h : store.Modems()) {
                modems.push_back(ToJson(h));
            }
            SendJson(res, 200, {{"modems", modems}});
        });
        server.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(Metrics(), "text/plain; version=0.0.4");
        });
        for (const char* path : {"/v1/inbox", "/v1/modems", "/metrics"}) {
            server.Post(path, [](const httplib::Request&, httplib::Response& res) {
                SendError(res, 405, "method_not_allowed", "this resource takes GET");
            });
        }
        server.Get("/v1/messages", [](const httplib::Request&, httplib::Response& res) {
            SendError(res, 405, "method_not_allowed",
                      "POST a message here; GET /v1/messages/{id} reads one");
        });
    }

    bool Authorised(const httplib::Request& req, httplib::Response& res) const {
        if (settings.token.empty()) {
            if (IsLoopbackAddress(req.remote_addr)) {
                return true;
            }
            SendError(res, 403, "forbidden",
                      "no API token is configured, so only this machine may use the API");
            return false;
        }
        const std::string header = req.get_header_value("Authorization");
        const std::string prefix = "Bearer ";
        if (header.compare(0, prefix.size(), prefix) != 0) {
            res.set_header("WWW-Authenticate", "Bearer");
            SendError(res, 401, "unauthorized", "send Authorization: Bearer <token>");
            return false;
        }
        if (!SameToken(header.substr(prefix.size()), settings.token)) {
            res.set_header("WWW-Authenticate", "Bearer error=\"invalid_token\"");
            SendError(res, 401, "unauthorized", "the token is not valid");
            return false;
        }
        return true;
    }

    void PostMessage(const httplib::Request& req, httplib::Response& res) {
        const ParsedRequest parsed =
            ParseMessageRequest(req.body, req.get_header_value("Idempotency-Key"));
        if (!parsed.message) {
            SendError(res, 400, parsed.error.code, parsed.error.message);
            return;
        }
        const NewMessage& message = *parsed.message;
        const int64_t now = NowMillis();
        const int64_t lifetime =
            message.validitySeconds ? *message.validitySeconds * 1000 : settings.queueExpiryMs;
        const EnqueueResult result = store.Enqueue(message, now, now + lifetime);
        if (!result.created) {
            if (!SameRequest(result.message.request, message)) {
                SendError(res, 409, "idempotency_conflict",
                          "this idempotency key was used for a different message (id " +
                              std::to_string(result.message.id) + ")");
                return;
            }
            SendJson(res, 200, ToJson(result.message));
            return;
        }
        if (onQueued) {
            onQueued();
        }
        res.set_header("Location", "/v1/messages/" + std::to_string(result.message.id));
        SendJson(res, 202, ToJson(result.message));
    }

    void GetMessage(const httplib::Request& req, httplib::Response& res) {
        const int64_t id = std::stoll(req.matches[1].str());
        const std::optional<OutgoingMessage> message = store.FindOutgoing(id);
        if (!message) {
            SendError(res, 404, "not_found", "no message " + std::to_string(id));
            return;
        }
        SendJson(res, 200, ToJson(*message));
    }

    void GetInbox(const httplib::Request& req, httplib::Response& res) {
        for (const auto& [name, value] : req.params) {
            if (name != "since" && name != "limit") {
                SendError(res, 400, "unknown_parameter",
                          "unknown parameter \"" + name + "\" (known: since, limit)");
                return;
            }
        }
        const auto since = QueryNumber(req, "since", 0, INT64_MAX / 2, 0);
        if (!since) {
            SendError(res, 400, "bad_cursor", "since must be the id of a message (0 or more)");
            return;
        }
        const auto limit = QueryNumber(req, "limit", 1, kMaxInboxLimit, kDefaultInboxLimit);
        if (!limit) {
            SendError(res, 400, "bad_limit",
                      "limit must be from 1 to " + std::to_string(kMaxInboxLimit));
            return;
        }
        const std::vector<IncomingMessage> messages = store.Inbox(*since, static_cast<int>(*limit));
        nlohmann::json list = nlohmann::json::array();
        for (const IncomingMessage& m : messages) {
            list.push_back(ToJson(m));
        }
        const int64_t next = messages.empty() ? *since : messages.back().id;
        SendJson(res, 200, {{"messages", list}, {"next", next}});
    }

    std::string Metrics() {
        const StoreCounts counts = store.Counts();
        const std::vector<ModemHealth> modems = store.Modems();
        std::ostringstream out;
        out << "# HELP vorsa_gateway_outgoing_messages Outgoing messages in each state.\n"
               "# TYPE vorsa_gateway_outgoing_messages gauge\n";
        for (const auto& [state, count] : counts.outgoingByState) {
            out << "vorsa_gateway_outgoing_messages{state=\"" << PrometheusLabel(state) << "\"} "
                << count << "\n";
        }
        const struct {
            const char* name;
            const char* key;
            const char* help;
        } perModem[] = {
            {"vorsa_gateway_sent_messages_total", "sent", "Messages a modem sent."},
            {"vorsa_gateway_failed_messages_total", "failed", "Messages that failed on a modem."},
            {"vorsa_gateway_received_messages_total", "received", "Messages a modem received."},
        };
        for (const auto& metric : perModem) {
            out << "# HELP " << metric.name << " " << metric.help << "\n# TYPE " << metric.name
                << " counter\n";
            for (const auto& [modem, values] : counts.perModem) {
                const auto value = values.find(metric.key);
                out << metric.name << "{modem=\"" << PrometheusLabel(modem) << "\"} "
                    << (value == values.end() ? 0 : value->second) << "\n";
            }
        }
        out << "# HELP vorsa_gateway_modem_connected Whether a modem is connected.\n"
               "# TYPE vorsa_gateway_modem_connected gauge\n";
        for (const ModemHealth& h : modems) {
            out << "vorsa_gateway_modem_connected{modem=\"" << PrometheusLabel(h.name) << "\"} "
                << (h.connected ? 1 : 0) << "\n";
        }
        out << "# HELP vorsa_gateway_modem_signal_dbm A modem's received signal strength.\n"
               "# TYPE vorsa_gateway_modem_signal_dbm gauge\n";
        for (const ModemHealth& h : modems) {
            if (h.signalDbm) {
                out << "vorsa_gateway_modem_signal_dbm{modem=\"" << PrometheusLabel(h.name)
                    << "\"} " << *h.signalDbm << "\n";
            }
        }
        return out.str();
    }
};

HttpApi::HttpApi(ApiSettings settings, Store& store, std::function<void()> onQueued)
    : impl_(std::make_unique<Impl>(std::move(settings), store, std::move(onQueued))) {}

HttpApi::~HttpApi() {
    Stop();
}

bool HttpApi::Bind(const std::string& host, int port) {
    if (port == 0) {
        impl_->port = impl_->server.bind_to_any_port(host);
        return impl_->port > 0;
    }
    if (!impl_->server.bind_to_port(host, port)) {
        return false;
    }
    impl_->port = port;
    return true;
}

int HttpApi::Port() const {
    return impl_->port;
}

void HttpApi::Start() {
    if (!impl_->thread.joinable()) {
        impl_->thread = std::thread([this] { (void)impl_->server.listen_after_bind(); });
        // A stop() before the server runs would be lost and leave it serving for ever.
        const auto deadline = std::chrono::steady_clock::now() + kStartPatience;
        while (!impl_->server.is_running() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void HttpApi::Stop() {
    if (impl_ && impl_->thread.joinable()) {
        impl_->server.stop();
        impl_->thread.join();
    }
}

}  // namespace vorsa::gateway
