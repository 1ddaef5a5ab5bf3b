#pragma once

// Wake-on-LAN: the magic packet (six 0xFF bytes, then the display's hardware address sixteen times)
// sent once to the IPv4 broadcast address and once to the IPv6 all-nodes group, both on UDP port 9.

#include <array>
#include <optional>
#include <string>

namespace zol::wol {

inline constexpr int kMagicPacketSize = 102;
inline constexpr unsigned short kPort = 9;

using MacAddress = std::array<unsigned char, 6>;
using MagicPacket = std::array<unsigned char, kMagicPacketSize>;

// Exactly twelve hexadecimal digits without separators ("001122334455"); anything else gives nothing.
std::optional<MacAddress> ParseMacText(const std::string& text);

MagicPacket MakeMagicPacket(const MacAddress& mac);

// Sends the packet to 255.255.255.255:9 and to [FF02::1]:9. True when at least one of the two went out;
// each failure (socket, option or send) stores its errno in lastError.
bool SendMagicPacket(const MagicPacket& packet, int& lastError);

} // namespace zol::wol
