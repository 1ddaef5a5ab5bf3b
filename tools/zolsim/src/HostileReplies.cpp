#include "HostileReplies.h"

namespace zolsim {

namespace {

constexpr unsigned char kPad = 0x5A;
constexpr unsigned char kNotAHeader = 0xA5;
// Where a one-byte length of 0xFF would put the checksum: AA FF id FF, 255 bytes, checksum.
constexpr std::size_t kShortReadingChecksumAt = 4 + 0xFF;

} // namespace

Bytes OversizedReply(unsigned char id, const Answer& answer) {
    Bytes frame{kHeader, kReplyMark, id, 0xFF, 0xFF, answer.ack, answer.code};
    frame.insert(frame.end(), answer.values.begin(), answer.values.end());
    frame.resize(kOversizedReplyBytes - 1, kPad);
    if (frame.size() > kShortReadingChecksumAt) {
        const unsigned char shortSum = Checksum(frame.data(), 1, kShortReadingChecksumAt);
        frame[kShortReadingChecksumAt] = static_cast<unsigned char>(shortSum + 1);
    }
    frame.push_back(Checksum(frame.data(), 1, frame.size()));
    return frame;
}

Bytes IllFormedReply(Bytes reply) {
    if (!reply.empty()) {
        reply.front() = kNotAHeader;
    }
    return reply;
}

const Bytes& EndlessGarbageChunk() {
    // With every byte 0x5A, a compact frame read from any offset sums to 0x5A * 0x5B = 0xFE (mod 256),
    // never the 0x5A its checksum byte holds.
    static const Bytes chunk(512, kPad);
    return chunk;
}

} // namespace zolsim
