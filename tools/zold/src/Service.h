#pragma once

// The wall service in one object: the inventory read, one fleet engine for its whole life, the poller and
// the HTTP server. main.cpp drives it from signals; tests drive it in-process.
//
//     zold::Service service(config);
//     service.Start(&error);   // polls at once and serves
//     service.Reload(&error);  // SIGHUP: the inventory and the token file again, connections kept
//     service.Stop();          // SIGTERM: runs cancelled, every connection closed, the server stopped

#include "Config.h"
#include "HttpServer.h"
#include "Metrics.h"
#include "Poller.h"
#include "Token.h"
#include "Wall.h"
#include "WallState.h"

#include "ZOLFleet.h"

#include <memory>
#include <mutex>
#include <string>

namespace zold {

class Service {
public:
    explicit Service(ServiceConfig config);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // False and *error when the inventory, the token file or the TLS files do not load, or the address
    // cannot be bound; nothing is left running then.
    bool Start(std::string* error);
    // Reads the inventory and the token file again. Displays that stay the same keep their state and their
    // engine connection. With `config` (the options read again), its inventory, token file and intervals
    // replace the old ones; a new listen address or TLS files wait for a restart. False and *error when
    // the inventory or the token file does not load: the service goes on as it was.
    bool Reload(std::string* error, const ServiceConfig* config = nullptr);
    // Idempotent; the engine is destroyed, so every display connection is closed when it returns.
    void Stop();

    std::uint16_t Port() const;
    std::shared_ptr<const Wall> CurrentWall() const;
    const StateTable& States() const { return m_states; }
    // Engine connections open now; 0 once stopped.
    std::size_t OpenConnections() const;
    std::size_t PollRuns() const;

private:
    bool LoadToken(std::shared_ptr<const BearerToken>* token, std::string* error) const;

    ServiceConfig m_config;
    std::unique_ptr<ZOLFleet::Engine> m_engine;
    StateTable m_states;
    Metrics m_metrics;
    ZOLFleet::CancelToken m_cancel; // requests in progress when the service stops
    std::unique_ptr<Poller> m_poller;
    std::unique_ptr<HttpServer> m_http;

    mutable std::mutex m_lock;
    std::shared_ptr<const Wall> m_wall;
    std::shared_ptr<const BearerToken> m_token;
    bool m_started = false;
};

} // namespace zold
