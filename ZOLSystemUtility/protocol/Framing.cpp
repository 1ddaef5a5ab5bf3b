#include "protocol/Framing.h"

#include "Logger.h"

#include <array>
#include <cstring>

namespace zol::framing {
namespace {

unsigned char SumLow8(const unsigned char* bytes, std::size_t from, std::size_t to) {
    unsigned int sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += bytes[i];
    }
    return static_cast<unsigned char>(sum & 0xFFu);
}

// A standard frame whose length byte accounts for exactly `length` bytes.
bool IsStandardFrame(const unsigned char* packet, std::size_t length) {
    return packet != nullptr && length >= kStandardOverhead && packet[0] == kHeader &&
           packet[kOffsetLength] + kStandardOverhead == length;
}

// A long frame (two-byte length) whose length field accounts for exactly `length` bytes. No buffer fits
// both readings: with a zero high length byte the standard reading asks for 5 bytes and the long one for
// at least 6; with a nonzero one the long reading asks for at least 262, more than any standard frame.
bool IsLongFrame(const unsigned char* packet, std::size_t length) {
    if (packet == nullptr || length < kLongOverhead || packet[0] != kHeader) {
        return false;
    }
    const std::size_t dataLength = (static_cast<std::size_t>(packet[3]) << 8) | packet[4];
    return dataLength + kLongOverhead == length;
}

} // namespace

std::size_t ToCompact(const unsigned char* packet, std::size_t length, unsigned char* out,
                      std::size_t outCapacity) {
    if (!IsStandardFrame(packet, length)) {
        ZOL_LOG_ERROR << "Can not convert a packet of " << length << " bytes to the compact form";
        return 0;
    }
    const std::size_t dataLength = packet[kOffsetLength];
    const std::size_t compactLength = dataLength + kCompactOverhead;
    if (out == nullptr || outCapacity < compactLength) {
        ZOL_LOG_ERROR << "No room for a compact packet of " << compactLength << " bytes";
        return 0;
    }
    out[0] = packet[kOffsetCode];
    out[1] = packet[kOffsetLength];
    std::memcpy(out + 2, packet + kOffsetData, dataLength);
    // The compact checksum sums the length byte and the data, not the command code.
    out[compactLength - 1] = SumLow8(out, 1, compactLength - 1);
    return compactLength;
}

bool ToFixedId(unsigned char* packet, std::size_t length) {
    if (!IsStandardFrame(packet, length) && !IsLongFrame(packet, length)) {
        ZOL_LOG_ERROR << "Can not convert a packet of " << length << " bytes to the fixed-ID form";
        return false;
    }
    packet[kOffsetId] = kFixedId;
    packet[length - 1] = SumLow8(packet, 1, length - 1);
    return true;
}

std::size_t ConvertInPlace(unsigned char* packet, std::size_t length, int variant) {
    switch (variant) {
    case 1: {
        std::array<unsigned char, kMaxPacket> compact{};
        const std::size_t written = ToCompact(packet, length, compact.data(), compact.size());
        if (written != 0) {
            std::memcpy(packet, compact.data(), written);
        }
        return written;
    }
    case 2:
        return ToFixedId(packet, length) ? length : 0;
    default:
        return length;
    }
}

std::size_t RebuildStandardReply(const unsigned char* compact, std::size_t length, unsigned char id,
                                 unsigned char* out, std::size_t outCapacity) {
    if (compact == nullptr || length < kCompactOverhead) {
        ZOL_LOG_WARN << "Compact reply too short: " << length << " bytes";
        return 0;
    }
    const std::size_t count = compact[1];
    if (length < count + kCompactOverhead) {
        ZOL_LOG_WARN << "Compact reply of " << length << " bytes announces " << count << " bytes";
        return 0;
    }
    if (SumLow8(compact, 1, count + 2) != compact[count + 2]) {
        ZOL_LOG_WARN << "Compact reply with a wrong checksum";
        return 0;
    }
    const std::size_t standardLength = count + kStandardOverhead;
    if (out == nullptr || outCapacity < standardLength) {
        ZOL_LOG_WARN << "No room for a rebuilt reply of " << standardLength << " bytes";
        return 0;
    }
    // Work from a copy so that `out` may be the very buffer the compact reply arrived in.
    std::array<unsigned char, 255 + kCompactOverhead> frame{};
    std::memcpy(frame.data(), compact, count + kCompactOverhead);
    out[0] = kHeader;
    out[1] = frame[0];
    out[kOffsetId] = id;
    std::memcpy(out + kOffsetLength, frame.data() + 1, count + 1); // n and the n bytes behind it
    out[standardLength - 1] = SumLow8(out, 1, standardLength - 1);
    return standardLength;
}

} // namespace zol::framing
