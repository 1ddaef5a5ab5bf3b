#pragma once

// Byte values and sizes shared by everything that builds, frames, splits or decodes packets.

#include <cstddef>

namespace zol {

// The first byte of every request and of every standard reply.
constexpr unsigned char kHeader = 0xAA;
// The second byte of a reply; a reply is found in received bytes by the pair AA FF.
constexpr unsigned char kReplyMarker = 0xFF;
// The display ID written by the fixed-ID framing variant instead of the display's own.
constexpr unsigned char kFixedId = 0xF7;
// Packet, receive and reply buffers hold at most this many bytes.
constexpr std::size_t kMaxPacket = 2048;

// Offsets in a standard request frame: header, command code, display ID, data length, data.
constexpr std::size_t kOffsetCode = 1;
constexpr std::size_t kOffsetId = 2;
constexpr std::size_t kOffsetLength = 3;
constexpr std::size_t kOffsetData = 4;
// A standard frame is its data plus header, code, ID, length and checksum.
constexpr std::size_t kStandardOverhead = 5;
// A long frame carries a two-byte length.
constexpr std::size_t kLongOverhead = 6;
// A compact frame drops the header and the display ID.
constexpr std::size_t kCompactOverhead = 3;

} // namespace zol

// The framing code names them as its own.
namespace zol::framing {
using zol::kFixedId;
using zol::kHeader;
using zol::kMaxPacket;
using zol::kReplyMarker;
} // namespace zol::framing
