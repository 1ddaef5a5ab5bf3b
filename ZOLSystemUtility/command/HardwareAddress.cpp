#include "command/HardwareAddress.h"

#include "platform/NeighbourTable.h"

#include <arpa/inet.h>

#include <cstdio>

namespace zol::command {

std::string LookupHardwareAddressText(const std::string& address) {
    if (address.empty()) {
        return {};
    }
    // A zone suffix ("%eth0") and the IPv4-mapped prefix are not part of the address itself.
    std::string text = address.substr(0, address.find('%'));
    if (auto mapped = text.find("::ffff:"); mapped != std::string::npos) {
        text.erase(mapped, 7);
    }
    std::optional<std::vector<unsigned char>> hardware;
    in_addr v4{};
    in6_addr v6{};
    if (::inet_pton(AF_INET, text.c_str(), &v4) == 1) {
        hardware = platform::LookupNeighbour(v4);
    } else if (::inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
        hardware = platform::LookupNeighbour(v6);
    }
    std::string result;
    if (hardware) {
        for (unsigned char byte : *hardware) {
            char digits[3];
            std::snprintf(digits, sizeof(digits), "%02x", byte);
            result += digits;
        }
    }
    return result;
}

} // namespace zol::command
