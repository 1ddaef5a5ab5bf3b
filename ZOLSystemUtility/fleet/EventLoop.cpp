#include "fleet/EventLoop.h"

#include "platform/Pause.h"

#include <array>
#include <cerrno>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zol::fleet {

EventLoop::EventLoop()
    : m_epoll(::epoll_create1(EPOLL_CLOEXEC)), m_wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (Ok()) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = m_wake;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &event);
    }
}

EventLoop::~EventLoop() {
    if (m_wake >= 0)
        ::close(m_wake);
    if (m_epoll >= 0)
        ::close(m_epoll);
}

EventLoop::Registration& EventLoop::At(int fd) {
    const auto slot = static_cast<std::size_t>(fd);
    if (slot >= m_registrations.size())
        m_registrations.resize(slot + 1);
    return m_registrations[slot];
}

void EventLoop::Watch(int fd, std::uint64_t socket, std::uint32_t events, LoopHandler* handler) {
    if (fd < 0)
        return;
    Registration& known = At(fd);
    const bool same = known.socket == socket;
    known.handler = handler;
    if (same && known.events == events)
        return;
    epoll_event event{};
    event.events = events;
    event.data.fd = fd;
    // A descriptor of an earlier connection under the same number left the set when it was closed; one
    // registered here during a run in another loop may still be in it: the other operation then fits.
    int result = ::epoll_ctl(m_epoll, same ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &event);
    if (result != 0 && (errno == ENOENT || errno == EEXIST))
        result = ::epoll_ctl(m_epoll, errno == ENOENT ? EPOLL_CTL_ADD : EPOLL_CTL_MOD, fd, &event);
    known.socket = result == 0 ? socket : 0;
    known.events = events;
}

void EventLoop::Forget(int fd) {
    if (fd >= 0)
        At(fd).handler = nullptr;
}

void EventLoop::Closing(int fd) {
    if (fd >= 0)
        At(fd) = {};
}

void EventLoop::EndRun() {
    m_timers = {};
    m_lives.clear();
}

void EventLoop::At(std::uint64_t dueMs, LoopHandler* handler, std::uint64_t generation) {
    m_timers.push({dueMs, handler, generation, LifeOf(handler)});
}

void EventLoop::Release(LoopHandler* handler) {
    m_lives[handler] = ++m_releases;
}

std::uint64_t EventLoop::LifeOf(LoopHandler* handler) const {
    const auto found = m_lives.find(handler);
    return found == m_lives.end() ? 0 : found->second;
}

void EventLoop::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_wake, &one, sizeof one);
}

void EventLoop::Turn(int maxWaitMs) {
    std::uint64_t now = platform::SteadyMs();
    int wait = maxWaitMs;
    if (!m_timers.empty()) {
        const std::uint64_t due = m_timers.top().due;
        wait = due <= now
                   ? 0
                   : static_cast<int>(std::min<std::uint64_t>(due - now, static_cast<std::uint64_t>(wait)));
    }
    std::array<epoll_event, 256> events{};
    const int count = ::epoll_wait(m_epoll, events.data(), static_cast<int>(events.size()), wait);
    for (int i = 0; i < count; ++i) {
        const int fd = events[static_cast<std::size_t>(i)].data.fd;
        if (fd == m_wake) {
            std::uint64_t drained = 0;
            [[maybe_unused]] const auto got = ::read(m_wake, &drained, sizeof drained);
            continue;
        }
        Registration& known = At(fd);
        if (known.handler == nullptr) {
            // Forgotten and now reporting: only now is it worth taking out of the set.
            ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
            known = {};
            continue;
        }
        known.handler->OnReady(events[static_cast<std::size_t>(i)].events);
    }
    now = platform::SteadyMs();
    while (!m_timers.empty() && m_timers.top().due <= now) {
        const Timer timer = m_timers.top();
        m_timers.pop();
        if (LifeOf(timer.handler) == timer.life)
            timer.handler->OnTimer(timer.generation);
    }
}

} // namespace zol::fleet
