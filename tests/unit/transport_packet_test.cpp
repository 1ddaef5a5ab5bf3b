// Deciding when received bytes are a whole reply: the documented check on complete buffers, and the
// streaming judgement the connections wait with.
#include "platform/SerialPort.h"
#include "transport/PacketCompleteness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;
using zol::ReplyVerdict;

namespace {

// The received bytes followed by zeros, as a receive buffer holds them.
Bytes Padded(Bytes bytes, std::size_t capacity) {
    bytes.resize(capacity, 0);
    return bytes;
}

struct CheckRow {
    const char* name;
    Bytes bytes;
    std::size_t capacity;
    bool valid;
};

TEST(TransportPacket, CompletenessCheckOnWholeBuffers) {
    const std::vector<CheckRow> rows = {
        {"standard reply", {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}, 2048, true},
        {"refusal", {0xAA, 0xFF, 0x01, 0x02, 0x4E, 0x11, 0x61}, 2048, true},
        {"reply followed by more bytes",
         {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56, 0xAA, 0xFF},
         2048,
         true},
        {"wrong checksum", {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x57}, 2048, false},
        {"checksum right but header not 0xAA", {0xAB, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}, 2048, false},
        // Long reply to 0xD2 with two value bytes: length 00 04, ack, D2, values, checksum over 1..8.
        {"long reply", {0xAA, 0xFF, 0x01, 0x00, 0x04, 0x41, 0xD2, 0x10, 0x20, 0x47}, 2048, true},
        {"long reply without header is still accepted",
         {0x00, 0xFF, 0x01, 0x00, 0x04, 0x41, 0xD2, 0x10, 0x20, 0x47},
         2048,
         true},
        {"long reply with wrong checksum",
         {0xAA, 0xFF, 0x01, 0x00, 0x04, 0x41, 0xD2, 0x10, 0x20, 0x48},
         2048,
         false},
        // Length 0x07FF puts the checksum at 2052, past a 2048-byte buffer but inside a 4096-byte one.
        {"long length past the buffer", {0xAA, 0xFF, 0x01, 0x07, 0xFF, 0x41, 0xD2}, 2048, false},
        {"nothing received", {}, 2048, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes buffer = Padded(row.bytes, row.capacity);
        EXPECT_EQ(zol::IsValidPacket(buffer.data(), buffer.size()), row.valid);
    }
    EXPECT_FALSE(zol::IsValidPacket(nullptr, 2048));
}

struct StreamRow {
    const char* name;
    Bytes bytes;
    ReplyVerdict verdict;
};

TEST(TransportPacket, StreamingJudgementDecidesAsSoonAsTheBytesAllow) {
    const std::vector<StreamRow> rows = {
        {"three bytes", {0xAA, 0xFF, 0x01}, ReplyVerdict::NeedMore},
        {"first half of a reply", {0xAA, 0xFF, 0x01, 0x03, 0x41}, ReplyVerdict::NeedMore},
        {"reply without its checksum", {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01}, ReplyVerdict::NeedMore},
        {"whole reply", {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}, ReplyVerdict::Valid},
        {"whole reply, bad checksum",
         {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x99},
         ReplyVerdict::Invalid},
        {"long reply still arriving",
         {0xAA, 0xFF, 0x01, 0x00, 0x04, 0x41, 0xD2, 0x10},
         ReplyVerdict::NeedMore},
        {"long reply complete",
         {0xAA, 0xFF, 0x01, 0x00, 0x04, 0x41, 0xD2, 0x10, 0x20, 0x47},
         ReplyVerdict::Valid},
        // A relay announcement alone is not the answer: the relayed frame follows.
        {"relay announcement alone",
         {0xAA, 0xFF, 0x01, 0x07, 0x41, 0xEE, 0x00, 0x01, 0x00, 0x02, 0x03, 0x3C},
         ReplyVerdict::NeedMore},
        {"relay announcement and half the relayed frame",
         {0xAA, 0xFF, 0x01, 0x07, 0x41, 0xEE, 0x00, 0x01, 0x00, 0x02, 0x03, 0x3C, 0xAA, 0xFF, 0x01},
         ReplyVerdict::NeedMore},
        {"relay announcement and the relayed frame",
         {0xAA, 0xFF, 0x01, 0x07, 0x41, 0xEE, 0x00, 0x01, 0x00, 0x02,
          0x03, 0x3C, 0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56},
         ReplyVerdict::Valid},
        // In a frame with no data bytes, byte 5 is the next frame's first byte, not a reply command.
        {"empty frame followed by 0xEE", {0xAA, 0xFF, 0x01, 0x00, 0x00, 0xEE}, ReplyVerdict::Valid},
        // Compact replies: no header, no ID, checksum over N and the N bytes.
        {"compact reply", {0xFF, 0x03, 0x41, 0x12, 0x32, 0x88}, ReplyVerdict::Valid},
        {"compact reply still arriving", {0xFF, 0x03, 0x41, 0x12}, ReplyVerdict::NeedMore},
        {"compact reply, bad checksum", {0xFF, 0x03, 0x41, 0x12, 0x32, 0x89}, ReplyVerdict::NeedMore},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes buffer = Padded(row.bytes, zol::kEthernetReplyCapacity);
        EXPECT_EQ(zol::JudgeIncomingReply(buffer.data(), row.bytes.size(), buffer.size()), row.verdict);
    }
}

TEST(TransportPacket, WaitEndsWithTheAnnouncementWhenNothingFollowedIt) {
    const Bytes announcement = {0xAA, 0xFF, 0x01, 0x07, 0x41, 0xEE, 0x00, 0x01, 0x00, 0x02, 0x03, 0x3C};
    const Bytes buffer = Padded(announcement, zol::kEthernetReplyCapacity);
    EXPECT_TRUE(zol::AcceptAtTimeout(buffer.data(), announcement.size(), buffer.size()));
    const Bytes half = Padded({0xAA, 0xFF, 0x01, 0x03, 0x41}, zol::kEthernetReplyCapacity);
    EXPECT_FALSE(zol::AcceptAtTimeout(half.data(), 5, half.size()));
}

TEST(TransportPacket, PortNamesMapToDevices) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"COM1", "/dev/ttyS0"},       {"COM12", "/dev/ttyS11"}, {"com3", "/dev/ttyS2"},
        {"ttyUSB0", "/dev/ttyUSB0"},  {"COM0", "/dev/COM0"},    {"COMX", "/dev/COMX"},
        {"/dev/pts/7", "/dev/pts/7"}, {"./port", "./port"},
    };
    for (const auto& [name, path] : rows)
        EXPECT_EQ(zol::platform::SerialDevicePath(name), path) << name;
}

} // namespace
