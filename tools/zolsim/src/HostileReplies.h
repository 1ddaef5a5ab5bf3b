// The bytes of replies a hostile display sends: shapes no well-behaved display would put on the wire,
// each made so that it cannot be mistaken for a well-formed frame by accident.
#pragma once

#include "zolsim/Wire.h"

namespace zolsim {

// More bytes than any reply may hold (2048), announced by the length field of a long reply.
inline constexpr std::size_t kOversizedReplyBytes = 2048 + 64;

// AA FF id FF FF ack code values, padded to kOversizedReplyBytes, the last byte a checksum over the rest.
// Read with a one-byte length instead (AA FF id FF ...), it is no valid 255-value frame either.
Bytes OversizedReply(unsigned char id, const Answer& answer);

// The reply with its first byte (the header, or a compact reply's marker) replaced; no checksum counts
// that byte, so the checksum stays right and only the header check can refuse it.
Bytes IllFormedReply(Bytes reply);

// A piece of garbage to repeat without end: no 0xAA header anywhere, and at no offset a compact frame
// (first byte, N, N bytes, checksum) whose checksum holds.
const Bytes& EndlessGarbageChunk();

} // namespace zolsim
