// The payload table, request in, packet bytes and timing out: no network involved. Requests are set
// through a command object (so its data copy is part of the road) and built by the packet builder.

#include "ZOLCommandBuilder.h"
#include "protocol/PayloadBuild.h"
#include "protocol/PayloadTable.h"
#include "protocol/ZOLCommand.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using zol::payload::Plan;
using zol::payload::PlanRequest;

// An independent rendering of the standard and long frame layouts, to compare the built packets with.
Bytes Frame(unsigned char code, unsigned char id, const Bytes& data, bool longFrame = false) {
    Bytes frame{0xAA, code, id};
    if (longFrame) {
        frame.push_back(static_cast<unsigned char>(data.size() >> 8));
    }
    frame.push_back(static_cast<unsigned char>(data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i) {
        sum += frame[i];
    }
    frame.push_back(static_cast<unsigned char>(sum));
    return frame;
}

Bytes Count(int n, unsigned char first = 1) {
    Bytes bytes;
    for (int i = 0; i < n; ++i) {
        bytes.push_back(static_cast<unsigned char>(first + i));
    }
    return bytes;
}

Bytes Join(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

struct Given {
    unsigned char code = 0;
    Bytes data{};
    unsigned char id = 1;
    int length = -1; // -1: the data's size
    unsigned char subCode = 0;
    int deviceClass = -1;
    int modelCode = 0;
    int chunkIndex = 0;
    int chunkCount = 0;
};

std::unique_ptr<CZOLCommand> MakeCommand(const Given& setup) {
    auto command = std::make_unique<CZOLCommand>();
    command->SetDisplayId(setup.id);
    const int length = setup.length >= 0 ? setup.length : static_cast<int>(setup.data.size());
    command->SetCommandEx(setup.code, setup.subCode, length, setup.chunkIndex, setup.chunkCount,
                          setup.data.empty() ? nullptr : setup.data.data());
    command->SetDeviceClass(setup.deviceClass);
    command->SetModelCode(setup.modelCode);
    return command;
}

struct Built {
    bool planned = false;
    Plan plan;
    Bytes wire;
};

std::unique_ptr<Built> Build(const Given& setup) {
    auto built = std::make_unique<Built>();
    const auto command = MakeCommand(setup);
    built->planned = PlanRequest(command->MakeRequest(), built->plan);
    if (!built->planned) {
        return built;
    }
    CZOLCommandBuilder builder;
    if (built->plan.frame == zol::payload::Frame::Bulk) {
        std::unique_ptr<unsigned char, decltype(&std::free)> bulk(
            zol::payload::BuildBulk(built->plan, builder), &std::free);
        if (bulk) {
            built->wire.assign(bulk.get(), bulk.get() + builder.GetBulkPacketSize());
        }
    } else if (zol::payload::BuildPacket(built->plan, builder) != nullptr) {
        built->wire.assign(builder.GetCommand(), builder.GetCommand() + builder.GetCommandPacketSize());
    }
    return built;
}

// --- every form; the literal worked examples are checked on the wire (command_wire_test)

struct FormRow {
    const char* name;
    Given setup;
    Bytes data; // the frame's data bytes
    bool longFrame = false;
    unsigned char wireId = 1;
};

TEST(PayloadTable, Forms) {
    const std::vector<FormRow> rows = {
        {"a query-only command ignores data", {.code = 0x0D, .data = {5, 6}}, {}},
        {"query", {.code = 0x12}, {}},
        {"one byte of three", {.code = 0x12, .data = {0x33, 0x44, 0x55}}, {0x33}},
        {"0x03 query", {.code = 0x03}, {}},
        {"0x03 layout", {.code = 0x03, .data = {0x0A, 0x0B, 0x0C}}, {0x00, 0x0A, 0x0B, 0x00, 0x0C, 0x00}},
        {"0x0F", {.code = 0x0F, .data = {1, 2, 3, 4}}, {1, 2, 3}},
        {"0x15", {.code = 0x15, .data = {7, 8}}, {0, 0, 7, 8}},
        {"0x17", {.code = 0x17, .data = Count(8)}, Join(Count(8), {0, 0})},
        {"0x5B long layout", {.code = 0x5B, .data = Join({0x02}, Count(7))}, Count(7)},
        {"0x5B d0 = 1 is short", {.code = 0x5B, .data = Join({0x01}, Count(7))}, Count(3)},
        {"0x63 counted", {.code = 0x63, .data = {3, 9, 8, 7, 6}}, {9, 8, 7}},
        {"0x63 count 0", {.code = 0x63, .data = {0}}, {}},
        {"0xA4", {.code = 0xA4, .data = Count(16)}, Count(15)},
        {"0xAE", {.code = 0xAE, .data = Count(15)}, Count(15)},
        {"0xA7", {.code = 0xA7, .data = Count(7)}, Count(7)},

        {"0x21 one byte", {.code = 0x21, .data = {4}}, {4}},
        {"0x21 caller's bytes", {.code = 0x21, .data = {4, 5, 6}}, {4, 5, 6}},
        {"0x50 always one byte", {.code = 0x50, .data = {4, 5, 6}}, {4}},
        {"0xA8 five bytes", {.code = 0xA8, .data = Count(6)}, Count(5)},
        {"0xB9 goes to every display", {.code = 0xB9, .data = {4}}, {4}, false, 0xFE},
        {"0xC0 one byte", {.code = 0xC0, .data = {0x14}}, {0x14}},
        {"0xC0 other item unchanged", {.code = 0xC0, .data = {0x13, 0x05}}, {0x13, 0x05}},
        {"0xC0 item 0x14 wraps", {.code = 0xC0, .data = {0x14, 0xF5}}, {0x14, 0x04}},
        {"0xC6 two of three", {.code = 0xC6, .data = {4, 5, 6}}, {4, 5}},
        {"0xC7 caller's bytes", {.code = 0xC7, .data = {4, 5, 6}}, {4, 5, 6}},

        {"0x1B caller's bytes", {.code = 0x1B, .data = {0x31, 5, 6}}, {0x31, 5, 6}},
        {"0x1B 0x89", {.code = 0x1B, .data = {0x89, 1, 2}}, {0x89, 1, 2}},
        {"0x1B 0x81 sub-code only", {.code = 0x1B, .data = {0x81, 1, 2}}, {0x81}},
        {"0x1B 0x84 alone", {.code = 0x1B, .data = {0x84}}, {0x84}},
        {"0x1B 0x84 caller's bytes", {.code = 0x1B, .data = {0x84, 1, 2}}, {0x84, 1, 2}},
        {"0x1B 0x91", {.code = 0x1B, .data = {0x91, 7, 8}}, {0x91, 7}},
        {"0x1B 0x92", {.code = 0x1B, .data = {0x92, 7}}, {0x92}},
        {"0x1B 0xA2 alone", {.code = 0x1B, .data = {0xA2}}, {0xA2}},
        {"0x1B 0xA2 three values", {.code = 0x1B, .data = {0xA2, 1, 2, 3, 4}}, {0xA2, 1, 2, 3}},
        {"0x1C alone", {.code = 0x1C, .data = {0x82}}, {0x82}},
        {"0x1C counted", {.code = 0x1C, .data = {0x82, 3, 7, 8, 9, 10}}, {0x82, 7, 8, 9}},
        {"0x8C one byte", {.code = 0x8C, .data = {0x55}}, {0x55}},
        {"0x8C 0x82", {.code = 0x8C, .data = {0x82, 5, 6}}, {0x82, 5}},
        {"0x8C 0xA0", {.code = 0x8C, .data = Join({0xA0}, Count(12))}, Join({0xA0}, Count(10))},
        {"0xC8 with value", {.code = 0xC8, .data = {0x81, 9, 9}}, {0x81, 9}},
        {"0xCA with value", {.code = 0xCA, .data = {0x93, 9}}, {0x93, 9}},
        {"0xD0 get of a set item", {.code = 0xD0, .data = {0x54, 1, 2}}, {0x54}},
        {"0xD0 caller's bytes", {.code = 0xD0, .data = {0x71, 1, 2}}, {0x71, 1, 2}},
        {"0xD0 0x92", {.code = 0xD0, .data = {0x92, 0xFF, 2}}, {0x92, 0xFF, 2}},
        {"0xD0 unlisted item is a get", {.code = 0xD0, .data = {0x33, 1}}, {0x33}},
        {"0xD2 0x32", {.code = 0xD2, .data = {0x32, 1}}, {0x32}, true},
        {"0xD2 0x33", {.code = 0xD2, .data = {0x33, 1, 2}}, {0x33, 1, 2}, true},
        {"0xD2 0x40 short", {.code = 0xD2, .data = {0x40, 9}}, {0x40, 9, 0, 0}, true},
        {"0xFE one byte", {.code = 0xFE, .data = {0x81}, .deviceClass = 4}, {0x81}},
        {"0xFE three bytes", {.code = 0xFE, .data = {0x81, 1, 2}, .deviceClass = 4}, {0x81, 1, 2}},
        {"0xFE four bytes: two", {.code = 0xFE, .data = {0xD1, 1, 2, 3}, .deviceClass = 4}, {0x57, 1}},
        {"0xFE 0x91 translated", {.code = 0xFE, .data = {0x91, 0}, .deviceClass = 4}, {0x44, 0}},
        {"0xFE 0xA1 translated", {.code = 0xFE, .data = {0xA1, 0}, .deviceClass = 4}, {0x48, 0}},
        {"0xFE 0xB1 translated", {.code = 0xFE, .data = {0xB1, 0}, .deviceClass = 4}, {0x55, 0}},
        {"0xFE 0xC1 translated", {.code = 0xFE, .data = {0xC1, 0}, .deviceClass = 4}, {0x56, 0}},
        {"0xFE model 116", {.code = 0xFE, .data = {0x81, 1}, .deviceClass = 4, .modelCode = 116}, {0x81, 1}},
        {"0xFE other class", {.code = 0xFE, .data = {0x81, 1}, .deviceClass = 3}, {0x81, 1}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto built = Build(row.setup);
        ASSERT_TRUE(built->planned) << built->plan.refusal;
        EXPECT_EQ(built->wire, Frame(row.setup.code, row.wireId, row.data, row.longFrame));
    }
}

TEST(PayloadTable, CallerBytesUpToTheLimitOfTheirFrame) {
    EXPECT_EQ(Build({.code = 0x1B, .data = Join({0x31}, Count(254))})->wire.size(), 260u);
    EXPECT_EQ(Build({.code = 0x1C, .data = Join({0x82, 254}, Count(254))})->wire.size(), 260u);
    EXPECT_EQ(Build({.code = 0xD2, .data = Join({0x33}, Count(2041))})->wire.size(), 2048u);
    const Bytes longest = Join({0x40, 0x07, 0xFA}, Count(2041)); // L = 2042
    const auto built = Build({.code = 0xD2, .data = longest});
    ASSERT_TRUE(built->planned) << built->plan.refusal;
    EXPECT_EQ(built->wire, Frame(0xD2, 1, Join({0x40}, Count(2041)), true));
}

TEST(PayloadTable, UnknownLEDItemBuildsNothingButAwaitsTheReply) {
    const auto built = Build({.code = 0x8C, .data = {0x11, 0x22}});
    ASSERT_TRUE(built->planned);
    EXPECT_EQ(built->plan.frame, zol::payload::Frame::Empty);
    EXPECT_TRUE(built->wire.empty());
    EXPECT_TRUE(built->plan.awaitReply);
}

// --- waits, pauses and requests nobody answers

struct TimingRow {
    const char* name;
    Given setup;
    int waitMs = 2000;
    int pauseBeforeMs = 0;
    int pauseAfterMs = 0;
    bool awaitReply = true;
};

TEST(PayloadTable, Timing) {
    const std::vector<TimingRow> rows = {
        {"0x13 with data pauses first", {.code = 0x13, .data = {1}}, 2000, 500},
        {"0x14 with data", {.code = 0x14, .data = {1}}, 7000},
        {"0x1B 0x91", {.code = 0x1B, .data = {0x91, 1}}, 1000},
        {"0x1B 0x92", {.code = 0x1B, .data = {0x92}}, 2000, 0, 300},
        {"0x9F to every display", {.code = 0x9F, .data = {1}, .id = 0xFE}, 12000, 0, 0, false},
        {"0xA8", {.code = 0xA8, .data = Count(5)}, 2000, 0, 200},
        {"0xA9 query", {.code = 0xA9}, 2000, 0, 200},
        {"0xD0 set 0x99", {.code = 0xD0, .data = {0x99, 1}}, 10000},
        {"0xD0 set 0x9A", {.code = 0xD0, .data = {0x9A, 1}}, 15000},
        {"0xD0 0x99 alone is a get", {.code = 0xD0, .data = {0x99}}, 2000},
        {"0xD0 0x92 FF", {.code = 0xD0, .data = {0x92, 0xFF}}, 10000},
        {"0xD0 0x97 other", {.code = 0xD0, .data = {0x97, 0x01}}, 2000},
        {"0xD0 0xA0", {.code = 0xD0, .data = {0xA0, 1, 2}}, 5000},
        {"0xD0 to every display", {.code = 0xD0, .data = {0x99, 1}, .id = 0xFE}, 10000, 0, 0, false},
        {"0xD2 0x60", {.code = 0xD2, .data = {0x60}}, 18000},
        {"0xFE 0x52 three bytes", {.code = 0xFE, .data = {0x52, 1, 2}}, 8000},
        {"0xFE 0x52 two bytes", {.code = 0xFE, .data = {0x52, 1}}, 2000},
        {"0xFE 0x51 two bytes", {.code = 0xFE, .data = {0x51, 1}}, 8000},
        {"0x70 to one display", {.code = 0x70, .data = {1}}},
        {"0x70 to every display", {.code = 0x70, .data = {1}, .id = 0xFE}, 2000, 0, 0, false},
        {"0xC7 to every display", {.code = 0xC7, .id = 0xFE}, 2000, 0, 0, false},
        {"0x12 to every display still answers", {.code = 0x12, .id = 0xFE}},
        {"0xB9", {.code = 0xB9, .data = {1}}, 2000, 0, 0, false},
        {"0xD1", {.code = 0xD1, .data = {1}, .subCode = 0x90}, 2000, 0, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto built = Build(row.setup);
        ASSERT_TRUE(built->planned) << built->plan.refusal;
        EXPECT_EQ(built->plan.replyWaitMs, row.waitMs);
        EXPECT_EQ(built->plan.pauseBeforeMs, row.pauseBeforeMs);
        EXPECT_EQ(built->plan.pauseAfterMs, row.pauseAfterMs);
        EXPECT_EQ(built->plan.awaitReply, row.awaitReply);
    }
}

// --- refused requests

TEST(PayloadTable, Refused) {
    const std::vector<std::pair<const char*, Given>> rows = {
        {"unknown code 0xFF", {.code = 0xFF}},
        {"0x1B unlisted sub-code", {.code = 0x1B, .data = {0x99}}},
        {"0x1B without data", {.code = 0x1B}},
        {"0x1B 0x91 without its value", {.code = 0x1B, .data = {0x91}}},
        {"0x1B 0xA2 with two of three values", {.code = 0x1B, .data = {0xA2, 1, 2}}},
        {"0x1B caller's bytes beyond 255", {.code = 0x1B, .data = Join({0x31}, Count(255))}},
        {"0x1C other sub-code", {.code = 0x1C, .data = {0x83}}},
        {"0x1C count beyond the data", {.code = 0x1C, .data = {0x82, 4, 1, 2}}},
        {"0x1C count 255 exceeds the length byte", {.code = 0x1C, .data = Join({0x82, 255}, Count(255))}},
        {"0x8C without data", {.code = 0x8C}},
        {"0x8C 0xA0 short", {.code = 0x8C, .data = {0xA0, 1, 2}}},
        {"0xC8 unlisted", {.code = 0xC8, .data = {0x84}}},
        {"0xCA unlisted", {.code = 0xCA, .data = {0x82, 1}}},
        {"0xD1 other sub-code", {.code = 0xD1, .data = {1}, .subCode = 0x91}},
        {"0xD2 unlisted", {.code = 0xD2, .data = {0x44}}},
        {"0xD2 0x40 length below 4", {.code = 0xD2, .data = {0x40, 0x00, 0x03, 1, 2, 3}}},
        {"0xD2 0x40 length above 2042", {.code = 0xD2, .data = {0x40, 0x07, 0xFB, 1, 2, 3}}},
        {"0xD2 0x40 length beyond the data", {.code = 0xD2, .data = {0x40, 0x00, 0x06, 1, 2, 3}}},
        {"0xD2 caller's bytes beyond 2042", {.code = 0xD2, .data = Join({0x33}, Count(2042))}},
        {"0x03 short of its layout", {.code = 0x03, .data = {1, 2}}},
        {"0x5B short of its layout", {.code = 0x5B, .data = {2, 1, 2, 3}}},
        {"0x63 count beyond the data", {.code = 0x63, .data = {5, 1, 2}}},
        {"0x21 without data", {.code = 0x21}},
        {"0xA8 short", {.code = 0xA8, .data = {1, 2}}},
        {"0xB9 without data", {.code = 0xB9}},
        {"data announced but none given", {.code = 0x12, .length = 1}},
    };
    for (const auto& [name, setup] : rows) {
        SCOPED_TRACE(name);
        const auto built = Build(setup);
        EXPECT_FALSE(built->planned);
        EXPECT_NE(built->plan.refusal, nullptr);
    }
}

// A command object keeps its data copy until it is given new bytes, and ClearData drops it while the
// announced length stays: the stale length must not read past the copy.
TEST(PayloadTable, LengthWithoutAFreshCopy) {
    CZOLCommand command;
    command.SetDisplayId(1);
    const Bytes three = {0x31, 2, 3};
    command.SetCommand(0x1B, 3, three.data());
    command.SetCommand(0x1B, 6, nullptr); // keeps the three bytes, announces six
    Plan plan;
    EXPECT_FALSE(PlanRequest(command.MakeRequest(), plan));

    command.SetCommand(0x12, 0, three.data()); // a length of 0 is a query, whatever the pointer
    ASSERT_TRUE(PlanRequest(command.MakeRequest(), plan));
    EXPECT_EQ(plan.Count(), 0);

    command.SetCommand(0x12, 1, three.data());
    command.ClearData();
    EXPECT_EQ(command.GetDataLength(), 1);
    EXPECT_FALSE(PlanRequest(command.MakeRequest(), plan));
}

} // namespace
