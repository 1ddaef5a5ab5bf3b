// The floor of a fleet sweep: one epoll loop over plain sockets that writes the same request bytes to
// every display and reads each reply until its frame is complete, and nothing else (no matching, no
// decoding, no retries, no record).
//
// It runs in a process of its own (BareProcess), forked before the benchmark starts any thread, so that
// its connections and the engine's are held by two processes with a descriptor limit each: a sweep of
// 10,000 displays holds 10,000 connections on each side, and both sides keep theirs open between rounds.
// The benchmark sends the process one order at a time over a pipe and waits for its report, so bare and
// engine rounds still take turns and never overlap.
#pragma once

#include "DisplayProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace bench::fleet {

// The displays one order is about.
struct BareFleet {
    std::vector<sockaddr_in> addresses;
    std::size_t greetingSize = 0; // the bytes every new connection is greeted with, read away (0: none)
};

// What one order did.
struct BareReport {
    int ok = 0;              // 1 when every display finished its exchange within the order's time
    std::uint64_t done = 0;  // displays that did
    std::uint64_t total = 0; // displays the order was about
    double seconds = 0;      // from the first socket call (or write) to the last reply
    double cpuSeconds = 0;   // processor time (user and system) the bare process spent in that time
};

// Processor time this process has used so far, user and system.
inline double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Connects, greets, exchanges; one entry per display.
class BareSweeper {
public:
    explicit BareSweeper(std::vector<unsigned char> request) : m_request(std::move(request)) {
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    }
    ~BareSweeper() {
        Close();
        if (m_epoll >= 0) {
            ::close(m_epoll);
        }
    }
    BareSweeper(const BareSweeper&) = delete;
    BareSweeper& operator=(const BareSweeper&) = delete;

    // Connects every display of the fleet and reads its greeting; the connections stay open.
    BareReport Open(const BareFleet& fleet, std::chrono::milliseconds budget) {
        Close();
        const auto start = Clock::now();
        const double cpu = ProcessCpuSeconds();
        Connect(fleet, false);
        Drive(Clock::now() + budget, false);
        return Report(start, cpu, Phase::Idle);
    }

    // One request on every open connection, every reply read to the end of its frame.
    BareReport Sweep(std::chrono::milliseconds budget) {
        const auto start = Clock::now();
        const double cpu = ProcessCpuSeconds();
        for (std::size_t i = 0; i < m_links.size(); ++i) {
            if (m_links[i].phase == Phase::Idle) {
                SendRequest(i);
            }
        }
        Drive(start + budget, false);
        return Report(start, cpu, Phase::Idle);
    }

    // Connect, greeting, request, reply and close, for every display of the fleet at once.
    BareReport Cold(const BareFleet& fleet, std::chrono::milliseconds budget) {
        Close();
        const auto start = Clock::now();
        const double cpu = ProcessCpuSeconds();
        Connect(fleet, true);
        Drive(start + budget, true);
        const BareReport report = Report(start, cpu, Phase::Closed);
        Close();
        return report;
    }

    void Close() {
        for (Link& link : m_links) {
            if (link.fd >= 0) {
                ::close(link.fd);
            }
        }
        m_links.clear();
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kFrameRoom = 272; // the longest standard reply: 255 data bytes and 6 more
    static constexpr int kMaxEvents = 256;

    enum class Phase : unsigned char { Connecting, Greeting, Awaiting, Idle, Closed, Failed };

    struct Link {
        int fd = -1;
        Phase phase = Phase::Connecting;
        std::uint16_t have = 0;
        std::array<unsigned char, kFrameRoom> bytes{};
    };

    void Connect(const BareFleet& fleet, bool closeAfterReply) {
        m_greetingSize = fleet.greetingSize;
        m_links.resize(fleet.addresses.size());
        for (std::size_t i = 0; i < m_links.size(); ++i) {
            Link& link = m_links[i];
            link.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (link.fd < 0) {
                link.phase = Phase::Failed;
                continue;
            }
            int one = 1;
            ::setsockopt(link.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            const sockaddr_in& to = fleet.addresses[i];
            const int got = ::connect(link.fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
            if (got != 0 && errno != EINPROGRESS) {
                Fail(i);
                continue;
            }
            Watch(i, EPOLLOUT, false);
            if (got == 0) {
                Connected(i, closeAfterReply);
            }
        }
    }

    void Watch(std::size_t i, std::uint32_t events, bool added) {
        epoll_event event{};
        event.events = events;
        event.data.u64 = i;
        ::epoll_ctl(m_epoll, added ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, m_links[i].fd, &event);
    }

    void Fail(std::size_t i) {
        Link& link = m_links[i];
        if (link.fd >= 0) {
            ::close(link.fd);
            link.fd = -1;
        }
        link.phase = Phase::Failed;
    }

    void Connected(std::size_t i, bool closeAfterReply) {
        Link& link = m_links[i];
        link.have = 0;
        if (m_greetingSize > 0) {
            link.phase = Phase::Greeting;
            Watch(i, EPOLLIN, true);
            return;
        }
        Greeted(i, closeAfterReply);
    }

    void Greeted(std::size_t i, bool closeAfterReply) {
        Watch(i, EPOLLIN, true);
        if (closeAfterReply) {
            SendRequest(i);
        } else {
            m_links[i].phase = Phase::Idle;
        }
    }

    void SendRequest(std::size_t i) {
        Link& link = m_links[i];
        link.have = 0;
        const ssize_t sent = ::send(link.fd, m_request.data(), m_request.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent != static_cast<ssize_t>(m_request.size())) {
            Fail(i); // a five-byte write that does not fit an empty socket buffer: the connection is broken
            return;
        }
        link.phase = Phase::Awaiting;
    }

    // Runs the loop until no connection is connecting, being greeted or awaiting a reply, or the time is up.
    void Drive(Clock::time_point deadline, bool closeAfterReply) {
        std::size_t busy = 0;
        for (const Link& link : m_links) {
            busy += Busy(link.phase) ? 1 : 0;
        }
        std::array<epoll_event, kMaxEvents> events{};
        while (busy > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return;
            }
            const int count =
                ::epoll_wait(m_epoll, events.data(), kMaxEvents, static_cast<int>(left.count()));
            if (count < 0 && errno != EINTR) {
                return;
            }
            for (int e = 0; e < count; ++e) {
                const auto i = static_cast<std::size_t>(events[static_cast<std::size_t>(e)].data.u64);
                const bool wasBusy = Busy(m_links[i].phase);
                OnEvent(i, events[static_cast<std::size_t>(e)].events, closeAfterReply);
                if (wasBusy && !Busy(m_links[i].phase)) {
                    --busy;
                }
            }
        }
    }

    static bool Busy(Phase phase) {
        return phase == Phase::Connecting || phase == Phase::Greeting || phase == Phase::Awaiting;
    }

    void OnEvent(std::size_t i, std::uint32_t events, bool closeAfterReply) {
        Link& link = m_links[i];
        switch (link.phase) {
        case Phase::Connecting: {
            int error = 0;
            socklen_t size = sizeof error;
            if (::getsockopt(link.fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
                Fail(i);
                return;
            }
            Connected(i, closeAfterReply);
            return;
        }
        case Phase::Greeting: {
            const std::size_t room = std::min(m_greetingSize - link.have, kFrameRoom);
            const ssize_t got = ::recv(link.fd, link.bytes.data(), room, 0);
            if (got <= 0) {
                if (got < 0 && errno == EAGAIN) {
                    return;
                }
                Fail(i);
                return;
            }
            link.have = static_cast<std::uint16_t>(link.have + got);
            if (link.have >= m_greetingSize) {
                Greeted(i, closeAfterReply);
            }
            return;
        }
        case Phase::Awaiting: {
            const ssize_t got = ::recv(link.fd, link.bytes.data() + link.have, kFrameRoom - link.have, 0);
            if (got <= 0) {
                if (got < 0 && errno == EAGAIN) {
                    return;
                }
                Fail(i);
                return;
            }
            link.have = static_cast<std::uint16_t>(link.have + got);
            if (link.bytes[0] != 0xAA) {
                Fail(i); // not a reply frame
                return;
            }
            if (link.have >= 4 && link.have >= static_cast<std::size_t>(link.bytes[3]) + 5) {
                if (closeAfterReply) {
                    ::close(link.fd);
                    link.fd = -1;
                    link.phase = Phase::Closed;
                } else {
                    link.phase = Phase::Idle;
                }
            }
            return;
        }
        default:
            // An idle connection that became readable or hung up: the display said something unasked, or
            // left. Either way the connection is no good for the next sweep.
            static_cast<void>(events);
            Fail(i);
            return;
        }
    }

    BareReport Report(Clock::time_point start, double cpuAtStart, Phase finished) const {
        BareReport report;
        report.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        report.cpuSeconds = ProcessCpuSeconds() - cpuAtStart;
        report.total = m_links.size();
        for (const Link& link : m_links) {
            report.done += link.phase == finished ? 1 : 0;
        }
        report.ok = report.done == report.total ? 1 : 0;
        return report;
    }

    std::vector<unsigned char> m_request;
    std::vector<Link> m_links;
    std::size_t m_greetingSize = 0;
    int m_epoll = -1;
};

// The bare sweeper in a child process, driven by orders over a pipe. Construct it before the benchmark
// starts any thread: the child is a plain fork of the process as it is then.
class BareProcess {
public:
    enum class Order : int { Open, Sweep, Close, Cold, Quit };

    BareProcess(std::vector<BareFleet> fleets, std::vector<unsigned char> request) {
        int orders[2];
        int reports[2];
        if (::pipe2(orders, O_CLOEXEC) != 0) {
            return;
        }
        if (::pipe2(reports, O_CLOEXEC) != 0) {
            ::close(orders[0]);
            ::close(orders[1]);
            return;
        }
        std::fflush(nullptr);
        const pid_t parent = ::getpid();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) {
                ::_exit(1);
            }
            ::close(orders[1]);
            ::close(reports[0]);
            Serve(orders[0], reports[1], fleets, std::move(request));
            ::_exit(0);
        }
        ::close(orders[0]);
        ::close(reports[1]);
        if (m_pid < 0) {
            ::close(orders[1]);
            ::close(reports[0]);
            return;
        }
        m_orders = orders[1];
        m_reports = reports[0];
    }

    ~BareProcess() {
        if (m_pid <= 0) {
            return;
        }
        Send(Order::Quit, 0, std::chrono::milliseconds(0));
        ::close(m_orders);
        ::close(m_reports);
        if (!ReapWithin(m_pid, 300)) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    BareProcess(const BareProcess&) = delete;
    BareProcess& operator=(const BareProcess&) = delete;

    bool Ok() const { return m_pid > 0; }

    // Each waits for the child's report, at most the order's budget and five seconds more; a child that
    // does not report in time (or has died) gives a report with ok == 0 and nothing done.
    BareReport Open(int fleet, std::chrono::milliseconds budget) { return Ask(Order::Open, fleet, budget); }
    BareReport Sweep(std::chrono::milliseconds budget) { return Ask(Order::Sweep, 0, budget); }
    BareReport Cold(int fleet, std::chrono::milliseconds budget) { return Ask(Order::Cold, fleet, budget); }
    BareReport Close() { return Ask(Order::Close, 0, std::chrono::milliseconds(1000)); }

private:
    struct OrderMessage {
        Order order;
        int fleet;
        std::int64_t budgetMs;
    };

    static bool WriteAll(int fd, const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        std::size_t written = 0;
        while (written < size) {
            const ssize_t n = ::write(fd, bytes + written, size - written);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            written += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Reads exactly `size` bytes; a negative wait waits as long as it takes.
    static bool ReadAll(int fd, void* data, std::size_t size, int waitMs) {
        auto* bytes = static_cast<unsigned char*>(data);
        std::size_t got = 0;
        while (got < size) {
            pollfd entry{fd, POLLIN, 0};
            const int ready = ::poll(&entry, 1, waitMs);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                return false;
            }
            const ssize_t n = ::read(fd, bytes + got, size - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool Send(Order order, int fleet, std::chrono::milliseconds budget) {
        const OrderMessage message{order, fleet, static_cast<std::int64_t>(budget.count())};
        return m_orders >= 0 && WriteAll(m_orders, &message, sizeof message);
    }

    BareReport Ask(Order order, int fleet, std::chrono::milliseconds budget) {
        BareReport report;
        if (!Send(order, fleet, budget) ||
            !ReadAll(m_reports, &report, sizeof report, static_cast<int>(budget.count()) + 5000)) {
            return {};
        }
        return report;
    }

    [[noreturn]] static void Serve(int orders, int reports, const std::vector<BareFleet>& fleets,
                                   std::vector<unsigned char> request) {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
        BareSweeper sweeper(std::move(request));
        // Every pass serves one order; the pipe's end (the benchmark is gone) ends the loop too.
        for (;;) {
            OrderMessage message{};
            if (!ReadAll(orders, &message, sizeof message, -1) || message.order == Order::Quit) {
                break;
            }
            const std::chrono::milliseconds budget(message.budgetMs);
            const bool known = message.fleet >= 0 && static_cast<std::size_t>(message.fleet) < fleets.size();
            BareReport report;
            switch (message.order) {
            case Order::Open:
                if (known) {
                    report = sweeper.Open(fleets[static_cast<std::size_t>(message.fleet)], budget);
                }
                break;
            case Order::Sweep:
                report = sweeper.Sweep(budget);
                break;
            case Order::Cold:
                if (known) {
                    report = sweeper.Cold(fleets[static_cast<std::size_t>(message.fleet)], budget);
                }
                break;
            case Order::Close:
                sweeper.Close();
                report.ok = 1;
                break;
            case Order::Quit:
                break;
            }
            if (!WriteAll(reports, &report, sizeof report)) {
                break;
            }
        }
        sweeper.Close();
        ::_exit(0);
    }

    pid_t m_pid = -1;
    int m_orders = -1;
    int m_reports = -1;
};

} // namespace bench::fleet
