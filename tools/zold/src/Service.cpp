#include "Service.h"

#include "Log.h"

namespace zold {

namespace {

void LogWarnings(const std::string& warnings) {
    std::size_t start = 0;
    while (start < warnings.size()) {
        const std::size_t end = warnings.find('\n', start);
        const std::string line =
            warnings.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty()) {
            Log(LogLevel::Warning, line);
        }
        start = end == std::string::npos ? warnings.size() : end + 1;
    }
}

} // namespace

Service::Service(ServiceConfig config) : m_config(std::move(config)) {}

Service::~Service() {
    Stop();
}

bool Service::LoadToken(std::shared_ptr<const BearerToken>* token, std::string* error) const {
    if (m_config.tokenFile.empty()) {
        token->reset();
        return true;
    }
    std::string warning;
    std::optional<BearerToken> loaded = BearerToken::FromFile(m_config.tokenFile, error, &warning);
    LogWarnings(warning);
    if (!loaded) {
        return false;
    }
    *token = std::make_shared<const BearerToken>(*loaded);
    return true;
}

bool Service::Start(std::string* error) {
    if (m_started) {
        return true;
    }
    std::string warnings;
    std::optional<Wall> wall = LoadWall(m_config, error, &warnings);
    LogWarnings(warnings);
    if (!wall) {
        return false;
    }
    std::shared_ptr<const BearerToken> token;
    if (!LoadToken(&token, error)) {
        return false;
    }
    {
        const std::lock_guard lock(m_lock);
        m_wall = std::make_shared<const Wall>(std::move(*wall));
        m_token = std::move(token);
    }
    m_engine = std::make_unique<ZOLFleet::Engine>();
    HttpContext context{[this] { return CurrentWall(); },
                        [this] {
                            const std::lock_guard lock(m_lock);
                            return m_token;
                        },
                        ActionContext{*m_engine, m_states, m_metrics, &m_cancel}};
    m_http = std::make_unique<HttpServer>(std::move(context));
    std::optional<TlsFiles> tls;
    if (!m_config.tlsCert.empty()) {
        tls = TlsFiles{m_config.tlsCert, m_config.tlsKey};
    }
    if (!m_http->Start(m_config.listenHost, m_config.listenPort, tls, error)) {
        m_http.reset();
        m_engine.reset();
        return false;
    }
    m_poller = std::make_unique<Poller>(*m_engine, m_states, m_metrics);
    m_poller->SetWall(CurrentWall());
    m_poller->Start();
    m_started = true;
    Log(LogLevel::Info, "serving " + std::string(tls ? "https" : "http") + " on " + m_config.listenHost +
                            ":" + std::to_string(m_http->Port()) + ", polling " +
                            std::to_string(CurrentWall()->displays.size()) + " display(s)");
    return true;
}

bool Service::Reload(std::string* error, const ServiceConfig* config) {
    if (!m_started) {
        *error = "the service is not running";
        return false;
    }
    ServiceConfig next = m_config;
    if (config != nullptr) {
        if (config->listenHost != m_config.listenHost || config->listenPort != m_config.listenPort ||
            config->tlsCert != m_config.tlsCert || config->tlsKey != m_config.tlsKey) {
            Log(LogLevel::Warning,
                "the listen address and the TLS files change with a restart, not a reload");
        }
        next.inventory = config->inventory;
        next.tokenFile = config->tokenFile;
        next.interval = config->interval;
        next.groupIntervals = config->groupIntervals;
    }
    std::swap(next, m_config);
    std::string warnings;
    std::optional<Wall> wall = LoadWall(m_config, error, &warnings);
    LogWarnings(warnings);
    std::shared_ptr<const BearerToken> token;
    if (!wall || !LoadToken(&token, error)) {
        std::swap(next, m_config);
        Log(LogLevel::Error, "reload refused, going on as before: " + *error);
        return false;
    }
    auto current = std::make_shared<const Wall>(std::move(*wall));
    std::shared_ptr<const Wall> previous;
    {
        const std::lock_guard lock(m_lock);
        previous = m_wall;
        m_wall = current;
        m_token = std::move(token);
    }
    m_states.Keep(*previous, *current);
    m_poller->SetWall(current);
    Log(LogLevel::Info, "reloaded: " + std::to_string(current->displays.size()) + " display(s)");
    return true;
}

void Service::Stop() {
    if (!m_started) {
        return;
    }
    m_started = false;
    m_poller->Stop();
    m_cancel.Cancel();
    m_http->Stop();
    m_poller.reset();
    m_http.reset();
    m_engine.reset();
    Log(LogLevel::Info, "stopped");
}

std::uint16_t Service::Port() const {
    return m_http ? m_http->Port() : 0;
}

std::shared_ptr<const Wall> Service::CurrentWall() const {
    const std::lock_guard lock(m_lock);
    return m_wall;
}

std::size_t Service::OpenConnections() const {
    return m_engine ? m_engine->OpenConnections() : 0;
}

std::size_t Service::PollRuns() const {
    return m_poller ? m_poller->RunsStarted() : 0;
}

} // namespace zold
