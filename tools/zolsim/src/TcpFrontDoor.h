// The display's network socket: accepts clients on one address, greets them, answers their requests.
#pragma once

#include "Core.h"
#include "Io.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace zolsim {

class TcpFrontDoor {
public:
    enum class Role {
        Commands,   // greeting, then requests and replies (plain, or TLS when the greeting asks for it)
        FileServer, // TLS, then the served file, then close
    };

    TcpFrontDoor(Core& core, Role role);
    ~TcpFrontDoor();
    TcpFrontDoor(const TcpFrontDoor&) = delete;
    TcpFrontDoor& operator=(const TcpFrontDoor&) = delete;

    // Binds and starts listening; on failure returns false with a reason in error.
    bool Start(const std::string& address, std::uint16_t port, std::string& error);
    std::uint16_t Port() const { return m_port; }
    int Active() const { return m_active.load(); }
    int Accepted() const { return m_accepted.load(); }
    void DropConnections();

private:
    struct Connection {
        std::thread thread;
        int fd = -1; // guarded by m_connectionsLock; -1 once the serving thread closed it
        std::atomic<bool> done{false};
    };

    void AcceptLoop();
    void Serve(Connection& connection);
    void ServeCommands(int fd);
    void ServeFile(int fd);
    void DrainUntilClosed(int fd);
    void IgnoreUntilClosed(int fd);
    void ReapFinished();

    Core& m_core;
    Role m_role;
    io::StopSignal m_stop;
    io::UniqueFd m_listener;
    std::string m_address; // as listened on; what the request log names
    std::uint16_t m_port = 0;
    std::thread m_acceptThread;
    std::mutex m_connectionsLock;
    std::list<Connection> m_connections;
    std::atomic<int> m_active{0};
    std::atomic<int> m_accepted{0};
};

} // namespace zolsim
