// What zolctl says when a display cannot be used or refuses: the reason on stderr, the fleet engine's
// name for it in the JSON's "error", and an exit status that tells a refusal from silence.

#include "Cli.h"
#include "ZolctlRun.h"

#include "ZOLConnection.h"

#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Json = nlohmann::json;
using Words = std::vector<std::string>;

constexpr const char* kNobody = "127.0.100.1";     // nothing listens here
constexpr const char* kTlsDisplay = "127.0.100.2"; // asks for TLS, with a root nobody trusts
constexpr const char* kPlainDisplay = "127.0.100.3";
constexpr const char* kRefusing = "127.0.100.4"; // answers, or refuses, as a test orders

using zoltest::Ran;
using zoltest::Zolctl;

void Forget(const std::string& address) {
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
}

class ZolctlFailures : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // A store of this process's own that holds no root: the TLS display's certificate is not trusted.
        store = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                          ("zolctl-failures-" + std::to_string(::getpid())));
        std::filesystem::create_directories(*store / "ROOT");
        ::setenv("ZOL_CERT_STORE_DIR", store->c_str(), 1);

        tls = new zolsim::Simulator();
        tls->AddDisplay(1);
        ASSERT_TRUE(tls->EnableTls());
        ASSERT_TRUE(tls->StartTcp(kTlsDisplay));
        plain = new zolsim::Simulator();
        plain->AddDisplay(1);
        plain->SetGreeting(zolsim::kPlainGreeting);
        ASSERT_TRUE(plain->StartTcp(kPlainDisplay));
        refusing = new zolsim::Simulator();
        refusing->AddDisplay(1).SetValue(0x12, {0x0A});
        ASSERT_TRUE(refusing->StartTcp(kRefusing));
    }
    static void TearDownTestSuite() {
        for (const char* address : {kNobody, kTlsDisplay, kPlainDisplay, kRefusing}) {
            Forget(address);
        }
        delete tls;
        delete plain;
        delete refusing;
        std::filesystem::remove_all(*store);
        delete store;
    }
    void SetUp() override {
        for (const char* address : {kNobody, kTlsDisplay, kPlainDisplay, kRefusing}) {
            Forget(address);
        }
        for (zolsim::Simulator* sim : {tls, plain, refusing}) {
            sim->ClearFaults();
            sim->ClearLog();
        }
    }

    static std::filesystem::path* store;
    static zolsim::Simulator* tls;
    static zolsim::Simulator* plain;
    static zolsim::Simulator* refusing;
};

std::filesystem::path* ZolctlFailures::store = nullptr;
zolsim::Simulator* ZolctlFailures::tls = nullptr;
zolsim::Simulator* ZolctlFailures::plain = nullptr;
zolsim::Simulator* ZolctlFailures::refusing = nullptr;

TEST_F(ZolctlFailures, AConnectThatFailsSaysWhyAndSendsNothing) {
    struct Row {
        const char* name;
        Words words;
        int connectStatus;
        const char* error;
        std::vector<std::string> said; // each must be in the stderr message
    };
    const std::vector<Row> rows = {
        {"refused port",
         {"--host", kNobody, "status"},
         1,
         "refused",
         {"connection refused on 127.0.100.1 port 1515"}},
        {"refused on the port given",
         {"--host", kNobody, "--port", "1600", "exec", "0x12"},
         1,
         "refused",
         {"connection refused on 127.0.100.1 port 1600"}},
        {"untrusted certificate",
         {"--host", kTlsDisplay, "--pin", "1234", "status"},
         2,
         "tls-untrusted",
         {"certificate of 127.0.100.2 is not trusted", "zolctl trust add"}},
        {"PIN required", {"--host", kTlsDisplay, "raw", "0x12"}, 3, "pin-required", {"--pin"}},
        {"PIN not needed",
         {"--host", kPlainDisplay, "--pin", "1234", "status"},
         4,
         "pin-not-needed",
         {"leave out --pin"}},
        {"serial port missing",
         {"--serial", "/dev/zolctl-edge-no-port", "status"},
         100,
         "serial-open-failed",
         {"/dev/zolctl-edge-no-port cannot be opened: No such file or directory"}},
        {"probe of a missing port",
         {"--serial", "/dev/zolctl-edge-no-port", "probe-framing"},
         100,
         "serial-open-failed",
         {"/dev/zolctl-edge-no-port"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Words words = {"--json"};
        words.insert(words.end(), row.words.begin(), row.words.end());
        const Ran ran = Zolctl(words);
        EXPECT_EQ(ran.exitCode, 1);
        EXPECT_EQ(ran.json["connectStatus"], row.connectStatus) << ran.out;
        EXPECT_EQ(ran.json["error"], row.error) << ran.out;
        EXPECT_TRUE(ran.json.contains("result")) << "the documented keys stay";
        for (const std::string& part : row.said) {
            EXPECT_NE(ran.err.find(part), std::string::npos) << ran.err;
        }
        EXPECT_EQ(ran.err.find("is the PIN right"), std::string::npos) << ran.err;
    }
    for (zolsim::Simulator* sim : {tls, plain}) {
        EXPECT_TRUE(sim->Requests().empty()) << "no command reached a display";
    }
}

TEST_F(ZolctlFailures, ARefusalExitsThreeAndSilenceExitsOne) {
    struct Row {
        const char* name;
        zolsim::FaultKind fault;
        Words words;
        int exitCode;
        Json result;
        const char* error;
        const char* said;
    };
    const std::vector<Row> rows = {
        {"exec refused", zolsim::FaultKind::Nak, {"exec", "0x12"}, 3, 0, "nak", "refused"},
        {"status refused", zolsim::FaultKind::Nak, {"status"}, 3, 0, "nak", "refused"},
        {"raw refused", zolsim::FaultKind::Nak, {"raw", "0x12"}, 3, "nak", "nak", "refused"},
        {"exec unanswered", zolsim::FaultKind::Drop, {"exec", "0x12"}, 1, 0, "no-reply", "no accepted reply"},
        {"raw unanswered", zolsim::FaultKind::Drop, {"raw", "0x12"}, 1, "none", "no-reply", "no reply"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Forget(kRefusing);
        refusing->ClearFaults();
        refusing->InjectFault({.kind = row.fault, .times = 100});
        Words words = {"--json", "--retries", "0", "--host", kRefusing};
        words.insert(words.end(), row.words.begin(), row.words.end());
        const Ran ran = Zolctl(words);
        EXPECT_EQ(ran.exitCode, row.exitCode) << ran.err;
        EXPECT_EQ(ran.json["result"], row.result) << ran.out;
        EXPECT_EQ(ran.json["connectStatus"], 1) << ran.out;
        EXPECT_EQ(ran.json["error"], row.error) << ran.out;
        EXPECT_NE(ran.err.find(row.said), std::string::npos) << ran.err;
    }

    refusing->ClearFaults();
    const Ran answered = Zolctl({"--json", "--host", kRefusing, "exec", "0x12"});
    EXPECT_EQ(answered.exitCode, 0) << answered.err;
    EXPECT_FALSE(answered.json.contains("error")) << answered.out;
}

TEST_F(ZolctlFailures, VerboseLinesCarryTheMillisecondsSinceTheCommandStarted) {
    const Ran ran = Zolctl({"--host", kRefusing, "-v", "exec", "0x12"});
    ASSERT_EQ(ran.exitCode, 0) << ran.err;
    const std::regex stamped(R"(^\[ {0,3}(\d+) ms\] \[[A-Z]+\] .*)");
    std::istringstream lines(ran.err);
    std::string line;
    long long previous = 0;
    int frames = 0;
    while (std::getline(lines, line)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, stamped)) << line;
        const long long ms = std::stoll(match[1]);
        EXPECT_GE(ms, previous) << "stamps never go back";
        EXPECT_LT(ms, 60000) << "counted from the command's start";
        previous = ms;
        frames += line.find("Send AA 12 01 00 13") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(frames, 1) << ran.err;
}

} // namespace
