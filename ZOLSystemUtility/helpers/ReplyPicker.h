#pragma once

// The reply picker: from the bytes a raw road received, the first packet that belongs to this display
// and this command (and sub-code, when one is given).

#include <cstddef>
#include <optional>
#include <vector>

namespace zol::helpers {

inline constexpr int kNoSubCode = -1;

// One picked reply packet. Reading past its end gives 0, so a short reply never reads out of bounds.
class PickedReply {
public:
    explicit PickedReply(std::vector<unsigned char> bytes, bool longFrame = false)
        : m_bytes(std::move(bytes)), m_longFrame(longFrame) {}

    unsigned char At(std::size_t index) const { return index < m_bytes.size() ? m_bytes[index] : 0; }
    std::size_t Size() const { return m_bytes.size(); }
    // Long frames (0xD2) carry a second length byte: the acknowledgement moves one place on.
    bool Ack() const { return At(m_longFrame ? 5 : 4) == 'A'; }
    bool Nak() const { return At(m_longFrame ? 5 : 4) == 'N'; }
    // The data-length byte of a standard reply.
    int Length() const { return At(3); }
    // 16-bit value of two bytes, high first.
    int Word(std::size_t index) const { return (At(index) << 8) | At(index + 1); }
    const std::vector<unsigned char>& Bytes() const { return m_bytes; }

private:
    std::vector<unsigned char> m_bytes;
    bool m_longFrame;
};

// Scans reply for packets (0xAA 0xFF starts each, cut at the next start, at most 2048 bytes) and picks the
// first whose ID byte is displayId, whose echoed command (byte 6 for 0xD2, else byte 5) is command and,
// when subCode is not kNoSubCode, whose next byte is subCode.
std::optional<PickedReply> PickReply(const unsigned char* reply, std::size_t length, int displayId,
                                     unsigned char command, int subCode);

// The packets of a received stream whose checksum is right, in order (for the gets that scan for the
// first acknowledged packet of their command).
std::vector<std::vector<unsigned char>> SplitPackets(const unsigned char* reply, std::size_t length);

} // namespace zol::helpers
