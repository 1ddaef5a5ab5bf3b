#include "HostAddress.h"

#include "Numbers.h"

#include <algorithm>
#include <memory>

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

namespace zolctl {

namespace {

bool IsIpv4Literal(const std::string& text) {
    in_addr address{};
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

bool IsIpv6Literal(const std::string& text) {
    in6_addr address{};
    return ::inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

bool LooksNumeric(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

struct AddrInfoRelease {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

std::optional<std::string> Resolve(const std::string& name, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    const std::unique_ptr<addrinfo, AddrInfoRelease> list(found);
    if (status != 0 || found == nullptr) {
        *error = "\"" + name + "\" does not resolve (" + ::gai_strerror(status) + ")";
        return std::nullopt;
    }
    // An IPv4 address first, as most walls are addressed so; else the first IPv6 one.
    for (const int family : {AF_INET, AF_INET6}) {
        for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
            if (entry->ai_family != family) {
                continue;
            }
            char text[INET6_ADDRSTRLEN] = {};
            const void* bytes = family == AF_INET
                                    ? static_cast<const void*>(
                                          &reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr)
                                    : static_cast<const void*>(
                                          &reinterpret_cast<const sockaddr_in6*>(entry->ai_addr)->sin6_addr);
            if (::inet_ntop(family, bytes, text, sizeof text) != nullptr) {
                return std::string(text);
            }
        }
    }
    *error = "\"" + name + "\" resolves to no IPv4 or IPv6 address";
    return std::nullopt;
}

} // namespace

std::optional<HostAddress> ResolveHost(const std::string& text, std::string* error) {
    std::string host = text;
    std::optional<std::string> portText;
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string::npos) {
            *error = "\"" + text + "\" has no closing ]";
            return std::nullopt;
        }
        const std::string rest = host.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                *error = "\"" + text + "\": after [address] only :PORT may follow";
                return std::nullopt;
            }
            portText = rest.substr(1);
        }
        host = host.substr(1, close - 1);
        if (!IsIpv6Literal(host)) {
            *error = "\"" + host + "\" in brackets is not an IPv6 address";
            return std::nullopt;
        }
    } else if (std::count(host.begin(), host.end(), ':') == 1) {
        const std::size_t colon = host.find(':');
        portText = host.substr(colon + 1);
        host = host.substr(0, colon);
    }

    HostAddress address;
    if (portText) {
        const std::optional<long long> port = ParseNumber(*portText, 1, 65535);
        if (!port) {
            *error = "the port in \"" + text + "\" must be a number from 1 to 65535";
            return std::nullopt;
        }
        address.port = static_cast<std::uint32_t>(*port);
    }
    if (host.empty()) {
        *error = "\"" + text + "\" names no host";
        return std::nullopt;
    }
    if (IsIpv4Literal(host) || IsIpv6Literal(host)) {
        address.literal = host;
        return address;
    }
    if (LooksNumeric(host) || host.find(':') != std::string::npos) {
        *error = "\"" + host + "\" is not an IPv4 or IPv6 address";
        return std::nullopt;
    }
    std::optional<std::string> resolved = Resolve(host, error);
    if (!resolved) {
        return std::nullopt;
    }
    address.literal = std::move(*resolved);
    return address;
}

} // namespace zolctl
