#pragma once

// What came back for a raw command. The handler hands raw replies over as a bare buffer, so the reply's
// extent is read from its own frames: a standard frame gives its length in byte 3 (the long-frame reply
// to 0xD2 in bytes 3 and 4), a compact one in byte 1, and a relay announcement is followed by the
// relayed frame.

#include <cstddef>
#include <vector>

namespace zolctl {

enum class Acknowledgement { None, Ack, Nak };

struct RawReply {
    Acknowledgement acknowledgement = Acknowledgement::None;
    std::vector<unsigned char> bytes; // the reply as it came, through the end of its last frame
};

// `capacity` is how many bytes of `reply` may be read at most. `code` is the command that was sent and
// `framing` the record's framing variant.
RawReply ReadRawReply(const unsigned char* reply, std::size_t capacity, unsigned char code, int framing);

// The capacity of a buffer the library allocated with malloc.
std::size_t AllocatedSize(const unsigned char* buffer);

} // namespace zolctl
