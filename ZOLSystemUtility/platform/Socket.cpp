#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "platform/Pause.h"

namespace zol::platform {

IpKind IpLiteralKind(const std::string& text) {
    if (text.empty() || text.find('\0') != std::string::npos)
        return IpKind::None;
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1)
        return IpKind::V4;
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1)
        return IpKind::V6;
    return IpKind::None;
}

int OpenDualStackSocket(int* error) {
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    const int off = 0;
    timeval receiveTimeout{};
    receiveTimeout.tv_sec = 1;
    if (setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off) != 0 ||
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &receiveTimeout, sizeof receiveTimeout) != 0) {
        *error = errno;
        ::close(fd);
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = errno;
        ::close(fd);
        return -1;
    }
    return fd;
}

int StartConnectNumeric(int fd, const std::string& host, std::uint32_t port) {
    std::string mapped = host;
    if (IpLiteralKind(host) == IpKind::V4)
        mapped = "::ffff:" + host;
    const std::string service = std::to_string(port);

    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    hints.ai_family = AF_INET6;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(mapped.c_str(), service.c_str(), &hints, &found);
    if (lookup != 0 || found == nullptr) {
        if (found != nullptr)
            freeaddrinfo(found);
        return lookup == EAI_SYSTEM ? errno : EINVAL;
    }
    const int result = ::connect(fd, found->ai_addr, found->ai_addrlen) != 0 ? errno : 0;
    freeaddrinfo(found);
    return result;
}

int FinishConnect(int fd) {
    int soError = 0;
    socklen_t size = sizeof soError;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &size) == 0 ? soError : errno;
}

int ConnectNumeric(int fd, const std::string& host, std::uint32_t port, int timeoutMs) {
    int result = StartConnectNumeric(fd, host, port);
    if (result == EINPROGRESS) {
        pollfd entry{fd, POLLOUT, 0};
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready == 0) {
            result = ETIMEDOUT;
        } else if (ready < 0) {
            result = errno;
        } else {
            result = FinishConnect(fd);
        }
    }
    return result;
}

std::string LocalAddressText(int fd) {
    sockaddr_in6 local{};
    socklen_t size = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0)
        return {};
    char text[256] = {};
    if (inet_ntop(AF_INET6, &local.sin6_addr, text, sizeof text) == nullptr)
        return {};
    std::string result = text;
    if (result.find("::ffff:") != std::string::npos)
        result.erase(0, 7);
    return result;
}

WaitResult WaitReadable(int fd, int timeoutMs) {
    if (fd < 0)
        return WaitResult::Error;
    pollfd entry{fd, POLLIN, 0};
    const int ready = ::poll(&entry, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (ready == 0)
        return WaitResult::Timeout;
    if (ready < 0)
        return errno == EINTR ? WaitResult::Timeout : WaitResult::Error;
    if (entry.revents & POLLIN)
        return WaitResult::Ready;
    if (entry.revents & POLLNVAL)
        return WaitResult::Error;
    return WaitResult::HangUp;
}

long ReadSome(int fd, unsigned char* buffer, std::size_t room, int* error) {
    for (;;) {
        const ssize_t got = ::recv(fd, buffer, room, MSG_DONTWAIT);
        if (got >= 0)
            return static_cast<long>(got);
        if (errno == EINTR)
            continue;
        *error = errno;
        return -1;
    }
}

long WriteAll(int fd, const unsigned char* data, std::size_t length, int timeoutMs, int* error) {
    std::size_t written = 0;
    const std::uint64_t deadline = SteadyMs() + static_cast<std::uint64_t>(timeoutMs < 0 ? 0 : timeoutMs);
    while (written < length) {
        const ssize_t put = ::send(fd, data + written, length - written, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put >= 0) {
            written += static_cast<std::size_t>(put);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            *error = errno;
            return -1;
        }
        const std::uint64_t now = SteadyMs();
        if (now >= deadline) {
            *error = ETIMEDOUT;
            return -1;
        }
        pollfd entry{fd, POLLOUT, 0};
        ::poll(&entry, 1, static_cast<int>(deadline - now));
    }
    return static_cast<long>(written);
}

} // namespace zol::platform
