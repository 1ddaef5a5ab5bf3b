#include "platform/NeighbourTable.h"

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
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

enum class DumpOutcome { Found, NotFound, Unavailable };

// Walks one neighbour-table dump of the family and picks the entry for the address.
DumpOutcome DumpAndFind(unsigned char family, const void* address, std::size_t addressLength,
                        std::vector<unsigned char>& hardware) {
    SocketGuard sock{::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)};
    if (sock.fd < 0) {
        return DumpOutcome::Unavailable;
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
        return DumpOutcome::Unavailable;
    }

    std::array<char, 16384> buffer{};
    bool found = false;
    for (;;) {
        ssize_t received = ::recv(sock.fd, buffer.data(), buffer.size(), 0);
        if (received <= 0) {
            return found ? DumpOutcome::Found : DumpOutcome::Unavailable;
        }
        auto remaining = static_cast<unsigned int>(received);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer.data()); NLMSG_OK(header, remaining);
             header = NLMSG_NEXT(header, remaining)) {
            if (header->nlmsg_type == NLMSG_DONE) {
                return found ? DumpOutcome::Found : DumpOutcome::NotFound;
            }
            if (header->nlmsg_type == NLMSG_ERROR) {
                return DumpOutcome::Unavailable;
            }
            if (header->nlmsg_type != RTM_NEWNEIGH || found) {
                continue;
            }
            auto* entry = static_cast<ndmsg*>(NLMSG_DATA(header));
            if (entry->ndm_family != family || !IsUsableState(entry->ndm_state)) {
                continue;
            }
            bool addressMatches = false;
            std::vector<unsigned char> linkAddress;
            int attributesLength = static_cast<int>(RTM_PAYLOAD(header));
            for (auto* attribute =
                     reinterpret_cast<rtattr*>(reinterpret_cast<char*>(entry) + NLMSG_ALIGN(sizeof(ndmsg)));
                 RTA_OK(attribute, attributesLength); attribute = RTA_NEXT(attribute, attributesLength)) {
                auto* payload = static_cast<unsigned char*>(RTA_DATA(attribute));
                auto payloadLength = RTA_PAYLOAD(attribute);
                if (attribute->rta_type == NDA_DST && payloadLength == addressLength) {
                    addressMatches = std::memcmp(payload, address, addressLength) == 0;
                } else if (attribute->rta_type == NDA_LLADDR) {
                    linkAddress.assign(payload, payload + payloadLength);
                }
            }
            if (addressMatches && !linkAddress.empty()) {
                hardware = std::move(linkAddress);
                found = true;
            }
        }
    }
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
    switch (DumpAndFind(AF_INET, &address, sizeof(address), hardware)) {
    case DumpOutcome::Found:
        return hardware;
    case DumpOutcome::NotFound:
        return std::nullopt;
    case DumpOutcome::Unavailable:
        break;
    }
    return FromProcArp(address);
}

std::optional<std::vector<unsigned char>> LookupNeighbour(const in6_addr& address) {
    std::vector<unsigned char> hardware;
    if (DumpAndFind(AF_INET6, &address, sizeof(address), hardware) == DumpOutcome::Found) {
        return hardware;
    }
    return std::nullopt;
}

} // namespace zol::platform
