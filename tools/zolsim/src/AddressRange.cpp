#include "zolsim/FleetSimulator.h"

#include "Ipv4.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>

namespace zolsim {

bool ParseIpv4(const std::string& text, std::uint32_t& out) {
    in_addr addr{};
    if (::inet_pton(AF_INET, text.c_str(), &addr) != 1) {
        return false;
    }
    out = ntohl(addr.s_addr);
    return true;
}

namespace {

bool ParsePort(const std::string& text, std::uint16_t& out) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (value == 0 || value > 65535) {
        return false;
    }
    out = static_cast<std::uint16_t>(value);
    return true;
}

} // namespace

std::string AddressRange::AddressAt(std::size_t index) const {
    in_addr addr{};
    addr.s_addr = htonl(first + static_cast<std::uint32_t>(index));
    char text[INET_ADDRSTRLEN] = {};
    return ::inet_ntop(AF_INET, &addr, text, sizeof text) != nullptr ? std::string(text) : std::string();
}

std::optional<AddressRange> ParseAddressRange(const std::string& text, std::uint16_t defaultPort,
                                              std::string& error) {
    const auto dash = text.find('-');
    if (dash == std::string::npos) {
        error = "not an address range (FIRST-LAST[:PORT]): " + text;
        return std::nullopt;
    }
    std::string lastText = text.substr(dash + 1);
    std::string portText;
    const auto colon = lastText.rfind(':');
    if (colon != std::string::npos) {
        portText = lastText.substr(colon + 1);
        lastText.resize(colon);
    }
    AddressRange range;
    range.port = defaultPort;
    if (!ParseIpv4(text.substr(0, dash), range.first) || !ParseIpv4(lastText, range.last)) {
        error = "address range " + text + " does not run between two IPv4 addresses";
        return std::nullopt;
    }
    if (colon != std::string::npos && !ParsePort(portText, range.port)) {
        error = "bad port in address range " + text + " (1-65535)";
        return std::nullopt;
    }
    if (range.last < range.first) {
        error = "address range " + text + " ends before it starts";
        return std::nullopt;
    }
    if (range.Size() > kMaxRangeAddresses) {
        error = "address range " + text + " holds " + std::to_string(range.Size()) + " addresses; at most " +
                std::to_string(kMaxRangeAddresses) + " are served from one range";
        return std::nullopt;
    }
    return range;
}

AddressRole RoleAt(const FleetOptions& options, std::size_t index) {
    if (options.absentEvery > 0 && index % options.absentEvery == options.absentEvery - 1) {
        return AddressRole::Absent;
    }
    if (options.silentEvery > 0 && index % options.silentEvery == options.silentEvery - 1) {
        return AddressRole::Silent;
    }
    return AddressRole::Answering;
}

} // namespace zolsim
