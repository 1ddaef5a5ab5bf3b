#pragma once

// The service's HTTP side: the API under /api/v1, /metrics and the embedded web page at /, over plain
// HTTP or HTTPS. Requests are served from the server's own threads; polling never waits on them, and a
// client that stalls holds only its own thread until the read time-out.

#include "Actions.h"
#include "DisplayJson.h"
#include "Metrics.h"
#include "Token.h"
#include "Wall.h"
#include "WallState.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace zold {

inline constexpr std::size_t kMostBodyBytes = 64 * 1024;

// What the routes read: the wall and the token as they are now (a reload replaces them), the state, the
// figures and the engine that POSTs run through.
struct HttpContext {
    std::function<std::shared_ptr<const Wall>()> wall;
    std::function<std::shared_ptr<const BearerToken>()> token; // null: changes are refused
    ActionContext actions;
};

struct TlsFiles {
    std::string certificate;
    std::string key;
};

class HttpServer {
public:
    explicit HttpServer(HttpContext context);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds (port 0: any free port) and serves on a thread of its own. False and *error when the TLS files
    // do not load or the address cannot be bound.
    bool Start(const std::string& host, std::uint16_t port, const std::optional<TlsFiles>& tls,
               std::string* error);
    // Stops accepting, lets requests in progress end, joins the thread. Idempotent.
    void Stop();
    std::uint16_t Port() const { return m_port; }

private:
    void Route();

    HttpContext m_context;
    DisplaysDocument m_displays;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    std::uint16_t m_port = 0;
};

} // namespace zold
