// What zolctl says about operations and values: the notes of the operation table checked against what
// the operations send, `ops --describe`, `values`, `op NAME --help`, and docs/operations.md kept in step
// with the table.

#if __has_include("Cli.h")

#include "Cli.h"
#include "Describe.h"
#include "Rehearsal.h"
#include "ZolctlRun.h"

#include "helpers/OperationTable.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::json;
using Words = std::vector<std::string>;
using zol::helpers::ArgKind;

using zoltest::Ran;
using zoltest::Zolctl;

std::vector<zolsim::Bytes> Sent(const zol::helpers::Operation& op, const Words& args) {
    const zolctl::Rehearsal rehearsal =
        zolctl::Rehearse([&](ICommunicationHelperExtended& helper, std::string* error) {
            return op.invoke(helper, args, error).has_value();
        });
    std::vector<zolsim::Bytes> sent;
    for (const zolsim::Request& request : rehearsal.requests) {
        sent.push_back(request.raw);
    }
    return sent;
}

// An int argument of which only the low byte reaches the wire takes 0..255, and says so; every other
// keeps the 32-bit range. Found by sending values that differ only in the low byte, and only above it.
TEST(OperationNotes, LowByteLimitsMatchWhatTheOperationsSend) {
    for (const zol::helpers::Operation& op : zol::helpers::Operations()) {
        std::vector<std::size_t> ints;
        Words base;
        for (std::size_t i = 0; i < op.args.size(); ++i) {
            if (op.args[i] == ArgKind::Int || op.args[i] == ArgKind::Byte) {
                if (op.args[i] == ArgKind::Int) {
                    ints.push_back(i);
                }
                base.emplace_back("1");
            } else if (!zol::helpers::IsOut(op.args[i])) {
                base.clear();
                break; // lists and texts are covered by the wire tests
            }
        }
        if (ints.empty() || base.size() != op.InCount()) {
            continue;
        }
        for (std::size_t position = 0; position < ints.size(); ++position) {
            const std::size_t at = ints[position];
            std::size_t inAt = 0;
            for (std::size_t i = 0; i < at; ++i) {
                inAt += zol::helpers::IsOut(op.args[i]) ? 0 : 1;
            }
            const auto sentWith = [&](const char* value) {
                Words args = base;
                args[inAt] = value;
                return Sent(op, args);
            };
            const bool lowByteReachesTheWire = sentWith("5") != sentWith("6");
            if (op.limits[at].max == 255) {
                EXPECT_TRUE(lowByteReachesTheWire)
                    << op.name << " argument " << inAt + 1 << " is marked 0..255 but is not sent";
                EXPECT_TRUE(sentWith("0x0105").empty()) << op.name << " argument " << inAt + 1;
                continue;
            }
            EXPECT_FALSE(lowByteReachesTheWire && sentWith("0x0105") == sentWith("0x0205"))
                << op.name << " argument " << inAt + 1 << " sends only its low byte: mark it 0..255";
        }
    }
}

TEST(OperationsDocument, IsWhatZolctlGeneratesNow) {
    std::ifstream file(std::string(ZOL_SOURCE_DIR) + "/docs/operations.md");
    ASSERT_TRUE(file) << "docs/operations.md is missing";
    std::stringstream held;
    held << file.rdbuf();
    EXPECT_TRUE(held.str() == zolctl::OperationsMarkdown())
        << "docs/operations.md is out of date with the operation table; regenerate it with\n"
           "  build/debug/tools/zolctl/zolctl ops --describe --markdown > docs/operations.md";
}

// One operation of each argument kind: the commands and the bytes it sends for its example arguments,
// and the values its replies store, as `ops --describe NAME --json` reports them.
TEST(DescribeOperations, CommandsRequestsAndStoredValues) {
    const struct Row {
        const char* name;
        Json commands;
        Json subCode;
        Json requests;
        Json stores;
    } rows[] = {
        {"GetCommand40", {0x40}, nullptr, {"aa40010041"}, {"Value40"}},
        {"SetCommandC0Sub14", {0xC0}, 0x14, {"aac001021410e7"}, {"ValueC0x14"}}, // the echo stores it
        {"SendCommandD0Raw", {0xD0}, nullptr, {"aad0fe0101d0"}, Json::array()},
        {"SetCommand1BSub36List", {0x1B}, 0x36, {"aa1b010b360301010101010101010169"}, Json::array()},
        {"GetStoredParameter1", Json::array(), nullptr, Json::array(), Json::array()},
    };
    for (const Row& row : rows) {
        const Ran ran = Zolctl({"--json", "ops", "--describe", row.name});
        ASSERT_EQ(ran.exitCode, 0) << ran.err;
        ASSERT_EQ(ran.json["operations"].size(), 1u) << row.name;
        const Json& op = ran.json["operations"][0];
        EXPECT_EQ(op["commands"], row.commands) << row.name;
        EXPECT_EQ(op["subCode"], row.subCode) << row.name;
        EXPECT_EQ(op["requests"], row.requests) << row.name;
        EXPECT_EQ(op["stores"], row.stores) << row.name;
    }
}

TEST(DescribeOperations, GuardedOperationsAreShownForAKindThatHasThem) {
    const Ran ran = Zolctl({"--json", "ops", "--describe", "RefreshCommand1BSub97"});
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const Json& op = ran.json["operations"][0];
    EXPECT_EQ(op["sentFor"], "product family 7, link variant 0");
    EXPECT_EQ(op["requests"], Json({"aa1b010197b4"}));
}

TEST(DescribeOperations, ListsEveryOperationThatOpTakes) {
    const Ran list = Zolctl({"--json", "ops"});
    const Ran described = Zolctl({"--json", "ops", "--describe"});
    ASSERT_EQ(described.exitCode, 0) << described.err;
    ASSERT_EQ(described.json["operations"].size(), list.json["operations"].size());
    // Every operation of the interface but the two that end the helper, lists and records included.
    EXPECT_EQ(list.json["operations"].size(), 345u);
    for (std::size_t i = 0; i < list.json["operations"].size(); ++i) {
        EXPECT_EQ(described.json["operations"][i]["name"], list.json["operations"][i]["name"]);
    }
}

// `values`: which replies store each record value, found by decoding replies of every command.
TEST(ValuesCommand, NamesTheRepliesThatStoreEachValue) {
    const Ran ran = Zolctl({"--json", "values"});
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    std::map<std::string, Json> setBy;
    for (const Json& value : ran.json["values"]) {
        setBy[value["name"].get<std::string>()] = value["setBy"];
    }
    const struct {
        const char* name;
        Json replies;
    } rows[] = {
        {"Value40", Json::array({{{"command", 0x40}, {"subCode", nullptr}}})},
        {"ValueC0x14", Json::array({{{"command", 0xC0}, {"subCode", 0x14}}})},
        {"Value1Bx97Octets", Json::array()}, // stored by the library, never by a reply
    };
    for (const auto& row : rows) {
        ASSERT_EQ(setBy.count(row.name), 1u) << row.name;
        EXPECT_EQ(setBy[row.name], row.replies) << row.name;
    }
    EXPECT_NE(setBy["Power"].dump().find("{\"command\":0,\"subCode\":null}"), std::string::npos)
        << "the status reply stores the power state";
}

TEST(OperationHelp, ShowsArgumentsKindsAndSyntax) {
    const struct {
        Words words;
        std::vector<std::string> says;
    } rows[] = {
        {{"op", "SetCommand40", "--help"},
         {"op SetCommand40 ARG1", "ARG1  int  0..255: only the low byte", "status"}},
        {{"op", "WriteMatrix", "--help"}, {"ARG1  doubles  9 values", "doubles  decimal numbers separated"}},
        {{"op", "GetCommand0DValues", "--help"}, {"ints*  6 values", "null when no reply filled"}},
        {{"op", "WriteRegisterTableList", "--help"}, {"9 values, or empty for the last ones"}},
        {{"op", "SetClockSet", "--help"},
         {"ClockSet  one JSON object with every field",
          R"({"Field0":0,"Field1":0,"Field2":0,"Field3":0,"Field4":0,"Field5":false})"}},
        {{"op", "SetCommand58Raw", "--help"}, {"an ACK code: 1 ACK (exit 0), 2 NAK (exit 3)"}},
    };
    for (const auto& row : rows) {
        const Ran ran = Zolctl(row.words);
        EXPECT_EQ(ran.exitCode, 0) << row.words[1];
        for (const std::string& text : row.says) {
            EXPECT_NE(ran.out.find(text), std::string::npos) << row.words[1] << " lacks: " << text << "\n"
                                                             << ran.out;
        }
    }
}

// Arguments outside their kind or range are usage errors before anything is sent; the message names the
// argument and what it takes.
TEST(OperationArguments, OutOfRangeAndMalformedAreUsageErrors) {
    const struct {
        Words args;
        const char* says;
    } rows[] = {
        {{"SetCommand40", "-5"}, "SetCommand40 argument 1 (int) must be a number in 0..255"},
        {{"SetCommand40", "256"}, "in 0..255"},
        {{"SetCommandCASub81", "256", "1"}, "argument 1 (byte) must be a number in 0..255"},
        {{"SetStoredParameter1", "4294967296"}, "in -2147483648..4294967295"},
        {{"SetStoredParameter1", "1.5"}, "argument 1 (int)"},
        {{"WriteMatrix", "1,2"}, "exactly 9 values"},
        {{"WriteCoefficients", "0.5", "x", "1"}, "argument 2 (double) must be a decimal number"},
        {{"SendCommandD0Raw", "0g"}, "hexadecimal digits, two per byte"},
        {{"SendCommandD0Raw", "abc"}, "hexadecimal digits"},
        {{"SetCommand1BSub97Address", "010203"}, "exactly 4 values"},
        {{"SetCommand1BSub36List", "1,300", "1,2", "1,2"}, "numbers in 0..255"},
        {{"GetCommand40", "1"}, "takes 0 argument(s)"},
    };
    for (const auto& row : rows) {
        Words words = {"--host", "127.0.90.250", "op"};
        words.insert(words.end(), row.args.begin(), row.args.end());
        const Ran ran = Zolctl(words);
        EXPECT_EQ(ran.exitCode, 2) << row.args[0];
        EXPECT_NE(ran.err.find(row.says), std::string::npos) << row.args[0] << ": " << ran.err;
    }
}

} // namespace

#endif
