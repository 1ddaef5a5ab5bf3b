#include "ZOLNetworkHelper.h"

#include "Logger.h"
#include "ZOLSystemHelper.h"

#include <arpa/inet.h>

#include <array>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr int kIPv4Octets = 4;
constexpr int kIPv6Octets = 16;

// The address bytes of a text, or false. Texts with an embedded NUL are not addresses: the part before
// the NUL must not pass for the whole text.
bool Parse(int family, const std::string& text, void* out) {
    if (text.find('\0') != std::string::npos) {
        return false;
    }
    return inet_pton(family, text.c_str(), out) == 1;
}

} // namespace

CZOLNetworkHelper& CZOLNetworkHelper::operator=(const CZOLNetworkHelper&) {
    return *this;
}

CZOLNetworkHelper& CZOLNetworkHelper::operator=(CZOLNetworkHelper&&) noexcept {
    return *this;
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): hosts call the exported signature by value
ZOLIPType CZOLNetworkHelper::GetIPType(std::string text) {
    std::array<unsigned char, kIPv6Octets> bytes{};
    if (Parse(AF_INET, text, bytes.data())) {
        return ZOL_IP_V4;
    }
    if (Parse(AF_INET6, text, bytes.data())) {
        return ZOL_IP_V6;
    }
    return ZOL_IP_NONE;
}

std::wstring CZOLNetworkHelper::GetIPStringFromOctets(const unsigned char* octets, int count) {
    if (octets == nullptr) {
        return {};
    }
    std::array<char, 48> text{};
    if (count == kIPv4Octets) {
        std::snprintf(text.data(), text.size(), "%u.%u.%u.%u", octets[0], octets[1], octets[2], octets[3]);
        return CZOLSystemHelper::StrToWStr(text.data());
    }
    if (count == kIPv6Octets) {
        std::string out;
        for (int group = 0; group < kIPv6Octets / 2; ++group) {
            const int value = CZOLSystemHelper::GetIntFromByte(octets[2 * group], octets[2 * group + 1]);
            std::snprintf(text.data(), text.size(), group == 0 ? "%04x" : ":%04x",
                          static_cast<unsigned>(value));
            out += text.data();
        }
        return CZOLSystemHelper::StrToWStr(out);
    }
    return {};
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): hosts call the exported signature by value
std::vector<unsigned char> CZOLNetworkHelper::GetOctetsFromIPString(std::wstring text) {
    std::string narrow;
    try {
        narrow = CZOLSystemHelper::WStr2Str(text);
    } catch (const std::range_error&) {
        return {}; // a text that is not even Unicode is no address
    }
    // The system's parser reads every text form, "::" compression and a dotted IPv4 tail included.
    std::array<unsigned char, kIPv6Octets> bytes{};
    switch (GetIPType(narrow)) {
    case ZOL_IP_V4:
        Parse(AF_INET, narrow, bytes.data());
        return {bytes.begin(), bytes.begin() + kIPv4Octets};
    case ZOL_IP_V6:
        Parse(AF_INET6, narrow, bytes.data());
        return {bytes.begin(), bytes.end()};
    default:
        return {};
    }
}

int CZOLNetworkHelper::SocketInterfaceStartup() {
    // Sockets need no start-up here; the call exists for hosts that expect it.
    return 0;
}

void CZOLNetworkHelper::SocketInterfaceCleanup() {}
