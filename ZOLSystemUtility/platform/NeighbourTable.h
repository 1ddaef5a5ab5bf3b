#pragma once

#include <netinet/in.h>

#include <optional>
#include <vector>

namespace zol::platform {

// The hardware address the operating system's neighbour table holds for an IP address, or nothing when
// the table has no usable entry (unknown, incomplete or failed). Asks the kernel over netlink
// (RTM_GETNEIGH), answering from a dump at most a second old; for IPv4 it falls back to /proc/net/arp
// when netlink is not available. Never sends anything on the network. Safe from any thread.
std::optional<std::vector<unsigned char>> LookupNeighbour(const in_addr& address);
std::optional<std::vector<unsigned char>> LookupNeighbour(const in6_addr& address);

} // namespace zol::platform
