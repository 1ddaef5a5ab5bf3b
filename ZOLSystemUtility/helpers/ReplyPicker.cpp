#include "helpers/ReplyPicker.h"

#include <algorithm>

namespace zol::helpers {

namespace {

constexpr std::size_t kMaxPacket = 2048;

bool StartsPacket(const unsigned char* bytes, std::size_t length, std::size_t at) {
    return at + 1 < length && bytes[at] == 0xAA && bytes[at + 1] == 0xFF;
}

// Calls fn(begin, size) for every packet of the stream.
template <typename Fn> void ForEachPacket(const unsigned char* bytes, std::size_t length, Fn fn) {
    std::size_t at = 0;
    while (at < length) {
        if (!StartsPacket(bytes, length, at)) {
            ++at;
            continue;
        }
        std::size_t end = at + 2;
        while (end < length && !StartsPacket(bytes, length, end)) {
            ++end;
        }
        const std::size_t size = std::min(end - at, kMaxPacket);
        if (fn(bytes + at, size)) {
            return;
        }
        at = end;
    }
}

} // namespace

std::optional<PickedReply> PickReply(const unsigned char* reply, std::size_t length, int displayId,
                                     unsigned char command, int subCode) {
    std::optional<PickedReply> picked;
    if (reply == nullptr) {
        return picked;
    }
    const std::size_t commandAt = command == 0xD2 ? 6 : 5;
    ForEachPacket(reply, length, [&](const unsigned char* packet, std::size_t size) {
        if (size <= commandAt || packet[2] != static_cast<unsigned char>(displayId) ||
            packet[commandAt] != command) {
            return false;
        }
        if (subCode != kNoSubCode &&
            (size <= commandAt + 1 || packet[commandAt + 1] != static_cast<unsigned char>(subCode))) {
            return false;
        }
        picked.emplace(std::vector<unsigned char>(packet, packet + size), command == 0xD2);
        return true;
    });
    return picked;
}

std::vector<std::vector<unsigned char>> SplitPackets(const unsigned char* reply, std::size_t length) {
    std::vector<std::vector<unsigned char>> packets;
    if (reply == nullptr) {
        return packets;
    }
    ForEachPacket(reply, length, [&](const unsigned char* packet, std::size_t size) {
        // Standard frame: header, code, ID, length n, n data bytes, checksum over bytes 1 to n + 3.
        if (size < 5) {
            return false;
        }
        const std::size_t n = packet[3];
        if (n + 5 > size) {
            return false;
        }
        unsigned sum = 0;
        for (std::size_t i = 1; i <= n + 3; ++i) {
            sum += packet[i];
        }
        if (static_cast<unsigned char>(sum & 0xFF) == packet[n + 4]) {
            packets.emplace_back(packet, packet + n + 5);
        }
        return false;
    });
    return packets;
}

} // namespace zol::helpers
