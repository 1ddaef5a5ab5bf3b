// Compact and fixed-ID framings of requests, and standard frames rebuilt from compact replies.
#include "protocol/Framing.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using namespace zol::framing;

// "AA 12 01" -> bytes.
Bytes Hex(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    unsigned int value = 0;
    while (in >> std::hex >> value) {
        bytes.push_back(static_cast<unsigned char>(value));
    }
    return bytes;
}

// Converts in a buffer as large as a packet buffer, as the callers do.
Bytes Convert(Bytes packet, int variant) {
    const std::size_t size = packet.size();
    packet.resize(zol::kMaxPacket);
    packet.resize(ConvertInPlace(packet.data(), size, variant));
    return packet;
}

TEST(Framing, ConvertsToEachVariant) {
    struct Row {
        std::string standard;
        int variant;
        std::string expected; // empty: refused
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"AA 12 01 01 32 46", 1, "12 01 32 33"},
        {"AA 12 01 01 32 46", 2, "AA 12 F7 01 32 3C"},
        {"AA 12 01 01 32 46", 0, "AA 12 01 01 32 46"},
        {"AA 12 01 01 32 46", 7, "AA 12 01 01 32 46"},  // unknown variants are standard
        {"AA 12 01 01 32 46", -1, "AA 12 01 01 32 46"},
        {"AA 11 01 00 12", 1, "11 00 00"},
        {"AA 11 01 00 12", 2, "AA 11 F7 00 08"},
        {"AA D2 01 00 01 43 17", 2, "AA D2 F7 00 01 43 0D"},  // long frame
        {"AA D2 01 00 01 43 17", 1, ""},                      // a long frame has no compact form
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.standard + " variant " + std::to_string(row.variant));
        EXPECT_EQ(Convert(Hex(row.standard), row.variant), Hex(row.expected));
    }
}

TEST(Framing, RefusesMalformedPacketsAndLeavesThemAlone) {
    // Empty, too short, no header, length byte saying more, length byte saying less.
    for (const std::string text :
         {"", "AA 11 01 00", "AB 11 01 00 12", "AA 12 01 02 32 46", "AA 12 01 00 32 46"}) {
        SCOPED_TRACE(text);
        for (const int variant : {1, 2}) {
            const Bytes packet = Hex(text);
            Bytes copy = packet;
            EXPECT_EQ(ConvertInPlace(copy.data(), copy.size(), variant), 0u);
            EXPECT_EQ(copy, packet);
        }
    }
    EXPECT_EQ(ConvertInPlace(nullptr, 5, 1), 0u);
    EXPECT_FALSE(ToFixedId(nullptr, 5));
}

TEST(Framing, RebuildsStandardRepliesFromCompactOnes) {
    struct Row {
        std::string compact;
        unsigned char id;
        std::string expected; // empty: refused
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"FF 03 41 12 32 88", 5, "AA FF 05 03 41 12 32 8C"},
        {"FF 03 4E 12 00 63", 1, "AA FF 01 03 4E 12 00 63"},  // a refusal is rebuilt alike
        {"FF 02 41 11 54 99 99", 1, "AA FF 01 02 41 11 54"},  // bytes behind the frame are ignored
        {"FF 03 41 12 32 89", 5, ""},                         // wrong checksum
        {"FF 05 41 12 32 88", 5, ""},                         // length beyond the bytes
        {"FF 00", 5, ""},
        {"", 5, ""},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.compact);
        const Bytes compact = Hex(row.compact);
        std::array<unsigned char, zol::kMaxPacket> out{};
        const std::size_t written =
            RebuildStandardReply(compact.data(), compact.size(), row.id, out.data(), out.size());
        EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(written)), Hex(row.expected));
    }
}

TEST(Framing, ConversionsCheckTheirRoomAndMayWorkInPlace) {
    const Bytes packet = Hex("AA 12 01 01 32 46");
    std::array<unsigned char, 4> compact{};
    EXPECT_EQ(ToCompact(packet.data(), packet.size(), compact.data(), 3), 0u);
    EXPECT_EQ(ToCompact(packet.data(), packet.size(), nullptr, 8), 0u);

    Bytes buffer = Hex("FF 03 41 12 32 88 00 00");
    EXPECT_EQ(RebuildStandardReply(buffer.data(), 6, 5, buffer.data(), 7), 0u);
    EXPECT_EQ(RebuildStandardReply(nullptr, 6, 5, buffer.data(), buffer.size()), 0u);
    ASSERT_EQ(RebuildStandardReply(buffer.data(), 6, 5, buffer.data(), buffer.size()), 8u);
    EXPECT_EQ(buffer, Hex("AA FF 05 03 41 12 32 8C"));
}

} // namespace
