#include "FleetFrontDoor.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zolsim {

namespace {

// What an epoll event names, in its 64-bit key: the stop signal, a listener (its roster index and
// descriptor) or a connection (its generation and descriptor; the generation tells a connection from
// an earlier one that had the same descriptor).
constexpr std::uint64_t kListenerTag = 1ULL << 63;
constexpr std::uint64_t kStopKey = 1ULL << 62;
constexpr std::uint32_t kGenerationMask = 0x3FFFFFFF;
constexpr std::size_t kMaxIndex = (std::size_t{1} << 30) - 1;

std::uint64_t ListenerKey(std::size_t index, int fd) {
    return kListenerTag | (static_cast<std::uint64_t>(index) << 32) | static_cast<std::uint32_t>(fd);
}

std::uint64_t ConnectionKey(std::uint32_t generation, int fd) {
    return (static_cast<std::uint64_t>(generation & kGenerationMask) << 32) | static_cast<std::uint32_t>(fd);
}

constexpr int kEventsPerWait = 256;
constexpr int kAcceptsPerWake = 64; // then other listeners get their turn
constexpr int kReadsPerWake = 8;    // then other connections get their turn
constexpr int kWritesPerFlush = 64;
// Replies not yet taken by a client that does not read: past this the display stops reading too,
// as a threaded door blocked in its write would.
constexpr std::size_t kHighWater = 64 * 1024;
constexpr int kLongestWaitMs = 1000;

} // namespace

FleetFrontDoor::FleetFrontDoor(FleetRoster& roster) : m_roster(roster) {}

FleetFrontDoor::~FleetFrontDoor() {
    m_stop.Raise();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool FleetFrontDoor::Start(std::string& error) {
    m_epoll.Reset(::epoll_create1(EPOLL_CLOEXEC));
    m_spare.Reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    epoll_event stop{};
    stop.events = EPOLLIN;
    stop.data.u64 = kStopKey;
    if (!m_epoll.Valid() || m_stop.Fd() < 0 ||
        ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, m_stop.Fd(), &stop) != 0) {
        error = "cannot create the fleet's event set";
        return false;
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

bool FleetFrontDoor::Add(std::vector<std::pair<std::size_t, io::UniqueFd>> listeners, std::string& error) {
    std::size_t added = 0;
    for (; added < listeners.size(); ++added) {
        const auto& [index, fd] = listeners[added];
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = ListenerKey(index, fd.Get());
        if (index > kMaxIndex || ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, fd.Get(), &event) != 0) {
            error = "cannot watch listener " + std::to_string(added + 1) + " of " +
                    std::to_string(listeners.size()) + " (too many addresses for the event set?)";
            break;
        }
    }
    if (added < listeners.size()) {
        for (std::size_t i = 0; i < added; ++i) {
            ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_DEL, listeners[i].second.Get(), nullptr);
        }
        return false; // the listeners close as the vector goes
    }
    std::lock_guard guard(m_listenersLock);
    for (auto& entry : listeners) {
        m_listeners.push_back(std::move(entry.second));
    }
    m_listening += listeners.size();
    return true;
}

void FleetFrontDoor::Run() {
    std::array<epoll_event, kEventsPerWait> events{};
    // Serves until the stop signal; every pass waits at most until the next timer or a second.
    for (;;) {
        const int ready =
            ::epoll_wait(m_epoll.Get(), events.data(), kEventsPerWait, MsToNextTimer(Clock::now()));
        if (ready < 0 && errno != EINTR) {
            return;
        }
        for (int i = 0; i < ready; ++i) {
            const std::uint64_t key = events[i].data.u64;
            const int fd = static_cast<int>(key & 0xFFFFFFFF);
            if (key == kStopKey) {
                return;
            }
            if ((key & kListenerTag) != 0) {
                OnListener(static_cast<std::size_t>((key & ~kListenerTag) >> 32), fd);
            } else {
                OnConnection(fd, static_cast<std::uint32_t>(key >> 32), events[i].events);
            }
        }
        RunTimers(Clock::now());
    }
}

int FleetFrontDoor::MsToNextTimer(Clock::time_point now) const {
    if (m_timers.empty()) {
        return kLongestWaitMs;
    }
    const auto left = m_timers.top().due - now;
    if (left <= Clock::duration::zero()) {
        return 0;
    }
    // Rounded up: waking a little late is harmless, waking early only costs another pass.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, kLongestWaitMs));
}

void FleetFrontDoor::RunTimers(Clock::time_point now) {
    // Bounded by the timers waiting now: each connection has at most one armed.
    for (std::size_t budget = m_timers.size(); budget > 0 && !m_timers.empty(); --budget) {
        const Timer timer = m_timers.top();
        if (timer.due > now) {
            return;
        }
        m_timers.pop();
        Connection* connection = Find(timer.fd, timer.generation);
        if (connection != nullptr && connection->armed == timer.due) {
            connection->armed.reset();
            Settle(*connection);
        }
    }
}

void FleetFrontDoor::OnListener(std::size_t index, int listener) {
    for (int i = 0; i < kAcceptsPerWake; ++i) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            Open(index, fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED) {
            continue;
        }
        if (errno == EMFILE || errno == ENFILE) {
            Shed(listener);
        }
        return;
    }
}

void FleetFrontDoor::Shed(int listener) {
    // The listener stays readable while a client waits; refusing that client keeps the loop from spinning.
    m_spare.Reset();
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
    }
    m_spare.Reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
}

void FleetFrontDoor::Open(std::size_t index, int fd) {
    auto connection = std::make_unique<Connection>();
    connection->fd.Reset(fd);
    connection->generation = ++m_generation & kGenerationMask;
    const FleetRoster::Serving serving = m_roster.Serve(index);
    connection->core = serving.core;
    connection->session.address = serving.address;
    if (serving.core == nullptr) {
        connection->silentLog = serving.requestLog;
    }
    epoll_event event{};
    event.data.u64 = ConnectionKey(connection->generation, fd);
    if (::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, fd, &event) != 0) {
        return; // refused: the descriptor closes with the connection
    }
    ++m_accepted;
    ++m_active;
    const auto slot = static_cast<std::size_t>(fd);
    if (slot >= m_connections.size()) {
        m_connections.resize(slot + 1);
    }
    m_connections[slot] = std::move(connection);
    Connection& opened = *m_connections[slot];
    if (serving.greeting || serving.greetingDelayMs > 0) {
        static const auto kNothing = std::make_shared<const Bytes>();
        opened.queue.PushText(serving.greeting ? serving.greeting : kNothing, serving.greetingDelayMs,
                              Clock::now());
    }
    Settle(opened);
}

FleetFrontDoor::Connection* FleetFrontDoor::Find(int fd, std::uint32_t generation) {
    const auto slot = static_cast<std::size_t>(fd);
    if (fd < 0 || slot >= m_connections.size() || !m_connections[slot] ||
        m_connections[slot]->generation != generation) {
        return nullptr;
    }
    return m_connections[slot].get();
}

void FleetFrontDoor::OnConnection(int fd, std::uint32_t generation, std::uint32_t events) {
    Connection* connection = Find(fd, generation);
    if (connection == nullptr) {
        return;
    }
    if ((events & (EPOLLERR | EPOLLHUP)) != 0) {
        Close(*connection);
        return;
    }
    if ((events & EPOLLIN) != 0 && !Read(*connection)) {
        Close(*connection);
        return;
    }
    Settle(*connection);
}

bool FleetFrontDoor::Read(Connection& connection) {
    for (int i = 0; i < kReadsPerWake; ++i) {
        const ssize_t n = ::read(connection.fd.Get(), m_buffer.data(), m_buffer.size());
        if (n == 0) {
            connection.readClosed = true;
            return true;
        }
        if (n < 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
        if (connection.core == nullptr) {
            LogUnanswered(connection, static_cast<std::size_t>(n));
            continue; // a silent display reads and forgets
        }
        const auto now = Clock::now();
        for (const Outgoing& reply :
             connection.core->Process(connection.session, m_buffer.data(), static_cast<std::size_t>(n))) {
            connection.queue.Push(reply, *connection.core, now);
        }
        // A display that is waiting to answer, or whose client is not taking its answers, reads on later.
        if (connection.queue.Waiting() || connection.queue.Closing() ||
            connection.queue.Size() >= kHighWater) {
            return true;
        }
    }
    return true;
}

void FleetFrontDoor::LogUnanswered(Connection& connection, std::size_t length) {
    if (!connection.silentLog) {
        return;
    }
    Session& session = connection.session;
    session.parser.Feed(m_buffer.data(), length);
    while (auto request = session.parser.Next()) {
        connection.silentLog->Append(session.address, *request);
    }
}

bool FleetFrontDoor::Flush(Connection& connection) {
    ReplyQueue& queue = connection.queue;
    for (int i = 0; i < kWritesPerFlush && queue.Size() > 0; ++i) {
        const ssize_t n = ::send(connection.fd.Get(), queue.Data(), queue.Size(), MSG_NOSIGNAL);
        if (n > 0) {
            queue.Consume(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

void FleetFrontDoor::Settle(Connection& connection) {
    ReplyQueue& queue = connection.queue;
    queue.Advance(Clock::now(), connection.core);
    if (!Flush(connection)) {
        Close(connection);
        return;
    }
    const bool drained = queue.Size() == 0;
    if (drained && (queue.Closing() || (connection.readClosed && !queue.Waiting()))) {
        Close(connection);
        return;
    }
    if (const auto due = queue.NextDue(); due && connection.armed != due) {
        m_timers.push(Timer{*due, connection.fd.Get(), connection.generation});
        connection.armed = due;
    }
    const bool reading =
        !connection.readClosed && !queue.Closing() && !queue.Waiting() && queue.Size() < kHighWater;
    const std::uint32_t events = (reading ? EPOLLIN : 0U) | (drained ? 0U : EPOLLOUT);
    if (events != connection.events) {
        epoll_event event{};
        event.events = events;
        event.data.u64 = ConnectionKey(connection.generation, connection.fd.Get());
        if (::epoll_ctl(m_epoll.Get(), EPOLL_CTL_MOD, connection.fd.Get(), &event) != 0) {
            Close(connection);
            return;
        }
        connection.events = events;
    }
}

void FleetFrontDoor::Close(Connection& connection) {
    const auto slot = static_cast<std::size_t>(connection.fd.Get());
    --m_active;
    m_connections[slot].reset(); // closing the descriptor takes it out of the epoll set
}

} // namespace zolsim
