#include "Io.h"

#include "Delivery.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zolsim::io {

namespace {

constexpr std::size_t kEndlessWrites = std::size_t{1} << 20;

} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Reset(other.Release());
    }
    return *this;
}

int UniqueFd::Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::Reset(int fd) {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
}

StopSignal::StopSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void StopSignal::Raise() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_fd.Get(), &one, sizeof one);
}

void BlockSigpipeInThisThread() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

ScopedSigpipeBlock::ScopedSigpipeBlock() {
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    m_wasPending = sigismember(&pending, SIGPIPE) == 1;
    sigset_t set;
    sigset_t old;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, &old);
    m_wasBlocked = sigismember(&old, SIGPIPE) == 1;
}

ScopedSigpipeBlock::~ScopedSigpipeBlock() {
    if (!m_wasPending) {
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE) == 1) {
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, SIGPIPE);
            const timespec zero{0, 0};
            sigtimedwait(&set, nullptr, &zero);
        }
    }
    if (!m_wasBlocked) {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGPIPE);
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool Wait(int stopFd, std::chrono::nanoseconds duration) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + duration;
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            return true;
        }
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd pfd{stopFd, POLLIN, 0};
        const int ready = ::ppoll(&pfd, 1, &ts, nullptr);
        if (ready > 0) {
            return false;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

bool WriteAll(int fd, const unsigned char* data, std::size_t length, int stopFd) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, data + done, length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pfds[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
            if (::poll(pfds, 2, -1) < 0 && errno != EINTR) {
                return false;
            }
            if ((pfds[1].revents & POLLIN) != 0 || (pfds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                return false;
            }
            continue;
        }
        return false;
    }
    return true;
}

bool PacedWrite(int fd, const unsigned char* data, std::size_t length, unsigned baud, int stopFd) {
    if (baud == 0) {
        return WriteAll(fd, data, length, stopFd);
    }
    using Clock = std::chrono::steady_clock;
    const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / baud);
    const auto start = Clock::now();
    // A byte reaches the other end once its last bit has been on the line.
    for (std::size_t i = 0; i < length; ++i) {
        const auto due = start + byteTime * static_cast<long long>(i + 1);
        if (!Wait(stopFd, due - Clock::now())) {
            return false;
        }
        if (!WriteAll(fd, data + i, 1, stopFd)) {
            return false;
        }
    }
    return true;
}

bool Deliver(const Outgoing& reply, int stopFd, Core& core, const Writer& write) {
    for (const DeliveryStep& step : PlanDelivery(reply)) {
        if (step.waitMs > 0 && !WaitMs(stopFd, step.waitMs)) {
            return false;
        }
        if (step.close) {
            return false;
        }
        if (step.log) {
            core.LogReply(reply.bytes);
        }
        if (!write(reply.bytes.data() + step.from, step.to - step.from)) {
            return false;
        }
    }
    if (reply.endless) {
        // Until the client leaves (the write fails) or the simulator stops; the cap only keeps a client
        // that reads everything from being fed for ever.
        for (std::size_t i = 0; i < kEndlessWrites; ++i) {
            if (!write(reply.bytes.data(), reply.bytes.size())) {
                return false;
            }
        }
        return false;
    }
    return true;
}

namespace {

bool ParseAddress(const std::string& text, std::uint16_t port, sockaddr_storage& out, socklen_t& length) {
    std::memset(&out, 0, sizeof out);
    auto* v4 = reinterpret_cast<sockaddr_in*>(&out);
    if (::inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof(sockaddr_in);
        return true;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&out);
    if (::inet_pton(AF_INET6, text.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
        return true;
    }
    return false;
}

} // namespace

UniqueFd Listen(const std::string& address, std::uint16_t port, std::string& error) {
    sockaddr_storage addr{};
    socklen_t length = 0;
    if (!ParseAddress(address, port, addr, length)) {
        error = "not an IP address: " + address;
        return UniqueFd();
    }
    UniqueFd fd(::socket(addr.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.Valid()) {
        error = std::string("socket: ") + std::strerror(errno);
        return UniqueFd();
    }
    const int on = 1;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (addr.ss_family == AF_INET6) {
        ::setsockopt(fd.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    }
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), length) != 0 || ::listen(fd.Get(), 16) != 0) {
        error = "cannot listen on " + address + " port " + std::to_string(port) + ": " + std::strerror(errno);
        return UniqueFd();
    }
    return fd;
}

std::uint16_t BoundPort(int fd) {
    sockaddr_storage addr{};
    socklen_t length = sizeof addr;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
        return 0;
    }
    if (addr.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
    }
    return ntohs(reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port);
}

} // namespace zolsim::io
