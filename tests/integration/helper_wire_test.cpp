// Extended-helper operations against the simulated display, driven from the operation table: for each
// row the arguments, the request the display saw (none for a display of the wrong kind), and the result
// and out-values the operation reported from the display's answer.

#include "CommunicationHelperExtended.h"
#include "LFDData.h"
#include "ZOLCommandHandler.h"
#include "helpers/OperationTable.h"
#include "zolsim/Simulator.h"

#include "SimulatedDisplaySuite.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using zol::helpers::FindOperation;

constexpr char kAddress[] = "127.0.4.1";
constexpr int kBroadcastId = 0xFE;

// The kind of display a row runs against.
struct Kind {
    int family = 0;
    int group = 0;
    int productClass = 0;
    int model = 0;
    int blockFlag = 0;
    int value71 = 0;
};

struct Expected {
    unsigned char code;
    Bytes data;
    int id = 1;
};

struct Row {
    const char* op;
    std::vector<std::string> args;
    Kind kind;
    std::vector<Expected> requests; // empty: nothing may reach the display
    int result;
    std::vector<int> outs;
    std::function<void(zolsim::Simulator&)> prepare = nullptr;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.op;
}

class HelperWire : public zol::testing::SimulatedDisplaySuite<kAddress, testing::TestWithParam<Row>> {
protected:
    void SetUp() override {
        ResetDisplay();
        IZOLCommandHandlerFactory::CreateInstance()->SetRetryCount(1);
        PointAtDisplay(record);
    }

    CLFDData record;
};

TEST_P(HelperWire, RequestResultAndOuts) {
    const Row& row = GetParam();
    record.SetProductFamily(row.kind.family);
    record.SetProductGroup(row.kind.group);
    record.SetProductClass(row.kind.productClass);
    record.SetModelCode(row.kind.model);
    record.SetBlockFlag(row.kind.blockFlag);
    record.SetValue71(row.kind.value71);
    record.SetStoredParameter3(42);
    if (row.prepare) {
        row.prepare(*sim);
    }
    sim->ClearLog();

    const auto* op = FindOperation(row.op);
    ASSERT_NE(op, nullptr) << row.op;
    ICommunicationHelperExtended* helper = ICommunicationHelperExtendedFactory::CreateInstance(&record);
    ASSERT_NE(helper, nullptr);
    std::string error;
    const auto got = op->invoke(*helper, row.args, &error);
    helper->Release();
    ASSERT_TRUE(got.has_value()) << error;

    // A broadcast awaits no reply: give the display time to read it.
    sim->WaitForRequests(row.requests.size(), 1000);
    std::vector<zolsim::Request> seen;
    for (const auto& request : sim->Requests()) {
        if (!request.relayHeader) {
            seen.push_back(request);
        }
    }
    ASSERT_EQ(seen.size(), row.requests.size()) << row.op;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].code, row.requests[i].code) << row.op << " request " << i;
        EXPECT_EQ(seen[i].data, row.requests[i].data) << row.op << " request " << i;
        EXPECT_EQ(seen[i].id, row.requests[i].id) << row.op << " request " << i;
    }
    EXPECT_EQ(got->result, row.result) << row.op;
    EXPECT_EQ(got->outs, row.outs) << row.op;
}

zolsim::Fault NakFor(unsigned char code) {
    zolsim::Fault fault;
    fault.kind = zolsim::FaultKind::Nak;
    fault.onlyCode = code;
    fault.times = 10;
    return fault;
}

constexpr int kI = 0x69;
constexpr int kS = 0x73;

const Row kRows[] = {
    // plain sets: the argument's low byte, or high/low pairs where the command carries words
    // the helper hands over the low byte 0x34; the display's item 0x14 travels 15 higher on the wire
    {"SetCommandC0Sub14", {"0x34"}, {}, {{0xC0, {0x14, 0x34 + 15}}}, 1, {}},
    {"SetCommandB7",
     {"0x0102", "3", "4", "5"},
     {},
     {{0xB7, {0x01, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05}}},
     1,
     {}},
    {"SetCommand8CSubA0",
     {"1", "2", "0x0304", "5", "6", "7"},
     {},
     {{0x8C, {0xA0, 0x01, 0x02, 0x03, 0x04, 0x00, 0x05, 0x00, 0x06, 0x00, 0x07}}},
     1,
     {}},
    {"SetCommandD0SubB2", {"1", "2"}, {}, {{0xD0, {0xB2, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00}}}, 1, {}},
    {"SetCommand21Sub72", {"0x0102"}, {}, {{0x21, {0x72, 0x01, 0x02}}}, 1, {}},
    {"SetCommandA3Flags",
     {"1", "0", "1", "0", "0", "0", "0", "0"},
     {},
     {{0xA3, {0x00, 0x01}}, {0xA3, {0x03, 0x01}}},
     1,
     {}},
    {"SetCommandA3Flags", {"1", "0", "0", "0", "1", "0", "0", "0"}, {}, {}, 0, {}},
    // plain gets read back what the display reported
    {"GetCommandC0Sub14",
     {},
     {},
     {{0xC0, {0x14}}},
     1,
     {0x21 - 15},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetSubValue(0xC0, 0x14, {0x21}); }},
    {"GetCommand40",
     {},
     {},
     {{0x40, {}}},
     1,
     {7},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetValue(0x40, {7}); }},
    // raw gets parse the reply themselves
    {"GetCommandA3",
     {},
     {},
     {{0xA3, {}}},
     1,
     {1, 1, 0, 1},
     [](zolsim::Simulator& s) {
         s.FindDisplay(1)->SetValue(0xA3, {0x15, 0x00});
     }},
    {"GetCommandB7",
     {},
     {},
     {{0xB7, {}}},
     1,
     {1, 2, 3, 0x0104},
     [](zolsim::Simulator& s) {
         s.FindDisplay(1)->SetValue(0xB7, {0, 1, 0, 2, 0, 3, 1, 4});
     }},
    {"GetCommand58Raw",
     {},
     {},
     {{0x58, {}}},
     1,
     {9},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetValue(0x58, {9}); }},
    {"GetCommand03",
     {},
     {},
     {{0x03, {}}},
     1,
     {1, 2, 4},
     [](zolsim::Simulator& s) {
         s.FindDisplay(1)->SetValue(0x03, {0, 1, 2, 3, 4, 5});
     }},
    {"GetCommandD0SubA0",
     {},
     {},
     {{0xD0, {0xA0}}},
     1,
     {7, 8},
     [](zolsim::Simulator& s) {
         s.FindDisplay(1)->SetSubValue(0xD0, 0xA0, {7, 8});
     }},
    {"GetCommand1BSub92",
     {},
     {},
     {{0x1B, {0x92}}},
     1,
     {0x0102},
     [](zolsim::Simulator& s) {
         s.FindDisplay(1)->SetSubValue(0x1B, 0x92, {0x01, 0x02});
     }},
    // three 9-bit values, each sent to the out-argument its mode byte names (bit 3, bit 2, else)
    {"GetCommandD0Sub93",
     {},
     {},
     {{0xD0, {0x93}}},
     1,
     {0x110, 0x20, 0x130},
     [](zolsim::Simulator& s) {
         s.FindDisplay(1)->SetSubValue(0xD0, 0x93, {0x01, 0x30, 0x09, 0x10, 0x04, 0x20});
     }},
    {"SetCommandD0Sub8D", {"0x0102", "0"}, {}, {{0xD0, {0x8D, 0x01, 0x02}}}, 1, {}},
    {"GetCommandC0Sub0C",
     {},
     {},
     {{0xC0, {0x0C}}, {0xC0, {0x0D}}, {0xC0, {0x0E}}, {0xC0, {0x0F}}},
     1,
     {1, 2, 3, 4},
     [](zolsim::Simulator& s) {
         for (unsigned char i = 0; i < 4; ++i) {
             s.FindDisplay(1)->SetSubValue(0xC0, static_cast<unsigned char>(0x0C + i),
                                           {static_cast<unsigned char>(i + 1)});
         }
     }},
    {"SetCommandA8", {"2", "5", "6", "7", "8"}, {}, {{0xA8, {0x02, 0x00, 0x00, 0x00, 0x00}}}, 1, {}},
    {"SetCommandA8", {"1", "5", "6", "7", "8"}, {}, {{0xA8, {0x01, 0x05, 0x06, 0x07, 0x08}}}, 1, {}},
    // the 0x71 switch: below 6 goes to 5, 16..22 to 22, the rest to 0; nothing when already there
    {"SwitchCommand71Mode",
     {},
     {},
     {{0x71, {}}, {0x71, {0x05}}},
     1,
     {},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetValue(0x71, {3}); }},
    {"SwitchCommand71Mode",
     {},
     {},
     {{0x71, {}}, {0x71, {0x16}}},
     1,
     {},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetValue(0x71, {17}); }},
    {"SwitchCommand71Mode",
     {},
     {},
     {{0x71, {}}},
     1,
     {},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetValue(0x71, {5}); }},
    {"ClearCommand92",
     {},
     {},
     {{0x92, {}}, {0x92, {0x00}}},
     1,
     {},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetValue(0x92, {3}); }},
    {"ClearCommand92",
     {},
     {},
     {{0x92, {}}},
     0,
     {},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetValue(0x92, {0}); }},
    {"GetCommand84Flag",
     {},
     {},
     {{0x84, {}}},
     1,
     {},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetValue(0x84, {1}); }},
    {"GetCommand84Flag",
     {},
     {},
     {{0x84, {}}},
     0,
     {},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetValue(0x84, {0}); }},
    {"GetCommand21Sub01",
     {},
     {},
     {{0x21, {0x01}}},
     1,
     {6, 0},
     [](zolsim::Simulator& s) { s.FindDisplay(1)->SetSubValue(0x21, 0x01, {6}); }},
    // a refusal: the set tells it apart (2), the get does not (0)
    {"SetCommand58Raw",
     {"3"},
     {},
     {{0x58, {0x03}}},
     2,
     {},
     [](zolsim::Simulator& s) { s.InjectFault(NakFor(0x58)); }},
    {"GetCommand58Raw",
     {},
     {},
     {{0x58, {}}},
     0,
     {0},
     [](zolsim::Simulator& s) { s.InjectFault(NakFor(0x58)); }},
    {"SetCommand58Raw", {"3"}, {}, {{0x58, {0x03}}}, 1, {}},
    // broadcast choice: to all displays (ID 0xFE) or to this one
    {"SetCommandD0Sub85", {"1", "1"}, {}, {{0xD0, {0x85, 0x01}, kBroadcastId}}, 1, {}},
    {"SetCommandD0Sub85", {"1", "0"}, {}, {{0xD0, {0x85, 0x01}}}, 1, {}},
    {"SendCommand9FZero", {"1"}, {}, {{0x9F, {0x00}, kBroadcastId}}, 1, {}},
    // the 0x71 value picks one command of a pair, or none
    {"GetCommand37Or24", {}, {.value71 = 33}, {{0x37, {}}}, 1, {50}},
    {"GetCommand37Or24", {}, {.value71 = 32}, {{0x24, {}}}, 1, {50}},
    {"SetCommand75Or3E", {"4"}, {.value71 = 39}, {{0x75, {0x04}}}, 1, {}},
    {"GetCommand27", {}, {.value71 = 35}, {}, 0, {0}},
    {"GetCommand27", {}, {.value71 = 36}, {{0x27, {}}}, 1, {50}},
    // product guards: nothing reaches a display of another kind
    {"GetCommandC0Sub17", {}, {.productClass = 0}, {}, 0, {0}},
    {"SetCommandC0Sub17", {"2"}, {.productClass = 1}, {{0xC0, {0x17, 0x02}}}, 1, {}},
    {"SetCommand70", {"1"}, {.group = 12}, {}, 0, {}},
    {"SetCommand4A", {"1"}, {.family = 2, .model = kS}, {}, 0, {}},
    {"SetCommand4A", {"1"}, {.family = 3, .model = kS}, {{0x4A, {0x01}}}, 1, {}},
    {"RefreshCommand21Sub03", {}, {.family = 7, .model = kS}, {}, 0, {}},
    {"RefreshCommand21Sub03", {}, {.family = 2}, {{0x21, {0x03}}}, 1, {}},
    {"SetCommand1BSub32", {"1"}, {.family = 7}, {}, 0, {}},
    {"GetCommandC8Sub85", {}, {.model = kS}, {}, 0, {0}},
    {"SetCommandD0Sub92Short",
     {"1", "2", "3", "4", "5"},
     {.group = 2, .blockFlag = 1},
     {{0xD0, {0x92, 16 + 8 + 3, 0, 3, 0, 4, 0, 5}}},
     1,
     {}},
    {"SetCommandD0Sub92Short",
     {"1", "2", "3", "4", "5"},
     {.group = 3, .blockFlag = 1},
     {{0xD0, {0x92, 0x01, 32 + 3, 0, 3, 0, 4, 0, 5}}},
     1,
     {}},
    {"SetCommand21Sub54", {"1"}, {.model = kI}, {{0x21, {0x54, 0x01}}}, 1, {}},
    // no traffic at all
    {"GetUnsupportedValue", {}, {}, {}, 0, {}},
    {"SetUnsupportedValue", {"1"}, {}, {}, 0, {}},
    {"GetStoredParameter3", {}, {}, {}, 42, {}},
};

INSTANTIATE_TEST_SUITE_P(Operations, HelperWire, testing::ValuesIn(kRows));

} // namespace
