// The serial reader's frame assembly: bytes as the line delivers them in, frames out.
#include "transport/SerialFrameAssembly.h"

#include <gtest/gtest.h>

#include <variant>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

struct Silence {};
using Step = std::variant<Bytes, Silence>; // a read of these bytes, or the line falling quiet

struct AssemblyRow {
    const char* name;
    std::vector<Step> steps;
    std::vector<Bytes> published;
};

const Bytes kReply = {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56};
const Bytes kAnnouncement = {0xAA, 0xFF, 0x01, 0x07, 0x41, 0xEE, 0x00, 0x01, 0x00, 0x02, 0x03, 0x3C};

Bytes Joined(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(FrameAssembly, PublishesWhatTheLineForms) {
    const std::vector<AssemblyRow> rows = {
        {"whole reply in one read", {kReply}, {kReply}},
        {"reply one byte at a time",
         {Bytes{0xAA}, Bytes{0xFF}, Bytes{0x01}, Bytes{0x03}, Bytes{0x41}, Bytes{0x11}, Bytes{0x01},
          Bytes{0x56}},
         {kReply}},
        {"half a reply, then silence", {Bytes{0xAA, 0xFF, 0x01, 0x03}, Silence{}}, {}},
        {"noise, silence, then a reply", {Bytes{0x13, 0x37}, Silence{}, kReply}, {kReply}},
        {"two replies in one read: the first frame only", {Joined(kReply, kReply)}, {kReply}},
        {"announcement then relayed frame", {kAnnouncement, kReply}, {Joined(kAnnouncement, kReply)}},
        {"announcement alone stands at silence", {kAnnouncement, Silence{}}, {kAnnouncement}},
        {"compact reply",
         {Bytes{0xFF, 0x03, 0x41, 0x12, 0x32, 0x88}},
         {Bytes{0xFF, 0x03, 0x41, 0x12, 0x32, 0x88}}},
        {"zero length byte is no frame", {Bytes{0xAA, 0xFF, 0x01, 0x00, 0x00}, Silence{}}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<Bytes> published;
        zol::SerialFrameAssembly assembly([&](const unsigned char* frame, std::size_t length) {
            published.emplace_back(frame, frame + length);
        });
        for (const Step& step : row.steps) {
            if (const auto* bytes = std::get_if<Bytes>(&step))
                assembly.Feed(bytes->data(), bytes->size());
            else
                assembly.Silence();
        }
        EXPECT_EQ(published, row.published);
        if (std::holds_alternative<Silence>(row.steps.back())) {
            EXPECT_FALSE(assembly.InBurst()); // silence ends every burst
        }
    }
}

TEST(FrameAssembly, AFullBufferWithoutAFrameMakesRoomForTheNextReply) {
    std::vector<Bytes> published;
    zol::SerialFrameAssembly assembly([&](const unsigned char* frame, std::size_t length) {
        published.emplace_back(frame, frame + length);
    });
    const Bytes noise(zol::kSerialReplyCapacity, 0x13); // never a frame: 0x13 0x13 ... has a bad checksum
    assembly.Feed(noise.data(), noise.size());
    EXPECT_TRUE(published.empty());
    EXPECT_EQ(assembly.Room().size(), zol::kSerialReplyCapacity);
    assembly.Feed(kReply.data(), kReply.size());
    ASSERT_EQ(published.size(), 1U);
    EXPECT_EQ(published.front(), kReply);
}

} // namespace
