#include "TcpFrontDoor.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zolsim {

TcpFrontDoor::TcpFrontDoor(Core& core, Role role) : m_core(core), m_role(role) {}

TcpFrontDoor::~TcpFrontDoor() {
    m_stop.Raise();
    if (m_acceptThread.joinable()) {
        m_acceptThread.join();
    }
    std::list<Connection> connections;
    {
        std::lock_guard guard(m_connectionsLock);
        connections.splice(connections.end(), m_connections);
    }
    for (Connection& connection : connections) {
        if (connection.thread.joinable()) {
            connection.thread.join();
        }
    }
}

bool TcpFrontDoor::Start(const std::string& address, std::uint16_t port, std::string& error) {
    io::UniqueFd fd = io::Listen(address, port, error);
    if (!fd.Valid()) {
        return false;
    }
    m_port = io::BoundPort(fd.Get());
    m_address = address;
    m_listener = std::move(fd);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    return true;
}

void TcpFrontDoor::AcceptLoop() {
    io::BlockSigpipeInThisThread(); // threads started from here inherit the mask
    for (;;) {
        pollfd pfds[2] = {{m_listener.Get(), POLLIN, 0}, {m_stop.Fd(), POLLIN, 0}};
        if (::poll(pfds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((pfds[1].revents & POLLIN) != 0) {
            return;
        }
        const int client = ::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) {
            continue;
        }
        ReapFinished();
        ++m_accepted;
        ++m_active;
        std::lock_guard guard(m_connectionsLock);
        Connection& connection = m_connections.emplace_back();
        connection.fd = client;
        connection.thread = std::thread([this, &connection] { Serve(connection); });
    }
}

void TcpFrontDoor::ReapFinished() {
    std::list<Connection> finished;
    {
        std::lock_guard guard(m_connectionsLock);
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            auto next = std::next(it);
            if (it->done.load()) {
                finished.splice(finished.end(), m_connections, it);
            }
            it = next;
        }
    }
    for (Connection& connection : finished) {
        connection.thread.join();
    }
}

void TcpFrontDoor::Serve(Connection& connection) {
    int fd = 0;
    {
        std::lock_guard guard(m_connectionsLock);
        fd = connection.fd;
    }
    if (m_role == Role::FileServer) {
        ServeFile(fd);
    } else {
        ServeCommands(fd);
    }
    {
        std::lock_guard guard(m_connectionsLock);
        ::close(connection.fd);
        connection.fd = -1;
    }
    --m_active;
    connection.done = true;
}

// Reads and forgets whatever the client sends until it leaves: a display stuck in its handshake.
void TcpFrontDoor::DrainUntilClosed(int fd) {
    PlainChannel channel(fd);
    unsigned char buffer[4096];
    for (;;) {
        pollfd pfds[2] = {{fd, POLLIN, 0}, {m_stop.Fd(), POLLIN, 0}};
        if (::poll(pfds, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if ((pfds[1].revents & POLLIN) != 0 || channel.Read(buffer, sizeof buffer) < 0) {
            return;
        }
    }
}

// Reads nothing at all: what the client sends piles up in the socket buffers, on both sides, until
// their room runs out. Ends when the client or the display closes the connection, or the simulator stops.
void TcpFrontDoor::IgnoreUntilClosed(int fd) {
    for (;;) {
        pollfd pfds[2] = {{fd, POLLRDHUP, 0}, {m_stop.Fd(), POLLIN, 0}};
        const int ready = ::poll(pfds, 2, -1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || pfds[0].revents != 0 || pfds[1].revents != 0) {
            return;
        }
    }
}

void TcpFrontDoor::ServeCommands(int fd) {
    const std::string greeting = m_core.Greeting();
    const int greetingDelay = m_core.GreetingDelay();
    if (greetingDelay > 0 && !io::WaitMs(m_stop.Fd(), greetingDelay)) {
        return;
    }
    if (!greeting.empty() && !io::WriteAll(fd, reinterpret_cast<const unsigned char*>(greeting.data()),
                                           greeting.size(), m_stop.Fd())) {
        return;
    }
    if (m_core.TakeConnectionFault(FaultKind::NeverRead)) {
        IgnoreUntilClosed(fd);
        return;
    }
    // A display that announces TLS in its greeting expects the handshake next.
    const bool secured = greeting.find("TLS") != std::string::npos;
    std::unique_ptr<Channel> channel;
    TlsChannel* tls = nullptr;
    if (secured) {
        if (m_core.TakeConnectionFault(FaultKind::StallHandshake)) {
            DrainUntilClosed(fd);
            return;
        }
        const auto context = m_core.CommandTls();
        if (!context) {
            return;
        }
        auto tlsChannel = std::make_unique<TlsChannel>(*context, fd);
        if (!tlsChannel->Accept(m_stop.Fd(), 10000)) {
            return;
        }
        tls = tlsChannel.get();
        channel = std::move(tlsChannel);
    } else {
        channel = std::make_unique<PlainChannel>(fd);
    }
    const io::Writer write = [&](const unsigned char* data, std::size_t length) {
        return channel->Write(data, length, m_stop.Fd());
    };

    Session session;
    session.address = m_address;
    unsigned char buffer[4096];
    for (;;) {
        if (!channel->Buffered()) {
            pollfd pfds[2] = {{fd, POLLIN, 0}, {m_stop.Fd(), POLLIN, 0}};
            if (::poll(pfds, 2, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                break;
            }
            if ((pfds[1].revents & POLLIN) != 0) {
                break;
            }
        }
        const long n = channel->Read(buffer, sizeof buffer);
        if (n == 0) {
            continue;
        }
        if (n < 0) {
            break;
        }
        const auto length = static_cast<std::size_t>(n);
        if (tls != nullptr) {
            if (auto auth = m_core.AuthReply(buffer, length)) {
                if (!write(auth->data(), auth->size())) {
                    break;
                }
                continue;
            }
        }
        bool open = true;
        for (const Outgoing& reply : m_core.Process(session, buffer, length)) {
            if (!io::Deliver(reply, m_stop.Fd(), m_core, write)) {
                open = false;
                break;
            }
        }
        if (!open) {
            break;
        }
    }
    if (tls != nullptr) {
        tls->Shutdown();
    }
}

void TcpFrontDoor::ServeFile(int fd) {
    const auto context = m_core.FileTls();
    if (!context) {
        return;
    }
    TlsChannel channel(*context, fd);
    if (!channel.Accept(m_stop.Fd(), 10000)) {
        return;
    }
    const std::string text = m_core.ServedFile();
    if (channel.Write(reinterpret_cast<const unsigned char*>(text.data()), text.size(), m_stop.Fd())) {
        m_core.CountDownload();
    }
    channel.Shutdown();
}

void TcpFrontDoor::DropConnections() {
    std::lock_guard guard(m_connectionsLock);
    for (Connection& connection : m_connections) {
        if (connection.fd >= 0) {
            ::shutdown(connection.fd, SHUT_RDWR);
        }
    }
}

} // namespace zolsim
