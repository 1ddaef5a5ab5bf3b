// The fleet's network side: one thread and one epoll set serve every listening address of the fleet and
// every connection to them. A connection is greeted, then its bytes are fed to its display's Core as
// they arrive and the replies leave through a ReplyQueue, written as far as the socket takes them; the
// rest waits for the socket to drain. Timers stand in for the threaded door's sleeps, so a late greeting
// or a delayed reply holds back nobody else.
#pragma once

#include "Core.h"
#include "FleetRoster.h"
#include "Io.h"
#include "ReplyQueue.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <queue>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zolsim {

class FleetFrontDoor {
public:
    explicit FleetFrontDoor(FleetRoster& roster);
    ~FleetFrontDoor();
    FleetFrontDoor(const FleetFrontDoor&) = delete;
    FleetFrontDoor& operator=(const FleetFrontDoor&) = delete;

    // Creates the epoll set and starts the serving thread; false with a reason in error.
    bool Start(std::string& error);
    // Serves these listening sockets, each paired with its roster index. On failure none of them is
    // served (and all are closed).
    bool Add(std::vector<std::pair<std::size_t, io::UniqueFd>> listeners, std::string& error);

    std::size_t Listening() const { return m_listening.load(); }
    int Active() const { return m_active.load(); }
    int Accepted() const { return m_accepted.load(); }

private:
    using Clock = ReplyQueue::Clock;

    struct Connection {
        io::UniqueFd fd;
        std::uint32_t generation = 0;
        Core* core = nullptr; // null: a silent display
        Session session;
        std::shared_ptr<RequestLog> silentLog; // where a silent display writes what it reads, if anywhere
        ReplyQueue queue;
        std::optional<Clock::time_point> armed; // the timer this connection has waiting, if any
        std::uint32_t events = 0;               // what the epoll set watches for
        bool readClosed = false;                // the client sent its last byte
    };

    struct Timer {
        Clock::time_point due;
        int fd;
        std::uint32_t generation;
        bool operator>(const Timer& other) const { return due > other.due; }
    };

    void Run();
    int MsToNextTimer(Clock::time_point now) const;
    void RunTimers(Clock::time_point now);
    void OnListener(std::size_t index, int listener);
    void Open(std::size_t index, int fd);
    void OnConnection(int fd, std::uint32_t generation, std::uint32_t events);
    Connection* Find(int fd, std::uint32_t generation);
    // Reads what the client sent and queues the replies; false when the connection failed.
    bool Read(Connection& connection);
    // A silent display parses what it read only to write it to the request log.
    void LogUnanswered(Connection& connection, std::size_t length);
    // Writes what the socket takes; false when the connection failed.
    static bool Flush(Connection& connection);
    // Runs due steps, writes, re-arms the timer and the watched events, or closes the connection.
    void Settle(Connection& connection);
    void Close(Connection& connection);
    // Out of descriptors: takes the waiting client off the listener and closes it.
    void Shed(int listener);

    FleetRoster& m_roster;
    io::UniqueFd m_epoll;
    io::StopSignal m_stop;
    io::UniqueFd m_spare; // held so that a full descriptor table can still refuse a client
    std::thread m_thread;

    std::mutex m_listenersLock;
    std::vector<io::UniqueFd> m_listeners;

    // The serving thread's own: connections by descriptor, timers, the read buffer.
    std::vector<std::unique_ptr<Connection>> m_connections;
    std::priority_queue<Timer, std::vector<Timer>, std::greater<>> m_timers;
    std::uint32_t m_generation = 0;
    std::array<unsigned char, 16384> m_buffer{};

    std::atomic<std::size_t> m_listening{0};
    std::atomic<int> m_active{0};
    std::atomic<int> m_accepted{0};
};

} // namespace zolsim
