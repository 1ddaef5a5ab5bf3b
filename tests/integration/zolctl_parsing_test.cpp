// zolctl's command line without any display: how words become a request, which lists are refused with
// exit status 2, and how a raw reply's extent and acknowledgement are read from its bytes.

#if __has_include("Cli.h")

#include "Arguments.h"
#include "Cli.h"
#include "Numbers.h"
#include "RawReply.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <climits>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Words = std::vector<std::string>;
using zolctl::Command;
using zolctl::ParseArguments;
using zolctl::ParseStatus;

struct Ran {
    int exitCode;
    std::string out;
    std::string err;
};

Ran RunWords(const Words& words) {
    std::ostringstream out;
    std::ostringstream err;
    const int exitCode = zolctl::Run(words, out, err);
    return {exitCode, out.str(), err.str()};
}

TEST(ZolctlParsing, NumbersAreDecimalOrHex) {
    struct Row {
        const char* text;
        long long minimum;
        long long maximum;
        std::optional<long long> expected;
    };
    const std::vector<Row> rows = {
        {"0", 0, 255, 0},
        {"255", 0, 255, 255},
        {"0x1F", 0, 255, 31},
        {"0XfF", 0, 255, 255},
        {"-1", -1, 255, -1},
        {"256", 0, 255, std::nullopt},
        {"-2", -1, 255, std::nullopt},
        {"0x", 0, 255, std::nullopt},
        {"", 0, 255, std::nullopt},
        {"-", 0, 255, std::nullopt},
        {"12a", 0, 255, std::nullopt},
        {"0x1g", 0, 255, std::nullopt},
        {" 1", 0, 255, std::nullopt},
        {"99999999999999999999999", 0, 255, std::nullopt},
        {"0xffffffffffffffffffff", 0, 255, std::nullopt},
        // One step past 64 bits must not wrap into range: 2^64 + 1 is no 1, 2^64 + 16 no 16.
        {"18446744073709551617", 0, 255, std::nullopt},
        {"0x10000000000000010", 0, 255, std::nullopt},
        {"7777777777077777777707", LLONG_MIN, LLONG_MAX, std::nullopt},
        {"9223372036854775807", LLONG_MIN, LLONG_MAX, LLONG_MAX},
        {"-9223372036854775807", LLONG_MIN, LLONG_MAX, -LLONG_MAX},
        {"9223372036854775808", LLONG_MIN, LLONG_MAX, std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(zolctl::ParseNumber(row.text, row.minimum, row.maximum), row.expected) << row.text;
    }
}

TEST(ZolctlParsing, OptionsBecomeTheRequest) {
    const auto parsed = ParseArguments(
        {"--host",       "::1", "--port",           "0x5EB", "--id",         "0xFE", "--pin",     "0000",
         "--framing",    "2",   "--relay-target",   "3",     "--relay-byte", "7",    "--retries", "0",
         "--model-code", "116", "--product-family", "5",     "--block-flag", "1",    "exec",      "0x12",
         "0x20",         "1",   "--json",           "-v"});
    ASSERT_EQ(parsed.status, ParseStatus::Run) << parsed.text;
    const zolctl::Request& request = parsed.request;
    EXPECT_EQ(request.command, Command::Exec);
    EXPECT_EQ(request.target.host, "::1");
    EXPECT_FALSE(request.target.IsSerial());
    EXPECT_EQ(request.target.port, 1515u);
    EXPECT_EQ(request.target.id, 0xFE);
    EXPECT_EQ(request.target.pin, "0000");
    EXPECT_EQ(request.target.framing, 2);
    EXPECT_EQ(request.target.relayTarget, 3);
    EXPECT_EQ(request.target.relayByte, 7);
    EXPECT_EQ(request.target.retries, 0u);
    EXPECT_EQ(request.target.modelCode, 116);
    EXPECT_EQ(request.target.productFamily, 5);
    EXPECT_EQ(request.target.blockFlag, 1);
    EXPECT_EQ(request.code, 0x12);
    EXPECT_EQ(request.data, (std::vector<unsigned char>{0x20, 0x01}));
    EXPECT_TRUE(request.json);
    EXPECT_TRUE(request.verbose);
}

TEST(ZolctlParsing, DefaultsFollowTheContract) {
    const auto parsed = ParseArguments({"--serial", "/dev/pts/7", "status"});
    ASSERT_EQ(parsed.status, ParseStatus::Run) << parsed.text;
    const zolctl::Target& target = parsed.request.target;
    EXPECT_TRUE(target.IsSerial());
    EXPECT_EQ(target.Address(), "/dev/pts/7");
    EXPECT_EQ(target.id, 1);
    EXPECT_EQ(target.framing, 0);
    EXPECT_EQ(target.relayTarget, -1);
    EXPECT_EQ(target.relayByte, 0);
    EXPECT_EQ(target.retries, 4u);
    EXPECT_TRUE(target.pin.empty());
    EXPECT_FALSE(parsed.request.json);
}

TEST(ZolctlParsing, CommandsAndTheirArguments) {
    struct Row {
        Words words;
        Command command;
    };
    const std::vector<Row> rows = {
        {{"--host", "::1", "raw", "0"}, Command::Raw},
        {{"--host", "::1", "op", "SetStoredParameter1", "-5"}, Command::Op},
        {{"ops"}, Command::Ops},
        {{"--host", "::1", "refresh", "2"}, Command::Refresh},
        {{"wol", "0011223344aA"}, Command::Wol},
        {{"--serial", "/dev/pts/1", "probe-framing"}, Command::ProbeFraming},
        {{"demo"}, Command::Demo},
    };
    for (const Row& row : rows) {
        const auto parsed = ParseArguments(row.words);
        ASSERT_EQ(parsed.status, ParseStatus::Run) << row.words.back() << ": " << parsed.text;
        EXPECT_EQ(parsed.request.command, row.command) << row.words.back();
    }
    const auto op = ParseArguments({"--host", "::1", "op", "SetCommandCASub81", "0x7", "1"});
    EXPECT_EQ(op.request.operation, "SetCommandCASub81");
    EXPECT_EQ(op.request.operationArguments, (Words{"0x7", "1"}));
    EXPECT_EQ(ParseArguments({"--host", "::1", "refresh", "2"}).request.refreshMode, 2);
}

// Every one of these is a usage error: exit 2, a reason on stderr, nothing sent anywhere.
TEST(ZolctlParsing, UsageErrorsExitTwo) {
    struct Row {
        Words words;
        const char* reason; // a piece of the message
    };
    const std::vector<Row> rows = {
        {{}, "subcommand"},
        {{"frob"}, "unknown command \"frob\""},
        {{"--host", "::1", "status", "extra"}, "unexpected"},
        {{"--bogus", "--host", "::1", "status"}, "--bogus"},
        {{"status"}, "--host"},
        {{"--host", "::1", "--serial", "/dev/pts/1", "status"}, "excludes"},
        {{"--host", "::1", "exec"}, "CODE"},
        {{"--host", "::1", "exec", "0x100"}, "CODE"},
        {{"--host", "::1", "exec", "0x12", "256"}, "BYTE"},
        {{"--host", "::1", "raw", "1", "-5"}, "BYTE"},
        {{"--host", "::1", "--id", "256", "status"}, "--id"},
        {{"--host", "::1", "--id", "one", "status"}, "--id"},
        {{"--host", "::1", "--port", "0", "status"}, "--port"},
        {{"--host", "::1", "--port", "65536", "status"}, "--port"},
        {{"--host", "::1", "--framing", "3", "status"}, "--framing"},
        {{"--host", "::1", "--relay-target", "-2", "status"}, "--relay-target"},
        {{"--host", "::1", "--relay-byte", "0x100", "status"}, "--relay-byte"},
        {{"--host", "::1", "--retries", "-1", "status"}, "--retries"},
        {{"--host", "::1", "probe-framing"}, "--serial"},
        {{"--host", "::1", "op"}, "NAME"},
        {{"--host", "::1", "op", "NoSuchOperation"}, "unknown operation"},
        {{"--host", "::1", "op", "SetCommand12"}, "takes 1 argument"},
        {{"--host", "::1", "op", "SetCommand12", "1", "2"}, "takes 1 argument"},
        {{"--host", "::1", "op", "GetCommand58Raw", "0"}, "takes 0 argument"},
        {{"--host", "::1", "op", "SetCommand13", "256"}, "argument 1"},
        {{"--host", "::1", "op", "SetCommand12", "0x100000000"}, "argument 1"},
        {{"wol"}, "MAC"},
        {{"wol", "00-11:22-33-44-55"}, "MAC"},
        {{"wol", "00112233445"}, "MAC"},
        {{"wol", "0011223344556"}, "MAC"},
        {{"wol", "00112233445G"}, "MAC"},
        {{"firmware", "image.bin", "--display", "/dev/ttyS0"}, "PORT:ID"},
    };
    for (const Row& row : rows) {
        const Ran ran = RunWords(row.words);
        const std::string label = row.words.empty() ? "(nothing)" : row.words.back();
        EXPECT_EQ(ran.exitCode, 2) << label;
        EXPECT_NE(ran.err.find(row.reason), std::string::npos) << label << ": " << ran.err;
        EXPECT_TRUE(ran.out.empty()) << label << ": " << ran.out;
    }
}

TEST(ZolctlParsing, OpsListsKindsOfArgumentsAndResults) {
    const Ran text = RunWords({"ops"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("SetCommand58Raw(int) -> ack\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("GetCommand58Raw(int*) -> status\n"), std::string::npos) << text.out;

    const Ran json = RunWords({"--json", "ops"});
    EXPECT_EQ(json.exitCode, 0);
    const auto operations = nlohmann::json::parse(json.out)["operations"];
    ASSERT_TRUE(operations.is_array());
    const auto found = std::find_if(operations.begin(), operations.end(),
                                    [](const auto& entry) { return entry["name"] == "SetCommandCASub81"; });
    ASSERT_NE(found, operations.end());
    EXPECT_EQ((*found)["args"], (nlohmann::json{"byte", "byte"}));
    EXPECT_EQ((*found)["result"], "status");
}

TEST(ZolctlParsing, UsageErrorWithJsonIsOneObject) {
    const Ran ran = RunWords({"--json", "--host", "::1", "--id", "300", "status"});
    EXPECT_EQ(ran.exitCode, 2);
    const auto json = nlohmann::json::parse(ran.out);
    ASSERT_TRUE(json.is_object());
    EXPECT_NE(json["error"].get<std::string>().find("--id"), std::string::npos);
}

TEST(ZolctlParsing, HelpForEveryCommand) {
    const std::vector<std::pair<Words, const char*>> rows = {
        {{"--help"}, "probe-framing"},
        {{"status", "--help"}, "status"},
        {{"exec", "--help"}, "CODE"},
        {{"raw", "-h"}, "BYTE"},
        {{"op", "--help"}, "NAME"},
        {{"ops", "--help"}, "ops"},
        {{"refresh", "--help"}, "MODE"},
        {{"wol", "--help"}, "MAC"},
        {{"probe-framing", "--help"}, "serial"},
        {{"demo", "--help"}, "demo"},
    };
    for (const auto& [words, shown] : rows) {
        const Ran ran = RunWords(words);
        EXPECT_EQ(ran.exitCode, 0) << words.front();
        EXPECT_NE(ran.out.find(shown), std::string::npos) << words.front() << ": " << ran.out;
    }
}

// Argument lists a script or a fuzzer might produce never crash the parser and never run anything.
TEST(ZolctlParsing, OddWordsAreRefusedCalmly) {
    const std::vector<Words> lists = {
        {"--"},
        {"-"},
        {"--host"},
        {"--host", ""},
        {"exec", "--", "--host"},
        {std::string(1, '\0')},
        {"--id=", "status"},
        {"--json", "--json", "ops", "ops"},
        {std::string(5000, 'x')},
        {"--host", "::1", "exec", "0x12", "--", "-1"},
    };
    for (const Words& words : lists) {
        const auto parsed = ParseArguments(words);
        EXPECT_NE(parsed.status, ParseStatus::Run) << words.front();
    }
}

// Replies as ExecuteRaw hands them over: a bare buffer whose extent is read from its frames.
TEST(ZolctlParsing, RawReplyExtentAndAcknowledgement) {
    using zolctl::Acknowledgement;
    using Bytes = std::vector<unsigned char>;
    struct Row {
        const char* name;
        Bytes buffer; // what the buffer holds, possibly more than the reply
        unsigned char code;
        int framing;
        Acknowledgement acknowledgement;
        std::size_t length;
    };
    const std::vector<Row> rows = {
        {"ack, then stale bytes",
         {0xAA, 0xFF, 0x01, 0x03, 'A', 0x12, 0x0A, 0x60, 0xAA, 0xFF},
         0x12,
         0,
         Acknowledgement::Ack,
         8},
        {"nak", {0xAA, 0xFF, 0x01, 0x02, 'N', 0x12, 0x62}, 0x12, 0, Acknowledgement::Nak, 7},
        {"garbage in front",
         {0x13, 0x37, 0x00, 0xAA, 0xFF, 0x01, 0x02, 'A', 0x11, 0x13},
         0x11,
         0,
         Acknowledgement::Ack,
         10},
        {"relay announcement then the relayed frame",
         {0xAA, 0xFF, 0x02, 0x07, 'A',  0xEE, 0x00, 0x01, 0x00, 0x00,
          0x03, 0x3B, 0xAA, 0xFF, 0x02, 0x02, 'N',  0x12, 0x63, 0x00},
         0x12,
         0,
         Acknowledgement::Nak,
         19},
        {"long-frame reply to 0xD2",
         {0xAA, 0xFF, 0x01, 0x00, 0x03, 'A', 0xD2, 0x43, 0x00, 0x00},
         0xD2,
         0,
         Acknowledgement::Ack,
         9},
        {"compact", {0xFF, 0x03, 'A', 0x12, 0x0A, 0x60, 0x99}, 0x12, 1, Acknowledgement::Ack, 6},
        {"cut short: only what is there",
         {0xAA, 0xFF, 0x01, 0x40, 'A', 0x12},
         0x12,
         0,
         Acknowledgement::Ack,
         6},
        {"no frame at all", {0x01, 0x02, 0x03}, 0x12, 0, Acknowledgement::None, 0},
        {"neither A nor N", {0xAA, 0xFF, 0x01, 0x02, 'X', 0x12, 0x00}, 0x12, 0, Acknowledgement::None, 7},
    };
    for (const Row& row : rows) {
        const zolctl::RawReply reply =
            zolctl::ReadRawReply(row.buffer.data(), row.buffer.size(), row.code, row.framing);
        EXPECT_EQ(reply.acknowledgement, row.acknowledgement) << row.name;
        EXPECT_EQ(reply.bytes.size(), row.length) << row.name;
        EXPECT_TRUE(std::equal(reply.bytes.begin(), reply.bytes.end(), row.buffer.begin())) << row.name;
    }
    EXPECT_EQ(zolctl::ReadRawReply(nullptr, 100, 0x12, 0).acknowledgement, Acknowledgement::None);
    EXPECT_EQ(zolctl::HexText(rows[1].buffer.data(), rows[1].buffer.size()), "aaff01024e1262");
}

} // namespace

#else

#include <gtest/gtest.h>

// This executable needs zolctl_lib linked in; until the build links it, say so instead of failing.
TEST(ZolctlParsing, NeedsZolctlLib) {
    GTEST_SKIP() << "zolctl_lib is not linked into this test";
}

#endif
