#include "platform/NeighbourTable.h"

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>

namespace zol::platform {
namespace {

// Closes the netlink socket on every way out.
struct SocketGuard {
    int fd;
    ~SocketGuard() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

bool IsUsableState(unsigned short state) {
    return (state & (NUD_INCOMPLETE | NUD_FAILED | NUD_NOARP)) == 0 || (state & NUD_PERMANENT) != 0;
}

struct Neighbour {
    std::vector<unsigned char> address;
    std::vector<unsigned char> hardware;
};
using Neighbours = std::vector<Neighbour>;

// Reads the usable entries of one family from a neighbour-table dump; nothing when netlink cannot answer.
std::optional<Neighbours> DumpTable(unsigned char family) {
    SocketGuard sock{::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)};
    if (sock.fd < 0) {
        return std::nullopt;
    }
    struct {
        nlmsghdr header;
        ndmsg message;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.message.ndm_family = family;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(sock.fd, &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof(kernel)) < 0) {
        return std::nullopt;
    }

    std::array<char, 16384> buffer{};
    Neighbours table;
    for (;;) {
        ssize_t received = ::recv(sock.fd, buffer.data(), buffer.size(), 0);
        if (received <= 0) {
            return std::nullopt;
        }
        auto remaining = static_cast<unsigned int>(received);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer.data()); NLMSG_OK(header, remaining);
             header = NLMSG_NEXT(header, remaining)) {
            if (header->nlmsg_type == NLMSG_DONE) {
                return table;
            }
            if (header->nlmsg_type == NLMSG_ERROR) {
                return std::nullopt;
            }
            if (header->nlmsg_type != RTM_NEWNEIGH) {
                continue;
            }
            auto* entry = static_cast<ndmsg*>(NLMSG_DATA(header));
            if (entry->ndm_family != family || !IsUsableState(entry->ndm_state)) {
                continue;
            }
            Neighbour neighbour;
            int attributesLength = static_cast<int>(RTM_PAYLOAD(header));
            for (auto* attribute =
                     reinterpret_cast<rtattr*>(reinterpret_cast<char*>(entry) + NLMSG_ALIGN(sizeof(ndmsg)));
                 RTA_OK(attribute, attributesLength); attribute = RTA_NEXT(attribute, attributesLength)) {
                auto* payload = static_cast<unsigned char*>(RTA_DATA(attribute));
                auto payloadLength = RTA_PAYLOAD(attribute);
                if (attribute->rta_type == NDA_DST) {
                    neighbour.address.assign(payload, payload + payloadLength);
                } else if (attribute->rta_type == NDA_LLADDR) {
                    neighbour.hardware.assign(payload, payload + payloadLength);
                }
            }
            if (!neighbour.address.empty() && !neighbour.hardware.empty()) {
                table.push_back(std::move(neighbour));
            }
        }
    }
}

// A dump of the table serves every lookup for a short while: a status sweep over a wall of displays
// asks for each display's entry within milliseconds, and one dump per sweep is plenty (entries change on
// the scale of minutes). An entry that appeared since is seen at the next refresh.
class TableSnapshot {
public:
    explicit TableSnapshot(unsigned char family) : m_family(family) {}

    enum class Outcome { Found, NotFound, Unavailable };

    Outcome Find(const void* address, std::size_t addressLength, std::vector<unsigned char>& hardware) {
        std::lock_guard guard(m_lock);
        const auto now = std::chrono::steady_clock::now();
        if (!m_takenAt || now - *m_takenAt >= kLifetime) {
            m_table = DumpTable(m_family);
            m_takenAt = now;
        }
        if (!m_table) {
            return Outcome::Unavailable;
        }
        const auto* bytes = static_cast<const unsigned char*>(address);
        for (const Neighbour& neighbour : *m_table) {
            if (neighbour.address.size() == addressLength &&
                std::equal(neighbour.address.begin(), neighbour.address.end(), bytes)) {
                hardware = neighbour.hardware;
                return Outcome::Found;
            }
        }
        return Outcome::NotFound;
    }

private:
    static constexpr std::chrono::milliseconds kLifetime{1000};

    const unsigned char m_family;
    std::mutex m_lock;
    std::optional<std::chrono::steady_clock::time_point> m_takenAt;
    std::optional<Neighbours> m_table;
};

TableSnapshot& SnapshotOf(unsigned char family) {
    static TableSnapshot v4(AF_INET);
    static TableSnapshot v6(AF_INET6);
    return family == AF_INET ? v4 : v6;
}

// /proc/net/arp: "IP address  HW type  Flags  HW address  Mask  Device", one entry a line.
std::optional<std::vector<unsigned char>> FromProcArp(const in_addr& address) {
    std::ifstream table("/proc/net/arp");
    std::string line;
    std::getline(table, line); // column titles
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string ip, type, flags, hardwareText;
        fields >> ip >> type >> flags >> hardwareText;
        in_addr entry{};
        if (::inet_pton(AF_INET, ip.c_str(), &entry) != 1 || entry.s_addr != address.s_addr) {
            continue;
        }
        if (flags == "0x0") {
            return std::nullopt; // incomplete entry
        }
        std::vector<unsigned char> bytes;
        std::istringstream octets(hardwareText);
        std::string octet;
        while (std::getline(octets, octet, ':')) {
            bytes.push_back(static_cast<unsigned char>(std::strtoul(octet.c_str(), nullptr, 16)));
        }
        if (bytes.empty()) {
            return std::nullopt;
        }
        return bytes;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::vector<unsigned char>> LookupNeighbour(const in_addr& address) {
    std::vector<unsigned char> hardware;
    switch (SnapshotOf(AF_INET).Find(&address, sizeof(address), hardware)) {
    case TableSnapshot::Outcome::Found:
        return hardware;
    case TableSnapshot::Outcome::NotFound:
        return std::nullopt;
    case TableSnapshot::Outcome::Unavailable:
        break;
    }
    return FromProcArp(address);
}

std::optional<std::vector<unsigned char>> LookupNeighbour(const in6_addr& address) {
    std::vector<unsigned char> hardware;
    if (SnapshotOf(AF_INET6).Find(&address, sizeof(address), hardware) == TableSnapshot::Outcome::Found) {
        return hardware;
    }
    return std::nullopt;
}

} // namespace zol::platform
