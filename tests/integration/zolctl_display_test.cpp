// zolctl end to end against simulated displays in this process: the JSON each command prints, its exit
// status, the bytes the display received, and the tour of `zolctl demo`.

#if __has_include("Cli.h")

#include "Cli.h"
#include "ZolctlRun.h"

#include "ZOLConnection.h"

#include "LFDValueVisitor.h"

#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::json;
using Words = std::vector<std::string>;
using zolsim::Bytes;
using zolsim::Fault;
using zolsim::FaultKind;

constexpr const char* kAddress = "127.0.6.1";
constexpr const char* kPortAddress = "127.0.6.2";   // listens on a port of its own, not 1515
constexpr const char* kSilentAddress = "127.0.6.3"; // nothing listens here
constexpr unsigned char kRelayTarget = 3;
constexpr unsigned char kRelayedId = 2;

using zoltest::Ran;
using zoltest::Zolctl;

class ZolctlDisplay : public testing::Test {
protected:
    static void SetUpTestSuite() {
        wall = new zolsim::Simulator();
        wall->AddDisplay(1).SetPower(true);
        wall->AddRelayedDisplay(kRelayedId, kRelayTarget).SetValue(0x12, {0x2A});
        ASSERT_TRUE(wall->StartTcp(kAddress));
        ASSERT_TRUE(wall->StartTcp(kPortAddress, 0));
    }
    static void TearDownTestSuite() {
        Forget();
        delete wall;
        wall = nullptr;
    }
    void SetUp() override {
        // A fresh connection per test, so that a late reply of one test never answers the next.
        Forget();
        wall->ClearFaults();
        wall->ClearLog();
        wall->FindDisplay(1)->SetValue(0x12, {0x0A});
    }
    static void Forget() {
        for (const char* address : {kAddress, kPortAddress, kSilentAddress}) {
            IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
        }
    }
    static Words At(const Words& more) {
        Words words = {"--json", "--host", kAddress};
        words.insert(words.end(), more.begin(), more.end());
        return words;
    }
    // Requests the display parsed since SetUp, relay headers included, as raw bytes.
    static std::vector<Bytes> Received() {
        std::vector<Bytes> raw;
        for (const zolsim::Request& request : wall->Requests()) {
            raw.push_back(request.raw);
        }
        return raw;
    }

    static zolsim::Simulator* wall;
};

zolsim::Simulator* ZolctlDisplay::wall = nullptr;

TEST_F(ZolctlDisplay, StatusReportsPowerAndWhatTheReplyStored) {
    const Ran ran = Zolctl(At({"status"}));
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    ASSERT_TRUE(ran.json.is_object()) << ran.out;
    EXPECT_EQ(ran.out.find('\n'), ran.out.size() - 1) << "exactly one JSON object, on one line";
    EXPECT_EQ(ran.json["result"], 1);
    EXPECT_EQ(ran.json["connectStatus"], 1);
    const Json& values = ran.json["values"];
    EXPECT_EQ(values["Power"], true);
    EXPECT_EQ(values["Responding"], true);
    EXPECT_EQ(values["StatusReceived"], true);
    EXPECT_EQ(values["Value14"], 0x21); // the input the display reported
    EXPECT_FALSE(values.contains("ModelName")) << "only what the reply changed, besides power and presence";
    EXPECT_EQ(Received(), (std::vector<Bytes>{{0xAA, 0x00, 0x01, 0x00, 0x01}}));
}

TEST_F(ZolctlDisplay, StatusOfADisplayThatIsOff) {
    wall->FindDisplay(1)->SetPower(false);
    const Ran ran = Zolctl(At({"status"}));
    wall->FindDisplay(1)->SetPower(true);
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.json["values"]["Power"], false) << "shown although it did not change";
    EXPECT_EQ(ran.json["values"]["Responding"], true);
}

TEST_F(ZolctlDisplay, StatusInTextForm) {
    const Ran ran = Zolctl({"--host", kAddress, "status"});
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_NE(ran.out.find("result: 1\n"), std::string::npos) << ran.out;
    EXPECT_NE(ran.out.find("connectStatus: 1\n"), std::string::npos) << ran.out;
    EXPECT_NE(ran.out.find("  Power: true\n"), std::string::npos) << ran.out;
}

TEST_F(ZolctlDisplay, ExecSetsAndReadsBack) {
    const Ran set = Zolctl(At({"exec", "0x12", "32"}));
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.json["result"], 1);
    EXPECT_EQ(set.json["values"], (Json{{"Value12", 32}})) << "only the changed value";
    EXPECT_EQ(wall->FindDisplay(1)->Value(0x12), Bytes{0x20});

    const Ran read = Zolctl(At({"exec", "0x12"}));
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.json["values"]["Value12"], 32);
    EXPECT_EQ(read.json["connectStatus"], 1) << "already open counts as opened";

    EXPECT_EQ(Received(),
              (std::vector<Bytes>{{0xAA, 0x12, 0x01, 0x01, 0x20, 0x34}, {0xAA, 0x12, 0x01, 0x00, 0x13}}));
}

TEST_F(ZolctlDisplay, ExecThroughTheRelay) {
    const Ran ran = Zolctl(At({"--relay-target", "3", "--id", "2", "exec", "0x12"}));
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.json["values"]["Value12"], 0x2A) << "the relayed display's Value12, not display 1's";
    const std::vector<Bytes> received = Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], (Bytes{0xAA, 0xEE, 0x02, 0x05, 0x00, 0x01, 0x00, 0x00, 0x03, 0xF9}));
    EXPECT_EQ(received[1], (Bytes{0xAA, 0x12, 0x02, 0x00, 0x14}));
}

TEST_F(ZolctlDisplay, ExecFailures) {
    struct Row {
        const char* name;
        Fault fault;
        Words words;
        int exitCode;
    };
    const std::vector<Row> rows = {
        {"refused", {.kind = FaultKind::Nak, .times = 10}, {"exec", "0x12", "5"}, 3},
        {"silent", {.kind = FaultKind::Drop, .times = 10}, {"exec", "0x12"}, 1},
        {"another display answers",
         {.kind = FaultKind::WrongId, .otherId = 9, .times = 10},
         {"exec", "0x12"},
         1},
    };
    for (const Row& row : rows) {
        wall->ClearFaults();
        wall->InjectFault(row.fault);
        Words words = {"--retries", "0"};
        words.insert(words.end(), row.words.begin(), row.words.end());
        const Ran ran = Zolctl(At(words));
        EXPECT_EQ(ran.exitCode, row.exitCode) << row.name;
        EXPECT_EQ(ran.json["result"], 0) << row.name;
        EXPECT_EQ(ran.json["connectStatus"], 1) << row.name;
        EXPECT_FALSE(ran.json["values"].contains("Value12")) << row.name;
        Forget();
    }
}

TEST_F(ZolctlDisplay, RawAckNakAndNoReply) {
    struct Row {
        const char* name;
        Fault fault;
        int exitCode;
        const char* result;
        const char* reply;
    };
    const std::vector<Row> rows = {
        {"ack", {}, 0, "ack", "aaff010341120a60"},
        {"nak", {.kind = FaultKind::Nak, .times = 10}, 3, "nak", "aaff01024e1262"},
        {"no reply", {.kind = FaultKind::Drop, .times = 10}, 1, "none", ""},
        {"reply split in two writes", {.kind = FaultKind::Split, .splitAt = 3}, 0, "ack", "aaff010341120a60"},
    };
    for (const Row& row : rows) {
        wall->ClearFaults();
        wall->InjectFault(row.fault);
        const Ran ran = Zolctl(At({"--retries", "0", "raw", "0x12"}));
        EXPECT_EQ(ran.exitCode, row.exitCode) << row.name << ": " << ran.err;
        EXPECT_EQ(ran.json["result"], row.result) << row.name;
        EXPECT_EQ(ran.json["reply"], row.reply) << row.name;
        EXPECT_EQ(ran.json["connectStatus"], 1) << row.name;
        Forget();
    }
}

TEST_F(ZolctlDisplay, OperationsByName) {
    wall->FindDisplay(1)->SetValue(0x58, {0x07});
    struct Row {
        const char* name;
        Words words;
        Fault fault;
        int exitCode;
        Json result;
        Json outs;
    };
    const std::vector<Row> rows = {
        {"status with an out-argument", {"op", "GetCommand58Raw"}, {}, 0, 1, {7}},
        {"ack code: ack", {"op", "SetCommand58Raw", "5"}, {}, 0, 1, Json::array()},
        {"ack code: nak",
         {"op", "SetCommand58Raw", "5"},
         {.kind = FaultKind::Nak, .times = 10},
         3,
         2,
         Json::array()},
        {"ack code: silence",
         {"op", "SetCommand58Raw", "5"},
         {.kind = FaultKind::Drop, .times = 10},
         1,
         0,
         Json::array()},
        {"status: refused",
         {"op", "SetCommand12", "20"},
         {.kind = FaultKind::Nak, .times = 10},
         1,
         0,
         Json::array()},
    };
    for (const Row& row : rows) {
        wall->ClearFaults();
        wall->InjectFault(row.fault);
        Words words = {"--retries", "0"};
        words.insert(words.end(), row.words.begin(), row.words.end());
        const Ran ran = Zolctl(At(words));
        EXPECT_EQ(ran.exitCode, row.exitCode) << row.name << ": " << ran.err;
        EXPECT_EQ(ran.json["result"], row.result) << row.name;
        EXPECT_EQ(ran.json["outs"], row.outs) << row.name;
        EXPECT_EQ(ran.json["connectStatus"], 1) << row.name;
        Forget();
    }
    EXPECT_EQ(wall->FindDisplay(1)->Value(0x58), Bytes{0x05}) << "the acknowledged set arrived";

    wall->ClearFaults();
    const Ran set = Zolctl(At({"op", "SetCommand12", "20"}));
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(wall->FindDisplay(1)->Value(0x12), Bytes{20});
}

TEST_F(ZolctlDisplay, RefreshShowsEveryRecordValue) {
    const Ran ran = Zolctl(At({"refresh"}));
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.json["result"], 1);
    EXPECT_EQ(ran.json["connectStatus"], 1);
    const Json& values = ran.json["values"];
    EXPECT_EQ(values.size(), LFDValues::Count());
    EXPECT_TRUE(values["ModelName"].is_string());
    EXPECT_FALSE(values["ModelName"].get<std::string>().empty()) << "the model reply was decoded";
    EXPECT_EQ(values["Power"], true);
    EXPECT_EQ(values["ValueFEBlock"], nullptr) << "only its query stores it, which a refresh does not send";
    EXPECT_EQ(values["Value1Bx97Octets"], nullptr) << "never queried: unknown, not an empty default";
    ASSERT_FALSE(Received().empty());
    EXPECT_EQ(Received().front(), (Bytes{0xAA, 0x00, 0x01, 0x00, 0x01}))
        << "a refresh starts with the status";
}

TEST_F(ZolctlDisplay, PortIsAppliedBeforeConnecting) {
    const std::string port = std::to_string(wall->TcpPort());
    const Ran there = Zolctl({"--json", "--host", kPortAddress, "--port", port, "status"});
    EXPECT_EQ(there.exitCode, 0) << there.err;
    EXPECT_EQ(there.json["values"]["Power"], true);

    Forget();
    const Ran elsewhere = Zolctl({"--json", "--retries", "0", "--host", kPortAddress, "status"});
    EXPECT_EQ(elsewhere.exitCode, 1) << "nothing listens on 1515 there";
}

TEST_F(ZolctlDisplay, ConnectFailuresAreReportedNotSent) {
    struct Row {
        Words words;
        int connectStatus; // -1: none, the address was refused before anything was opened
    };
    const std::vector<Row> rows = {
        {{"--json", "--host", kSilentAddress, "status"}, 1},
        {{"--json", "--host", "300.1.2.3", "exec", "0x12"}, -1},
        {{"--json", "--serial", "/dev/zolctl-no-such-port", "raw", "0x11"}, 100},
        {{"--json", "--serial", "/dev/zolctl-no-such-port", "probe-framing"}, 100},
    };
    for (const Row& row : rows) {
        const Ran ran = Zolctl(row.words);
        EXPECT_FALSE(ran.err.empty()) << row.words[2];
        if (row.connectStatus < 0) {
            EXPECT_EQ(ran.exitCode, 2) << row.words[2];
            EXPECT_TRUE(ran.json.contains("error")) << ran.out;
            EXPECT_EQ(ran.json["connectStatus"], 201) << ran.out;
            continue;
        }
        EXPECT_EQ(ran.exitCode, 1) << row.words[2];
        EXPECT_EQ(ran.json["connectStatus"], row.connectStatus) << row.words[2];
    }
    EXPECT_TRUE(Received().empty());
}

TEST_F(ZolctlDisplay, VerboseLogsTheFramesOnStderr) {
    const Ran ran = Zolctl({"--host", kAddress, "-v", "exec", "0x12"});
    EXPECT_EQ(ran.exitCode, 0);
    EXPECT_NE(ran.err.find("AA 12 01 00 13"), std::string::npos) << ran.err;
    EXPECT_NE(ran.err.find("AA FF 01 03 41 12 0A 60"), std::string::npos) << ran.err;
    EXPECT_EQ(ran.out.find("AA 12"), std::string::npos) << "frames stay off stdout";

    const Ran quiet = Zolctl({"--host", kAddress, "exec", "0x12"});
    EXPECT_TRUE(quiet.err.empty()) << quiet.err;
}

TEST(ZolctlSerial, ProbeThenTalkInTheFramingFound) {
    zolsim::Simulator line;
    line.AddDisplay(1).SetPower(true);
    line.SetAnswerOnlyFraming(2);
    const std::string path = line.StartPty();
    ASSERT_FALSE(path.empty());

    const Ran probe = Zolctl({"--json", "--serial", path, "probe-framing"});
    EXPECT_EQ(probe.exitCode, 0) << probe.err;
    EXPECT_EQ(probe.json, (Json{{"result", 2}, {"connectStatus", 1}}));

    const Ran status = Zolctl({"--json", "--serial", path, "--framing", "2", "status"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_EQ(status.json["values"]["Power"], true);
    const std::vector<zolsim::Request> requests = line.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().raw, (Bytes{0xAA, 0x00, 0xF7, 0x00, 0xF7}));
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(path);
}

TEST(ZolctlDemo, TourRunsAndExitsZero) {
    const Ran ran = Zolctl({"demo"});
    EXPECT_EQ(ran.exitCode, 0) << ran.out << ran.err;
    EXPECT_NE(ran.out.find("7 of 7 steps"), std::string::npos) << ran.out;
    EXPECT_NE(ran.out.find("-> AA EE"), std::string::npos) << "the relay header is shown on the wire";
    EXPECT_EQ(ran.out.find("NOT as expected"), std::string::npos) << ran.out;

    const Ran json = Zolctl({"--json", "demo"});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.json["result"], true) << json.out;
    EXPECT_NE(json.err.find("== "), std::string::npos) << "with --json the tour goes to stderr";
}

} // namespace

#else

#include <gtest/gtest.h>

// This executable needs zolctl_lib linked in; until the build links it, say so instead of failing.
TEST(ZolctlDisplay, NeedsZolctlLib) {
    GTEST_SKIP() << "zolctl_lib is not linked into this test";
}

#endif
