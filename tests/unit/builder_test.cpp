// The packet builder against known request bytes, its length limits and the bulk frame.
#include "ZOLCommandBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes PacketOf(CZOLCommandBuilder& builder) {
    const unsigned char* start = builder.GetCommand();
    return Bytes(start, start + builder.GetCommandPacketSize());
}

bool AllZero(const unsigned char* bytes, int count) {
    return std::all_of(bytes, bytes + count, [](unsigned char b) { return b == 0; });
}

// "AA 0D 01 00 0E" -> bytes.
Bytes Hex(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    unsigned int value = 0;
    while (in >> std::hex >> value) {
        bytes.push_back(static_cast<unsigned char>(value));
    }
    return bytes;
}

struct BuildRow {
    std::function<unsigned char*(CZOLCommandBuilder&)> make;
    std::string expected;
};

TEST(Builder, BuildsKnownRequestBytes) {
    const Bytes six = Hex("40 01 02 03 AA BB");
    // clang-format off
    const std::vector<BuildRow> rows = {
        {[](auto& b) { return b.MakeGetSysHealthStatusCommand(1); }, "AA 0D 01 00 0E"},
        {[](auto& b) { return b.MakeGetLEDProductInfoCommand(1, 0x99); }, "AA D0 01 01 99 6B"},
        {[](auto& b) { return b.MakeSetLEDProductInfoCommand(1, 0x99, 1); }, "AA D0 01 02 99 01 6D"},
        {[&](auto& b) { return b.MakeCallerBytes(0x1B, 1, 0, six.data()); }, "AA 1B 01 00 1C"},
        {[](auto& b) { return b.MakeCallerBytes(0x1B, 1, 0, nullptr); }, "AA 1B 01 00 1C"},
        {[](auto& b) { return b.MakeQuery(1, 0x11); }, "AA 11 01 00 12"},
        {[](auto& b) { return b.MakeOneByte(1, 0x12, 0x32); }, "AA 12 01 01 32 46"},
        {[](auto& b) { return b.MakeLongOneByte(1, 0xD2, 0x43); }, "AA D2 01 00 01 43 17"},
        {[&](auto& b) { return b.MakeLongCallerBytes(0xD2, 1, 6, six.data()); },
         "AA D2 01 00 06 40 01 02 03 AA BB 84"},
        {[](auto& b) { return b.MakeRelayHeader(2, 1, 3); }, "AA EE 01 05 00 01 00 02 03 FA"},
        {[](auto& b) {
             return b.MakeFifteenBytes(1, 0xA4, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14);
         },
         "AA A4 01 0F 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 1D"},
        {[](auto& b) { return b.MakeFdTwoBytes(1, 0x05, 0x06); }, "AA FD 01 02 05 06 0B"},
        {[](auto& b) { return b.MakeB8OneByte(1, 0x01); }, "AA B8 01 01 01 BB"},
        {[](auto& b) { return b.Make1bTwoBytes(1, 0x91, 0x05); }, "AA 1B 01 02 91 05 B4"},
        {[](auto& b) { return b.MakeD0TwoBytes(1, 0xB0, 0x02); }, "AA D0 01 02 B0 02 85"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        CZOLCommandBuilder builder;
        // Something longer first: every Make member must start from a cleared packet.
        builder.MakeFifteenBytes(9, 0xAB, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1);
        EXPECT_EQ(row.make(builder), builder.GetCommand());
        EXPECT_EQ(PacketOf(builder), Hex(row.expected));
        const int size = builder.GetCommandPacketSize();
        EXPECT_TRUE(AllZero(builder.GetCommand() + size, CZOLCommandBuilder::kPacketCapacity - size));
    }
}

TEST(Builder, LargestFramesFitTheirLimits) {
    const Bytes data(2042, 0x01);
    CZOLCommandBuilder builder;
    ASSERT_NE(builder.MakeCallerBytes(0x21, 1, 255, data.data()), nullptr);
    EXPECT_EQ(builder.GetCommandPacketSize(), 260);
    EXPECT_EQ(builder.GetCommand()[3], 0xFF);
    EXPECT_EQ(builder.GetCommand()[259], (0x21 + 0x01 + 0xFF + 255) & 0xFF);

    ASSERT_NE(builder.MakeLongCallerBytes(0xD2, 1, 2042, data.data()), nullptr);
    EXPECT_EQ(builder.GetCommandPacketSize(), 2048);
    EXPECT_EQ(builder.GetCommand()[3], 0x07);
    EXPECT_EQ(builder.GetCommand()[4], 0xFA);
    EXPECT_EQ(builder.GetCommand()[2047], (0xD2 + 0x01 + 0x07 + 0xFA + 2042) & 0xFF);
}

TEST(Builder, RefusesLengthsBeyondTheFrameAndMissingData) {
    const Bytes data(70000, 0x01);
    const std::vector<std::pair<std::string, std::function<unsigned char*(CZOLCommandBuilder&)>>> rows = {
        {"standard 256", [&](auto& b) { return b.MakeCallerBytes(0x21, 1, 256, data.data()); }},
        {"standard negative", [&](auto& b) { return b.MakeCallerBytes(0x21, 1, -1, data.data()); }},
        {"standard null data", [](auto& b) { return b.MakeCallerBytes(0x21, 1, 1, nullptr); }},
        {"long 2043", [&](auto& b) { return b.MakeLongCallerBytes(0xD2, 1, 2043, data.data()); }},
        {"long negative", [&](auto& b) { return b.MakeLongCallerBytes(0xD2, 1, -5, data.data()); }},
        {"long null data", [](auto& b) { return b.MakeLongCallerBytes(0xD2, 1, 3, nullptr); }},
        {"bulk 65533", [&](auto& b) { return b.MakeBulkPacket(0xFE, 0x90, data.data(), 65533, 0, 1); }},
        {"bulk negative", [&](auto& b) { return b.MakeBulkPacket(0xFE, 0x90, data.data(), -1, 0, 1); }},
        {"bulk null data", [](auto& b) { return b.MakeBulkPacket(0xFE, 0x90, nullptr, 4, 0, 1); }},
    };
    for (const auto& [name, make] : rows) {
        SCOPED_TRACE(name);
        CZOLCommandBuilder builder;
        builder.MakeOneByte(1, 0x12, 0x32);
        EXPECT_EQ(make(builder), nullptr);
        EXPECT_EQ(builder.GetCommandPacketSize(), 0);
        EXPECT_EQ(builder.GetBulkPacket(), nullptr);
        EXPECT_TRUE(AllZero(builder.GetCommand(), CZOLCommandBuilder::kPacketCapacity));
    }
    EXPECT_EQ(CZOLCommandBuilder::Checksum(nullptr, 4), 0);
    EXPECT_EQ(CZOLCommandBuilder::Checksum(data.data(), -1), 0);
}

TEST(Builder, AppendsOnlyWhatFitsBelow2048) {
    CZOLCommandBuilder header;
    CZOLCommandBuilder query;
    header.MakeRelayHeader(2, 1, 3);
    query.MakeQuery(1, 0x11);
    header.AppendPacket(query);
    EXPECT_EQ(PacketOf(header), Hex("AA EE 01 05 00 01 00 02 03 FA AA 11 01 00 12"));

    const Bytes data(2034, 0x01);
    // Behind a 2040-byte long frame: 7 bytes fit (2047), 8 (2048) and 10 do not.
    for (const auto& [secondData, appended] :
         std::vector<std::pair<int, bool>>{{2, true}, {3, false}, {5, false}}) {
        SCOPED_TRACE(secondData);
        CZOLCommandBuilder first;
        CZOLCommandBuilder second;
        first.MakeLongCallerBytes(0xD2, 1, 2034, data.data());
        second.MakeCallerBytes(0x21, 1, secondData, data.data());
        Bytes expected = PacketOf(first);
        if (appended) {
            const Bytes tail = PacketOf(second);
            expected.insert(expected.end(), tail.begin(), tail.end());
        }
        first.AppendPacket(second);
        EXPECT_EQ(PacketOf(first), expected);
    }
}

TEST(Builder, BulkFrameIsOwnedByTheCaller) {
    const Bytes data(65532, 0x02);
    CZOLCommandBuilder builder;
    builder.MakeQuery(1, 0x11);
    unsigned char* bulk = builder.MakeBulkPacket(0xFE, 0x90, Hex("01 02 03 04").data(), 4, 1, 2);
    ASSERT_EQ(builder.GetBulkPacket(), bulk);
    ASSERT_EQ(builder.GetBulkPacketSize(), 13);
    EXPECT_EQ(Bytes(bulk, bulk + 13), Hex("AA D1 FE 00 07 90 01 02 01 02 03 04 73"));
    EXPECT_EQ(builder.GetCommandPacketSize(), 0);
    // The next Make forgets the bulk frame without releasing it; releasing stays the caller's job.
    unsigned char* largest = builder.MakeBulkPacket(0xFE, 0x90, data.data(), 65532, 0x1FF, 0x300);
    std::free(bulk);
    ASSERT_NE(largest, nullptr);
    ASSERT_EQ(builder.GetBulkPacketSize(), 65541);
    // Length FFFF; chunk index and count travel as their low bytes.
    EXPECT_EQ(Bytes(largest, largest + 8), Hex("AA D1 FE FF FF 90 FF 00"));
    EXPECT_EQ(largest[65540], std::accumulate(largest + 1, largest + 65540, 0u) & 0xFF);
    std::free(largest);
}

} // namespace
