#include "HttpServer.h"

#include "DisplayJson.h"
#include "Log.h"
#include "WebAssets.h"

#include <httplib.h>

#include <regex>

namespace zold {

namespace {

constexpr const char* kJsonType = "application/json";
constexpr const char* kMetricsType = "text/plain; version=0.0.4; charset=utf-8";
constexpr time_t kReadTimeoutSeconds = 5;
constexpr time_t kWriteTimeoutSeconds = 5;

const std::regex kDisplaysRoute("/api/v1/displays");
const std::regex kDisplayRoute("/api/v1/displays/([^/]+)");
const std::regex kActionRoute(kActionPath);
const std::regex kOperationsRoute("/api/v1/operations");
const std::regex kMetricsRoute("/metrics");

void Reply(httplib::Response& response, const ApiReply& reply) {
    response.status = reply.status;
    response.set_content(ReplyText(reply), kJsonType);
}

void Refuse(httplib::Response& response, int status, const std::string& code, const std::string& message) {
    Reply(response, Refusal(status, code, message));
}

bool Matches(const std::string& path, const std::regex& route) {
    return std::regex_match(path, route);
}

bool IsGetRoute(const std::string& path) {
    return Matches(path, kDisplaysRoute) || Matches(path, kDisplayRoute) || Matches(path, kOperationsRoute) ||
           Matches(path, kMetricsRoute) || FindWebAsset(path).has_value();
}

// A known path asked with a method it does not take is 405; any other path 404.
void WrongMethodOrPath(const httplib::Request& request, httplib::Response& response) {
    const bool post = Matches(request.path, kActionRoute);
    if (post || IsGetRoute(request.path)) {
        response.set_header("Allow", post ? "POST" : "GET");
        Refuse(response, 405, "method-not-allowed", request.method + " is not taken by " + request.path);
        return;
    }
    Refuse(response, 404, "not-found", "nothing is served at " + request.path);
}

// The refusals httplib makes itself (a body over the limit, a request it cannot read) in the API's form.
httplib::Server::HandlerResponse ErrorInApiForm(const httplib::Request& request,
                                                httplib::Response& response) {
    if (!response.body.empty()) {
        return httplib::Server::HandlerResponse::Unhandled;
    }
    if (response.status == 413) {
        Refuse(response, 413, "body-too-large", "a request body holds at most 64 KiB");
    } else if (response.status == 404) {
        Refuse(response, 404, "not-found", "nothing is served here");
    } else if (request.method == "POST" && !request.has_header("Content-Length") &&
               !request.has_header("Transfer-Encoding")) {
        // httplib reads no body of unknown length; a POST without one says so with Content-Length: 0.
        Refuse(response, response.status, "bad-request", "a POST gives its Content-Length (0 for no body)");
    } else {
        Refuse(response, response.status, "bad-request", "the request could not be read");
    }
    return httplib::Server::HandlerResponse::Handled;
}

std::string Authorization(const httplib::Request& request) {
    return request.get_header_value("Authorization");
}

} // namespace

HttpServer::HttpServer(HttpContext context) : m_context(std::move(context)) {}

HttpServer::~HttpServer() {
    Stop();
}

bool HttpServer::Start(const std::string& host, std::uint16_t port, const std::optional<TlsFiles>& tls,
                       std::string* error) {
    if (tls) {
        auto secure = std::make_unique<httplib::SSLServer>(tls->certificate.c_str(), tls->key.c_str());
        if (!secure->is_valid()) {
            *error = "the TLS certificate \"" + tls->certificate + "\" or its key \"" + tls->key +
                     "\" cannot be loaded";
            return false;
        }
        m_server = std::move(secure);
    } else {
        m_server = std::make_unique<httplib::Server>();
    }
    m_server->set_read_timeout(kReadTimeoutSeconds);
    m_server->set_write_timeout(kWriteTimeoutSeconds);
    m_server->set_payload_max_length(kMostBodyBytes);
    m_server->set_error_handler(httplib::Server::HandlerWithResponse(ErrorInApiForm));
    Route();
    if (port == 0) {
        const int bound = m_server->bind_to_any_port(host);
        m_port = bound > 0 ? static_cast<std::uint16_t>(bound) : 0;
    } else if (m_server->bind_to_port(host, port)) {
        m_port = port;
    }
    if (m_port == 0) {
        *error = "cannot listen on " + host + ":" + std::to_string(port);
        m_server.reset();
        return false;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    return true;
}

void HttpServer::Stop() {
    if (m_server) {
        m_server->stop();
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void HttpServer::Route() {
    httplib::Server& server = *m_server;
    server.Get("/api/v1/displays", [this](const httplib::Request&, httplib::Response& response) {
        const std::shared_ptr<const std::string> body =
            m_displays.Body(m_context.wall(), m_context.actions.states);
        response.status = 200;
        response.set_content(*body, kJsonType);
    });
    server.Get("/api/v1/displays/([^/]+)",
               [this](const httplib::Request& request, httplib::Response& response) {
                   const std::shared_ptr<const Wall> wall = m_context.wall();
                   const std::string name = request.matches[1];
                   const WallDisplay* display = wall->Find(name);
                   if (display == nullptr) {
                       Refuse(response, 404, "unknown-display", "no display is named \"" + name + "\"");
                       return;
                   }
                   Reply(response, {200, DisplayJson(*display, m_context.actions.states.Find(name),
                                                     std::chrono::system_clock::now())});
               });
    server.Get("/api/v1/operations", [](const httplib::Request&, httplib::Response& response) {
        Reply(response, {200, OperationsJson()});
    });
    server.Get("/metrics", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(m_context.actions.metrics.Render(*m_context.wall(), m_context.actions.states),
                             kMetricsType);
    });
    server.Post(R"(/api/v1/displays/([^/]+)/(ops/([^/]+)|exec|refresh))",
                [this](const httplib::Request& request, httplib::Response& response) {
                    const std::shared_ptr<const BearerToken> token = m_context.token();
                    if (!token) {
                        Log(LogLevel::Warning, "refused " + request.path + ": no token configured");
                        response.set_header("WWW-Authenticate", "Bearer");
                        Refuse(response, 401, "unauthorized", "no token configured: changes are refused");
                        return;
                    }
                    if (!token->Accepts(Authorization(request))) {
                        // What was presented is never logged: it may be a real token sent to the wrong
                        // service.
                        Log(LogLevel::Warning, "refused " + request.path + ": no valid bearer token");
                        response.set_header("WWW-Authenticate", "Bearer");
                        Refuse(response, 401, "unauthorized",
                               "a valid \"Authorization: Bearer\" token is needed");
                        return;
                    }
                    // This route's pattern is kActionPath's text, so the path always names an action.
                    const ActionRequest action = *ActionRoute(request.path, request.body);
                    const ApiReply reply = RunAction(action, *m_context.wall(), m_context.actions);
                    if (reply.status >= 400) {
                        Log(LogLevel::Warning, "refused " + request.method + " " + request.path + ": " +
                                                   reply.body.value("message", std::string()));
                    }
                    Reply(response, reply);
                });
    server.Get(".*", [](const httplib::Request& request, httplib::Response& response) {
        if (const std::optional<WebAsset> asset = FindWebAsset(request.path)) {
            response.set_content(std::string(asset->body), std::string(asset->contentType));
            return;
        }
        WrongMethodOrPath(request, response);
    });
    const httplib::Server::Handler wrong = WrongMethodOrPath;
    server.Post(".*", wrong);
    server.Put(".*", wrong);
    server.Patch(".*", wrong);
    server.Delete(".*", wrong);
    server.Options(".*", wrong);
}

} // namespace zold
