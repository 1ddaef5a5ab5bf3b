// `op` with every kind of argument against a simulated display: the bytes the display received for one
// operation of each kind, out-values of lists, null out-values when no reply filled them, and record
// values shown as stored or unknown by `status` and `refresh`.

#if __has_include("Cli.h")

#include "Cli.h"
#include "ZolctlRun.h"

#include "LFDValueVisitor.h"
#include "SimulatedDisplaySuite.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::json;
using Words = std::vector<std::string>;
using zolsim::Bytes;

constexpr char kAddress[] = "127.0.90.1";

using zoltest::Ran;

Ran Zolctl(const Words& more, bool json = true) {
    Words words = {"--host", kAddress, "--retries", "0"};
    if (json) {
        words.insert(words.begin(), "--json");
    }
    words.insert(words.end(), more.begin(), more.end());
    return zoltest::Zolctl(words);
}

class ArgumentsWire : public zol::testing::SimulatedDisplaySuite<kAddress> {
protected:
    void SetUp() override { ResetDisplay(); }

    // Each request the display parsed: its command and data.
    static std::vector<std::pair<int, Bytes>> Received() {
        std::vector<std::pair<int, Bytes>> seen;
        for (const zolsim::Request& request : sim->Requests()) {
            seen.emplace_back(request.code, request.data);
        }
        return seen;
    }
};

// One operation per in-argument kind, and the requests the display received for it.
TEST_F(ArgumentsWire, EachArgumentKindReachesTheDisplay) {
    using Requests = std::vector<std::pair<int, Bytes>>;
    const struct Row {
        const char* kind;
        Words op;
        Requests expected;
    } rows[] = {
        {"bytes", {"op", "SetCommandC7Sub82List", "0a0B"}, {{0xC7, {0x82, 0x0A, 0x0B}}}},
        {"empty bytes", {"op", "SetCommandC7Sub82List", ""}, {{0xC7, {0x82}}}},
        {"ints",
         {"op", "SetCommand1BSub36List", "1,2", "3,4", "5,0x06"},
         {{0x1B, {0x36, 2, 1, 3, 5, 2, 4, 6}}}},
        {"texts",
         {"op", "SetCommand1BSub84Addresses", "10.0.0.2,192.168.1.20"},
         {{0x1B, {0x84, 10, 0, 0, 2, 192, 168, 1, 20}}}},
        {"int and bytes",
         {"op", "SetCommandD0Sub9FBlock", "7", "0102"},
         {{0xD0, {0x9F, 7}}, {0xD0, {0x9F, 1, 2}}}},
        {"fixed bytes",
         {"--product-family", "7", "op", "SetCommand1BSub97Address", "0a000002"},
         {{0x1B, {0x97, 0x81, 0x06, 0x02, 0x04, 10, 0, 0, 2}}}},
        {"bit bytes", {"op", "SetCommand1BSubA2", "01000100000001", "2", "3"}, {{0x1B, {0xA2, 0x45, 2, 3}}}},
    };
    for (const Row& row : rows) {
        sim->ClearLog();
        const Ran ran = Zolctl(row.op);
        EXPECT_EQ(ran.exitCode, 0) << row.kind << ": " << ran.err;
        EXPECT_EQ(Received(), row.expected) << row.kind;
    }
}

TEST_F(ArgumentsWire, DoublesAndDoubleArgumentsBecomeRegisterFractions) {
    ASSERT_EQ(Zolctl({"op", "WriteCoefficients", "0.5", "0", "2"}).exitCode, 0);
    const zolsim::DisplayModel& display = *sim->FindDisplay(1);
    EXPECT_EQ(display.Register(0xF9), 32767u);
    EXPECT_EQ(display.Register(0xFA), 0u);
    EXPECT_EQ(display.Register(0xFB), 65535u) << "clamped to one";

    ASSERT_EQ(Zolctl({"op", "WriteMatrix", "1,0,0,0,0.5,0,0,0,1"}).exitCode, 0);
    EXPECT_EQ(display.Register(0x40), 65535u);
    EXPECT_EQ(display.Register(0x44), 32767u);
}

// A text argument is the word itself: here the address the operation sends to.
TEST_F(ArgumentsWire, TextArgumentsAreTakenAsTheyAre) {
    const Ran ran = Zolctl({"op", "SendFdBroadcast", kAddress, "1", ""});
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.json["result"], nullptr);
    ASSERT_FALSE(Received().empty());
    EXPECT_EQ(Received().front().first, 0xFD);
}

TEST_F(ArgumentsWire, ListOutValues) {
    sim->FindDisplay(1)->SetValue(0x0D, {1, 2, 3, 4, 5, 6});
    const Ran ran = Zolctl({"op", "GetCommand0DValues"});
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.json["outs"], Json::parse("[[1,2,3,4,5,6]]"));
}

// A block that does not fit the table size it is sent for is refused before the table goes out.
TEST_F(ArgumentsWire, RegisterTableBlockMustFitItsSize) {
    const Ran ran = Zolctl({"op", "WriteRegisterTable", "1,2,3", "1", "1"});
    EXPECT_EQ(ran.exitCode, 2);
    EXPECT_NE(ran.err.find("takes 3 x (width + 2) x (height + 2) = 27 values, not 3"), std::string::npos)
        << ran.err;
    EXPECT_TRUE(Received().empty());
}

TEST_F(ArgumentsWire, OutValuesNoReplyFilledAreNull) {
    zolsim::Fault silence;
    silence.kind = zolsim::FaultKind::Drop;
    silence.onlyCode = 0x40;
    silence.times = 10;
    sim->InjectFault(silence);
    const Ran json = Zolctl({"op", "GetCommand40"});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(json.json["outs"], Json::parse("[null]"));

    const Ran text = Zolctl({"op", "GetCommand40"}, false);
    EXPECT_NE(text.out.find("outs: [unknown]"), std::string::npos) << text.out;

    sim->ClearFaults();
    sim->FindDisplay(1)->SetValue(0x40, {0});
    EXPECT_EQ(Zolctl({"op", "GetCommand40"}).json["outs"], Json::parse("[0]")) << "a 0 the display said";
}

TEST_F(ArgumentsWire, StatusShowsEveryValueTheReplyStoredZerosIncluded) {
    sim->FindDisplay(1)->SetPower(true);
    const Ran ran = Zolctl({"status"});
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const Json& values = ran.json["values"];
    EXPECT_EQ(values["Power"], true);
    EXPECT_EQ(values["Responding"], true);
    int zeros = 0;
    for (const auto& [name, value] : values.items()) {
        EXPECT_FALSE(value.is_null()) << name << ": status shows only what the reply stored";
        zeros += (value.is_number() && value == 0) || (value.is_boolean() && !value.get<bool>()) ? 1 : 0;
    }
    EXPECT_GT(zeros, 0) << "values the reply stored as 0 are shown too";
    EXPECT_FALSE(values.contains("ModelName"));
}

TEST_F(ArgumentsWire, RefreshMarksValuesNoReplyStoredAsUnknown) {
    const Ran ran = Zolctl({"refresh"});
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const Json& values = ran.json["values"];
    EXPECT_EQ(values.size(), LFDValues::Count());
    EXPECT_EQ(values["Value1Bx97Octets"], nullptr);
    EXPECT_TRUE(values["ModelName"].is_string());

    const Ran text = Zolctl({"refresh"}, false);
    EXPECT_NE(text.out.find("Value1Bx97Octets: unknown"), std::string::npos) << text.out;
}

} // namespace

#endif
