#include "transport/PacketCompleteness.h"

namespace zol {
namespace {

constexpr unsigned char kHeader = 0xAA;
constexpr unsigned char kReplyMarker = 0xFF;
constexpr unsigned char kLongFrameCommand = 0xD2;
constexpr unsigned char kRelayCommand = 0xEE;

// Low 8 bits of the sum of bytes 1 .. end-1 (byte 0 is never counted).
unsigned char ChecksumBefore(const unsigned char* data, std::size_t end) {
    unsigned sum = 0;
    for (std::size_t i = 1; i < end; ++i)
        sum += data[i];
    return static_cast<unsigned char>(sum & 0xFF);
}

bool StartsLikeStandardReply(const unsigned char* data, std::size_t have) {
    return have >= 1 && data[0] == kHeader && (have < 2 || data[1] == kReplyMarker);
}

// Length of the standard frame in front when it carries reply command 0xEE (a relay announcement), else 0.
// The reply command sits at byte 5 only when the frame has at least two data bytes; in a shorter frame
// byte 5 already belongs to whatever follows it, and reading it there would turn a reply judged complete
// back into one that waits once another byte arrives.
std::size_t RelayAnnouncementLength(const unsigned char* data, std::size_t have) {
    if (have < 6 || data[0] != kHeader || data[3] < 2 || data[5] != kRelayCommand)
        return 0;
    const std::size_t frameLength = static_cast<std::size_t>(data[3]) + 5;
    return frameLength <= have ? frameLength : 0;
}

} // namespace

ReplyVerdict JudgeReply(const unsigned char* data, std::size_t have, std::size_t capacity) {
    if (data == nullptr)
        return ReplyVerdict::Invalid;
    if (have > capacity)
        have = capacity;
    if (have < 4)
        return have == capacity ? ReplyVerdict::Invalid : ReplyVerdict::NeedMore;

    // Standard frame: checksum at byte N+4.
    const std::size_t standardEnd = static_cast<std::size_t>(data[3]) + 4;
    if (standardEnd < capacity) {
        if (have <= standardEnd)
            return ReplyVerdict::NeedMore;
        if (ChecksumBefore(data, standardEnd) == data[standardEnd])
            return data[0] == kHeader ? ReplyVerdict::Valid : ReplyVerdict::Invalid;
    }

    // Long frame: two length bytes, checksum at byte N+5.
    if (have < 7)
        return have == capacity ? ReplyVerdict::Invalid : ReplyVerdict::NeedMore;
    if (data[6] != kLongFrameCommand)
        return ReplyVerdict::Invalid;
    const std::size_t longEnd = static_cast<std::size_t>(data[3]) * 256 + data[4] + 5;
    if (longEnd >= capacity)
        return ReplyVerdict::Invalid;
    if (have <= longEnd)
        return ReplyVerdict::NeedMore;
    return ChecksumBefore(data, longEnd) == data[longEnd] ? ReplyVerdict::Valid : ReplyVerdict::Invalid;
}

bool IsValidPacket(const unsigned char* buffer, std::size_t capacity) {
    return buffer != nullptr && JudgeReply(buffer, capacity, capacity) == ReplyVerdict::Valid;
}

ReplyVerdict JudgeCompact(const unsigned char* data, std::size_t have) {
    if (data == nullptr)
        return ReplyVerdict::Invalid;
    if (have < 2)
        return ReplyVerdict::NeedMore;
    const std::size_t n = data[1];
    const std::size_t end = n + 2;
    if (have <= end)
        return ReplyVerdict::NeedMore;
    unsigned sum = 0;
    for (std::size_t i = 1; i < end; ++i)
        sum += data[i];
    return static_cast<unsigned char>(sum & 0xFF) == data[end] ? ReplyVerdict::Valid : ReplyVerdict::Invalid;
}

std::size_t CompactFrameLength(const unsigned char* data, std::size_t have) {
    return JudgeCompact(data, have) == ReplyVerdict::Valid ? static_cast<std::size_t>(data[1]) + 3 : 0;
}

namespace {

// The documented check (or the serial reader's) combined with the compact form and the relay rule.
template <typename Documented>
ReplyVerdict Combine(const unsigned char* data, std::size_t have, std::size_t capacity,
                     Documented documented) {
    if (data == nullptr)
        return ReplyVerdict::Invalid;
    ReplyVerdict verdict = documented(data, have, capacity);
    if (verdict == ReplyVerdict::Valid) {
        // The announcement of a relayed reply is followed by the relayed frame: wait for that too.
        const std::size_t announcement = RelayAnnouncementLength(data, have);
        if (announcement == 0 || have >= capacity)
            return ReplyVerdict::Valid;
        if (announcement == have)
            return ReplyVerdict::NeedMore;
        const ReplyVerdict relayed =
            Combine(data + announcement, have - announcement, capacity - announcement, documented);
        return relayed == ReplyVerdict::NeedMore ? ReplyVerdict::NeedMore : ReplyVerdict::Valid;
    }
    if (StartsLikeStandardReply(data, have))
        return verdict;
    const ReplyVerdict compact = JudgeCompact(data, have);
    if (compact == ReplyVerdict::Valid)
        return ReplyVerdict::Valid;
    if (verdict == ReplyVerdict::Invalid && compact == ReplyVerdict::Invalid)
        return ReplyVerdict::Invalid;
    return have >= capacity ? ReplyVerdict::Invalid : ReplyVerdict::NeedMore;
}

ReplyVerdict JudgeSerialStandard(const unsigned char* data, std::size_t have, std::size_t capacity) {
    if (have > capacity)
        have = capacity;
    if (have < 4)
        return ReplyVerdict::NeedMore;
    if (data[3] == 0)
        return ReplyVerdict::Invalid;
    const std::size_t end = static_cast<std::size_t>(data[3]) + 4;
    if (end >= capacity)
        return ReplyVerdict::Invalid;
    if (have <= end)
        return ReplyVerdict::NeedMore;
    return ChecksumBefore(data, end) == data[end] ? ReplyVerdict::Valid : ReplyVerdict::Invalid;
}

} // namespace

ReplyVerdict JudgeIncomingReply(const unsigned char* data, std::size_t have, std::size_t capacity) {
    return Combine(data, have, capacity, JudgeReply);
}

ReplyVerdict JudgeSerialFrame(const unsigned char* data, std::size_t have, std::size_t capacity) {
    return Combine(data, have, capacity, JudgeSerialStandard);
}

bool AcceptAtTimeout(const unsigned char* data, std::size_t have, std::size_t capacity) {
    if (data == nullptr || have == 0)
        return false;
    return IsValidPacket(data, capacity) ||
           (!StartsLikeStandardReply(data, have) && CompactFrameLength(data, have) != 0);
}

bool AcceptSerialAtSilence(const unsigned char* data, std::size_t have) {
    if (data == nullptr || have == 0)
        return false;
    return JudgeSerialStandard(data, have, kSerialReplyCapacity) == ReplyVerdict::Valid ||
           (!StartsLikeStandardReply(data, have) && CompactFrameLength(data, have) != 0);
}

std::size_t SerialFrameLength(const unsigned char* data, std::size_t have) {
    if (data == nullptr || have == 0)
        return 0;
    if (JudgeSerialStandard(data, have, kSerialReplyCapacity) == ReplyVerdict::Valid) {
        const std::size_t first = static_cast<std::size_t>(data[3]) + 5;
        // A relay announcement is published together with the relayed frame behind it.
        return RelayAnnouncementLength(data, first) != 0 ? have : first;
    }
    const std::size_t compact = CompactFrameLength(data, have);
    return compact != 0 ? compact : have;
}

} // namespace zol
