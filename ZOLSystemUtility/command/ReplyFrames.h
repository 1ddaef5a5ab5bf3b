#pragma once

// Reply frames: a reply may carry several frames; each starts at a pair 0xAA 0xFF and runs to the next
// such pair or to the end of the reply. Frames are handled in a zeroed 2048-byte work buffer so that a
// rule reading a value the frame does not carry reads 0, never bytes beyond the reply.

#include <array>
#include <cstddef>

class ILFDData;

namespace zol::command {

constexpr int kMaxFrame = 2048;
constexpr unsigned char kHeader = 0xAA;
constexpr unsigned char kReplyMarker = 0xFF;
constexpr unsigned char kAck = 'A';
constexpr unsigned char kNak = 'N';

struct WorkFrame {
    std::array<unsigned char, kMaxFrame> bytes{};
    int length = 0; // bytes of the reply copied in (at most kMaxFrame)

    void Load(const unsigned char* from, int count);
};

// Calls visit(const WorkFrame&) for each frame of the reply, in order.
template <typename Visit> void ForEachFrame(const unsigned char* reply, int length, Visit&& visit) {
    if (reply == nullptr || length <= 0) {
        return;
    }
    auto startsFrame = [&](int at) {
        return at + 1 < length && reply[at] == kHeader && reply[at + 1] == kReplyMarker;
    };
    WorkFrame frame;
    int position = 0;
    while (position < length) {
        if (!startsFrame(position)) {
            ++position;
            continue;
        }
        int end = position + 1;
        while (end < length && !startsFrame(end)) {
            ++end;
        }
        int frameLength = end - position;
        if (frameLength > kMaxFrame) {
            frameLength = kMaxFrame;
        }
        frame.Load(reply + position, frameLength);
        visit(static_cast<const WorkFrame&>(frame));
        position += frameLength;
    }
}

// The compact reply of framing variant 1 (first byte, N, N bytes, checksum over N and those bytes)
// rebuilt into a standard frame for the display ID. False when the compact reply does not check.
bool RebuildCompactReply(const unsigned char* reply, int length, unsigned char displayId, WorkFrame& out);

// True when a frame of the reply is from the record's display and carries the command code at the
// reply-command position (6 for the long-frame command 0xD2, else 5). Decodes nothing. Under the compact
// framing variant the reply is first rebuilt into a standard frame.
bool ReplyMatches(const unsigned char* reply, int length, ILFDData* record, unsigned char code);

} // namespace zol::command
