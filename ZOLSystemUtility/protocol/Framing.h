#pragma once

// Conversions between the standard frame and the two other framings a link can need:
//   compact  - header and display ID dropped: code, N, data, checksum over N and the data (the code is
//              not counted); N+3 bytes.
//   fixed ID - the standard frame with the display ID replaced by 0xF7 and the checksum recomputed.
// A display on a compact link answers with compact replies too (AA and the ID dropped), which the reply
// decoder rebuilds into standard frames before decoding them.

#include "protocol/PacketLayout.h"

#include <cstddef>

namespace zol::framing {

// Compact form of a built standard packet: code, N, data, checksum over N and the data.
// Returns the bytes written (N+3), or 0 when the packet is malformed (not a standard frame of exactly
// `length` bytes; long frames have no compact form) or `out` is too small. `out` may not overlap `packet`.
std::size_t ToCompact(const unsigned char* packet, std::size_t length, unsigned char* out,
                      std::size_t outCapacity);

// Fixed-ID form in place: ID byte -> 0xF7, checksum recomputed. Standard and long frames are accepted.
// False (packet untouched) when malformed.
bool ToFixedId(unsigned char* packet, std::size_t length);

// In-place conversion to a framing variant (1 compact, 2 fixed ID, anything else unchanged);
// returns the new length (0 when malformed). Any other variant returns `length` without looking.
std::size_t ConvertInPlace(unsigned char* packet, std::size_t length, int variant);

// Rebuild a standard reply frame from a compact reply (0xAA in front, the display ID behind the first
// byte, checksum recomputed for the standard frame). The compact reply is first byte, n, n bytes from the
// acknowledgement on, checksum over n and those bytes; bytes behind it are ignored. Returns the bytes
// written (n+5), or 0 when the compact reply is short, its checksum is wrong or `out` is too small.
// `out` may be the buffer the compact reply is in.
std::size_t RebuildStandardReply(const unsigned char* compact, std::size_t length, unsigned char id,
                                 unsigned char* out, std::size_t outCapacity);

} // namespace zol::framing
