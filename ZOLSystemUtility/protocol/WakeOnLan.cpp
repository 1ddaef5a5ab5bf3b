#include "protocol/WakeOnLan.h"

#include "Logger.h"
#include "ZOLSystemHelper.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zol::wol {

namespace {

// Closes the socket when the send is done, whatever happened.
class DatagramSocket {
public:
    explicit DatagramSocket(int family) : m_fd(::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;
    ~DatagramSocket() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    bool IsOpen() const { return m_fd >= 0; }
    bool SetOption(int level, int name, int value) {
        return ::setsockopt(m_fd, level, name, &value, sizeof value) == 0;
    }
    bool SendTo(const MagicPacket& packet, const sockaddr* address, socklen_t size) {
        return ::sendto(m_fd, packet.data(), packet.size(), 0, address, size) ==
               static_cast<ssize_t>(packet.size());
    }

private:
    int m_fd;
};

bool SendIPv4Broadcast(const MagicPacket& packet, int& lastError) {
    DatagramSocket socket(AF_INET);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(kPort);
    target.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    if (socket.IsOpen() && socket.SetOption(SOL_SOCKET, SO_BROADCAST, 1) &&
        socket.SendTo(packet, reinterpret_cast<const sockaddr*>(&target), sizeof target)) {
        return true;
    }
    lastError = errno;
    ZOL_LOG_WARN << "Wake-on-LAN broadcast to 255.255.255.255 failed: " << std::strerror(lastError);
    return false;
}

bool SendIPv6AllNodes(const MagicPacket& packet, int& lastError) {
    DatagramSocket socket(AF_INET6);
    sockaddr_in6 target{};
    target.sin6_family = AF_INET6;
    target.sin6_port = htons(kPort);
    ::inet_pton(AF_INET6, "ff02::1", &target.sin6_addr);
    if (socket.IsOpen() && socket.SetOption(IPPROTO_IPV6, IPV6_V6ONLY, 0) &&
        socket.SendTo(packet, reinterpret_cast<const sockaddr*>(&target), sizeof target)) {
        return true;
    }
    lastError = errno;
    ZOL_LOG_WARN << "Wake-on-LAN multicast to ff02::1 failed: " << std::strerror(lastError);
    return false;
}

} // namespace

std::optional<MacAddress> ParseMacText(const std::string& text) {
    if (text.size() != 12 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return std::nullopt;
    }
    MacAddress mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        mac[i] = static_cast<unsigned char>(CZOLSystemHelper::HexStrToInt(text.substr(2 * i, 2)));
    }
    return mac;
}

MagicPacket MakeMagicPacket(const MacAddress& mac) {
    MagicPacket packet{};
    std::fill_n(packet.begin(), 6, 0xFF);
    for (std::size_t copy = 1; copy <= 16; ++copy) {
        std::copy(mac.begin(), mac.end(), packet.begin() + static_cast<std::ptrdiff_t>(6 * copy));
    }
    return packet;
}

bool SendMagicPacket(const MagicPacket& packet, int& lastError) {
    // Both families are tried; either one reaching the network is enough.
    const bool sentIPv4 = SendIPv4Broadcast(packet, lastError);
    const bool sentIPv6 = SendIPv6AllNodes(packet, lastError);
    return sentIPv4 || sentIPv6;
}

} // namespace zol::wol
