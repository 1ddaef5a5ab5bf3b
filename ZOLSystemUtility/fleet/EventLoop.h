#pragma once

// One epoll loop with timers, run on the thread that calls Turn. Handlers are told when their descriptor
// is ready or their timer is due; a timer is identified by the handler's own generation number so that a
// handler moving on simply ignores a stale one.

#include <cstdint>
#include <queue>
#include <unordered_map>
#include <vector>

namespace zol::fleet {

class LoopHandler {
public:
    virtual void OnReady(std::uint32_t events) = 0;
    virtual void OnTimer(std::uint64_t generation) = 0;

protected:
    ~LoopHandler() = default;
};

class EventLoop {
public:
    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    bool Ok() const { return m_epoll >= 0 && m_wake >= 0; }
    // Adds the descriptor or changes its events (0 keeps it registered without events). `socket` names
    // the connection behind the descriptor (descriptor numbers are reused): nothing is asked of the kernel
    // when that connection is already registered here with these events, as it is when a loop serves the
    // same connections run after run.
    void Watch(int fd, std::uint64_t socket, std::uint32_t events, LoopHandler* handler);
    // The handler is done with the descriptor, which stays open. It stays in the set, without a handler,
    // until it reports an event, so that the next run over the same connections changes nothing.
    void Forget(int fd);
    // The descriptor is about to be closed, which takes it out of the set.
    void Closing(int fd);
    // A run is over and every handler gone: their timers are dropped; registrations stay for the next.
    void EndRun();
    void At(std::uint64_t dueMs, LoopHandler* handler, std::uint64_t generation);
    // The handler is going away: its timers still pending are dropped when due, never dispatched (a
    // handler made later at the same address does not inherit them).
    void Release(LoopHandler* handler);
    // Wakes a Turn from another thread.
    void Wake();
    // Waits at most maxWaitMs for descriptors and timers and dispatches them.
    void Turn(int maxWaitMs);

private:
    struct Timer {
        std::uint64_t due;
        LoopHandler* handler;
        std::uint64_t generation;
        std::uint64_t life; // the handler's life when the timer was set
        bool operator>(const Timer& other) const { return due > other.due; }
    };
    std::uint64_t LifeOf(LoopHandler* handler) const;
    struct Registration {
        LoopHandler* handler = nullptr;
        std::uint64_t socket = 0; // 0: not in the set
        std::uint32_t events = 0;
    };
    Registration& At(int fd);

    int m_epoll = -1;
    int m_wake = -1;
    std::priority_queue<Timer, std::vector<Timer>, std::greater<>> m_timers;
    std::vector<Registration> m_registrations;               // by descriptor
    std::unordered_map<LoopHandler*, std::uint64_t> m_lives; // released handlers' next life
    std::uint64_t m_releases = 0;
};

} // namespace zol::fleet
