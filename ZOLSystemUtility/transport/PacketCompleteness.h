#pragma once

// Deciding whether received bytes form a complete reply.

#include <cstddef>

namespace zol {

inline constexpr std::size_t kEthernetReplyCapacity = 2048;
inline constexpr std::size_t kSerialReplyCapacity = 4096;

// The reply completeness check both connections apply. `buffer` holds `capacity` bytes: the received
// bytes followed by zeros. A standard frame is valid when its checksum matches and it starts with 0xAA;
// otherwise a long frame (reply command 0xD2 at offset 6) is valid when its checksum matches (its header
// is not tested). A length that would put the checksum past the buffer is not valid.
bool IsValidPacket(const unsigned char* buffer, std::size_t capacity = kEthernetReplyCapacity);

enum class ReplyVerdict { NeedMore, Valid, Invalid };

// The same check on a stream that is still arriving: `have` bytes are in hand (of at most `capacity`).
// NeedMore while the bytes in hand cannot decide it yet.
ReplyVerdict JudgeReply(const unsigned char* data, std::size_t have, std::size_t capacity);

// Replies in the compact framing: first byte, N, N bytes, a checksum over N and those bytes.
// Returns the frame's length when `data` starts with a complete, valid compact frame, else 0.
std::size_t CompactFrameLength(const unsigned char* data, std::size_t have);
ReplyVerdict JudgeCompact(const unsigned char* data, std::size_t have);

// What a connection waiting for a reply does with the bytes in hand: the documented check first, the
// compact form second (only for bytes that do not start like a standard reply), and a relay
// announcement alone is not yet an answer (the relayed frame follows).
ReplyVerdict JudgeIncomingReply(const unsigned char* data, std::size_t have, std::size_t capacity);

// When the waiting ends without a decision: may the bytes in hand still be returned? (`data` must hold
// `capacity` bytes with zeros after the `have` received ones.)
bool AcceptAtTimeout(const unsigned char* data, std::size_t have, std::size_t capacity);

// The frame check of the serial reader thread: a standard frame with a nonzero length byte (header not
// tested, long frames never), or a compact frame. A relay announcement alone waits for what follows.
ReplyVerdict JudgeSerialFrame(const unsigned char* data, std::size_t have, std::size_t capacity);

// When a burst ends (the line fell silent) without a decision: may the reader still publish it? (A relay
// announcement whose relayed frame did not follow, or a complete compact frame.)
bool AcceptSerialAtSilence(const unsigned char* data, std::size_t have);

// Length of the first frame of `data` as the serial reader publishes it (standard: byte 3 + 5).
std::size_t SerialFrameLength(const unsigned char* data, std::size_t have);

} // namespace zol
