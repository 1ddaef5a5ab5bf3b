// The reply picker that raw gets read their replies through, and the operation table's argument parsing.

#include "LFDData.h"
#include "helpers/OperationTable.h"
#include "helpers/ReplyPicker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using zol::helpers::kNoSubCode;
using zol::helpers::PickReply;

struct PickCase {
    const char* what;
    Bytes stream;
    unsigned char command;
    int subCode;
    Bytes picked; // empty: nothing picked
};

class ReplyPicker : public testing::TestWithParam<PickCase> {};

TEST_P(ReplyPicker, PicksTheFirstPacketOfThisDisplayAndCommand) {
    const auto& c = GetParam();
    const auto picked = PickReply(c.stream.data(), c.stream.size(), 1, c.command, c.subCode);
    if (c.picked.empty()) {
        EXPECT_FALSE(picked.has_value()) << c.what;
    } else {
        ASSERT_TRUE(picked.has_value()) << c.what;
        EXPECT_EQ(picked->Bytes(), c.picked) << c.what;
    }
}

const Bytes kA3 = {0xAA, 0xFF, 0x01, 0x03, 'A', 0xA3, 0x15, 0xFC};
const Bytes kA3OtherId = {0xAA, 0xFF, 0x02, 0x03, 'A', 0xA3, 0x15, 0xFD};
const Bytes kD093 = {0xAA, 0xFF, 0x01, 0x04, 'A', 0xD0, 0x93, 0x01, 0xB1};
const Bytes kD2 = {0xAA, 0xFF, 0x01, 0x00, 0x03, 'A', 0xD2, 0x32, 0x00};

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ReplyPicker,
    testing::Values(PickCase{"alone", kA3, 0xA3, kNoSubCode, kA3},
                    PickCase{"behind another display's packet", Join({kA3OtherId, kA3}), 0xA3, kNoSubCode,
                             kA3},
                    PickCase{"behind garbage", Join({{0x13, 0x37, 0xAA}, kA3}), 0xA3, kNoSubCode, kA3},
                    PickCase{"another command", kA3, 0xA4, kNoSubCode, {}},
                    PickCase{"only another display", kA3OtherId, 0xA3, kNoSubCode, {}},
                    PickCase{"sub-code matches", kD093, 0xD0, 0x93, kD093},
                    PickCase{"sub-code differs", kD093, 0xD0, 0x94, {}},
                    PickCase{"long frame: command at byte 6", kD2, 0xD2, 0x32, kD2},
                    PickCase{"cut short before the command", {0xAA, 0xFF, 0x01, 0x03}, 0xA3, kNoSubCode, {}},
                    PickCase{"empty", {}, 0xA3, kNoSubCode, {}}),
    [](const testing::TestParamInfo<PickCase>& info) { return "case" + std::to_string(info.index); });

TEST(ReplyPickerReads, PastTheEndReadsZero) {
    const zol::helpers::PickedReply reply(Bytes{0xAA, 0xFF, 0x01});
    EXPECT_EQ(reply.At(2), 0x01);
    EXPECT_EQ(reply.At(500), 0);
    EXPECT_FALSE(reply.Ack());
}

TEST(SplitPackets, KeepsOnlyPacketsWithTheRightChecksum) {
    Bytes bad = kA3;
    bad.back() ^= 0xFF;
    const auto packets = zol::helpers::SplitPackets(Join({bad, kA3OtherId, kA3}).data(), 3 * kA3.size());
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0], kA3OtherId);
    EXPECT_EQ(packets[1], kA3);
}

struct ArgsCase {
    const char* op;
    std::vector<std::string> args;
    bool accepted;
};

class OperationArguments : public testing::TestWithParam<ArgsCase> {};

// Bad arguments are refused before the operation runs (the record has no address: nothing could be sent).
TEST_P(OperationArguments, AreCheckedBeforeTheCall) {
    const auto& c = GetParam();
    const auto* op = zol::helpers::FindOperation(c.op);
    ASSERT_NE(op, nullptr);
    if (c.accepted) {
        EXPECT_EQ(op->InCount(), c.args.size());
        return;
    }
    CLFDData record;
    ICommunicationHelperExtended* helper = ICommunicationHelperExtendedFactory::CreateInstance(&record);
    ASSERT_NE(helper, nullptr);
    std::string error;
    EXPECT_FALSE(op->invoke(*helper, c.args, &error).has_value());
    helper->Release();
    EXPECT_NE(error.find(c.op), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Parsing, OperationArguments,
    testing::Values(ArgsCase{"SetCommand13", {"256"}, false}, ArgsCase{"SetCommand13", {"-1"}, false},
                    ArgsCase{"SetCommand13", {"0xFF"}, true}, ArgsCase{"SetCommand40", {}, false},
                    ArgsCase{"SetCommand40", {"1", "2"}, false}, ArgsCase{"SetCommand40", {"12abc"}, false},
                    ArgsCase{"GetCommandB7", {}, true}, ArgsCase{"GetCommandB7", {"1"}, false}));

TEST(OperationTable, ListsOperationsInInterfaceOrderWithTheirKinds) {
    const auto& ops = zol::helpers::Operations();
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops.front().name, "SendCommandE3");
    const auto* raw = zol::helpers::FindOperation("SetCommand58Raw");
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(raw->result, zol::helpers::ResultKind::AckCode);
    const auto* b7 = zol::helpers::FindOperation("GetCommandB7");
    ASSERT_NE(b7, nullptr);
    EXPECT_EQ(b7->args, std::vector<zol::helpers::ArgKind>(4, zol::helpers::ArgKind::IntOut));
    EXPECT_EQ(zol::helpers::FindOperation("SetClockSet"), nullptr); // takes a record: not in the table
    EXPECT_EQ(zol::helpers::FindOperation("NoSuchOperation"), nullptr);
}

} // namespace
