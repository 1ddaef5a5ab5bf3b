#include "RawReply.h"

#include <algorithm>
#include <malloc.h>

namespace zolctl {

namespace {

constexpr std::size_t kMaxReply = 4096;
constexpr unsigned char kHeader = 0xAA;
constexpr unsigned char kReplyMark = 0xFF;
constexpr unsigned char kRelayCode = 0xEE;
constexpr unsigned char kLongFrameCode = 0xD2;

Acknowledgement FromByte(unsigned char byte) {
    if (byte == 'A') {
        return Acknowledgement::Ack;
    }
    if (byte == 'N') {
        return Acknowledgement::Nak;
    }
    return Acknowledgement::None;
}

bool StartsFrame(const unsigned char* reply, std::size_t capacity, std::size_t at) {
    return at + 1 < capacity && reply[at] == kHeader && reply[at + 1] == kReplyMark;
}

RawReply ReadCompact(const unsigned char* reply, std::size_t capacity) {
    RawReply result;
    if (capacity < 3) {
        return result;
    }
    // first byte, N, N bytes from the acknowledgement on, checksum
    const std::size_t end = std::min<std::size_t>(capacity, std::size_t{reply[1]} + 3);
    result.acknowledgement = FromByte(reply[2]);
    result.bytes.assign(reply, reply + end);
    return result;
}

} // namespace

RawReply ReadRawReply(const unsigned char* reply, std::size_t capacity, unsigned char code, int framing) {
    if (reply == nullptr || capacity == 0) {
        return {};
    }
    capacity = std::min(capacity, kMaxReply);
    if (framing == 1) {
        return ReadCompact(reply, capacity);
    }

    std::size_t at = 0;
    while (at < capacity && !StartsFrame(reply, capacity, at)) {
        ++at;
    }
    RawReply result;
    std::size_t end = 0;
    while (at + 5 < capacity) {
        const bool longFrame = code == kLongFrameCode && at + 6 < capacity && reply[at + 6] == kLongFrameCode;
        const std::size_t length =
            longFrame ? std::size_t{reply[at + 3]} * 256 + reply[at + 4] + 6 : std::size_t{reply[at + 3]} + 5;
        const std::size_t ackAt = longFrame ? at + 5 : at + 4;
        end = std::min(capacity, at + length);
        result.acknowledgement = FromByte(reply[ackAt]);
        const bool announcement =
            !longFrame && reply[at + 5] == kRelayCode && at + 6 < end && reply[at + 6] == 0;
        if (!announcement || !StartsFrame(reply, capacity, end)) {
            break;
        }
        at = end; // the relayed frame follows the announcement
    }
    if (end == 0) {
        return {};
    }
    result.bytes.assign(reply, reply + end);
    return result;
}

std::size_t AllocatedSize(const unsigned char* buffer) {
    return buffer == nullptr ? 0 : malloc_usable_size(const_cast<unsigned char*>(buffer));
}

} // namespace zolctl
