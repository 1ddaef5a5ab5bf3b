// zolctl over a wall: an inventory of simulated displays, some of them failing in their own ways, swept
// with --target through the fleet engine and zolctl's own threads; the report in its three forms, the
// exit status and summary, the PIN sources, and the names people type for one display.
//
// Addresses: 127.0.80.0 - 127.0.80.255, and 127.0.0.1 / ::1 on ports of their own.

#if __has_include("Cli.h")

#include "Cli.h"
#include "ZolctlRun.h"

#include "ZOLConnection.h"

#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Json = nlohmann::json;
using Words = std::vector<std::string>;

constexpr const char* kGood = "127.0.80.1";     // IDs 1 and, behind relay target 3, 2
constexpr const char* kSilent = "127.0.80.2";   // acts on requests, never replies
constexpr const char* kNobody = "127.0.80.3";   // nothing listens
constexpr const char* kOwnPort = "127.0.80.4";  // listens on a port of its own
constexpr const char* kRefusing = "127.0.80.5"; // answers every request with a NAK
constexpr const char* kPlain = "127.0.80.6";    // answers, without the secured protocol

using zoltest::Ran;
using zoltest::Zolctl;

std::string TempDirectory() {
    char pattern[] = "/tmp/zolctl-wall-XXXXXX";
    return ::mkdtemp(pattern) != nullptr ? pattern : "";
}

void WriteFile(const std::string& path, const std::string& text, mode_t mode = 0600) {
    std::ofstream(path) << text;
    ::chmod(path.c_str(), mode);
}

class ZolctlWall : public testing::Test {
protected:
    static void SetUpTestSuite() {
        good = new zolsim::Simulator();
        good->AddDisplay(1).SetPower(true);
        good->AddRelayedDisplay(2, 3).SetPower(true);
        ASSERT_TRUE(good->StartTcp(kGood));
        silent = new zolsim::Simulator();
        silent->AddDisplay(1);
        zolsim::Fault drop;
        drop.kind = zolsim::FaultKind::Drop;
        drop.times = 1000000;
        silent->InjectFault(drop);
        ASSERT_TRUE(silent->StartTcp(kSilent));
        ownPort = new zolsim::Simulator();
        ownPort->AddDisplay(4).SetPower(true);
        ASSERT_TRUE(ownPort->StartTcp(kOwnPort, 0));
        refusing = new zolsim::Simulator();
        refusing->AddDisplay(1);
        zolsim::Fault nak;
        nak.kind = zolsim::FaultKind::Nak;
        nak.times = 1000000;
        refusing->InjectFault(nak);
        ASSERT_TRUE(refusing->StartTcp(kRefusing));
        plain = new zolsim::Simulator();
        plain->AddDisplay(1).SetPower(true);
        ASSERT_TRUE(plain->StartTcp(kPlain));

        directory = TempDirectory();
        pinFile = directory + "/wall.pin";
        WriteFile(pinFile, "4321\n");
        inventory = directory + "/wall.toml";
        WriteFile(inventory, std::string("[[display]]\nname = \"good\"\nhost = \"") + kGood +
                                 "\"\ngroups = [\"answering\"]\n"
                                 "[[display]]\nname = \"relayed\"\nhost = \"" +
                                 kGood +
                                 "\"\nid = 2\nrelay-target = 3\ngroups = [\"answering\"]\n"
                                 "[[display]]\nname = \"own-port\"\nhost = \"" +
                                 kOwnPort + ":" + std::to_string(ownPort->TcpPort()) +
                                 "\"\nid = 4\ngroups = [\"answering\"]\n"
                                 "[[display]]\nname = \"silent\"\nhost = \"" +
                                 kSilent +
                                 "\"\n"
                                 "[[display]]\nname = \"nobody\"\nhost = \"" +
                                 kNobody +
                                 "\"\n"
                                 "[[display]]\nname = \"refusing\"\nhost = \"" +
                                 kRefusing +
                                 "\"\n"
                                 "[[display]]\nname = \"misspelt\"\nhost = \"127.0.80.300\"\n"
                                 "[[display]]\nname = \"with-pin\"\nhost = \"" +
                                 kPlain + "\"\npin-file = \"wall.pin\"\n");
    }
    static void TearDownTestSuite() {
        for (const char* address : {kGood, kSilent, kNobody, kOwnPort, kRefusing, kPlain}) {
            IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
        }
        delete good;
        delete silent;
        delete ownPort;
        delete refusing;
        delete plain;
        static_cast<void>(std::system(("rm -rf '" + directory + "'").c_str()));
    }
    static Words Wall(const Words& more) {
        Words words = {"--inventory", inventory, "--retries", "0"};
        words.insert(words.end(), more.begin(), more.end());
        return words;
    }
    static std::map<std::string, Json> RowsByName(const Json& rows) {
        std::map<std::string, Json> named;
        for (const Json& row : rows) {
            named[row.value("name", "")] = row;
        }
        return named;
    }

    static zolsim::Simulator* good;
    static zolsim::Simulator* silent;
    static zolsim::Simulator* ownPort;
    static zolsim::Simulator* refusing;
    static zolsim::Simulator* plain;
    static std::string directory;
    static std::string inventory;
    static std::string pinFile;
};

zolsim::Simulator* ZolctlWall::good = nullptr;
zolsim::Simulator* ZolctlWall::silent = nullptr;
zolsim::Simulator* ZolctlWall::ownPort = nullptr;
zolsim::Simulator* ZolctlWall::refusing = nullptr;
zolsim::Simulator* ZolctlWall::plain = nullptr;
std::string ZolctlWall::directory;
std::string ZolctlWall::inventory;
std::string ZolctlWall::pinFile;

TEST_F(ZolctlWall, AMixedWallReportsEveryDisplayWithWhyItFailedAndExitsOne) {
    const Ran ran = Zolctl(Wall({"--target", "all", "--json", "status"}));
    EXPECT_EQ(ran.exitCode, 1) << ran.err;
    ASSERT_TRUE(ran.json.is_object()) << ran.out;
    EXPECT_EQ(ran.json["result"], false);
    const Json& rows = ran.json["displays"];
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0]["name"], "good") << "in inventory order";

    struct Expected {
        const char* name;
        const char* error;
        const char* address;
    };
    const Expected expected[] = {
        {"good", "ok", kGood},
        {"relayed", "ok", kGood},
        {"own-port", "ok", ""},
        {"silent", "no-reply", kSilent},
        {"nobody", "refused", kNobody},
        {"refusing", "nak", kRefusing},
        {"misspelt", "bad-address", "127.0.80.300"},
        {"with-pin", "pin-not-needed", kPlain},
    };
    std::map<std::string, Json> named = RowsByName(rows);
    for (const Expected& row : expected) {
        const Json& got = named[row.name];
        EXPECT_EQ(got["error"], row.error) << row.name << ": " << got.dump();
        if (*row.address != '\0') {
            EXPECT_EQ(got["address"], row.address) << row.name;
        }
        if (std::string(row.error) == "ok") {
            EXPECT_EQ(got["result"], 1) << row.name;
            EXPECT_EQ(got["values"]["Power"], true) << row.name;
            EXPECT_FALSE(got.contains("message")) << row.name;
        } else {
            EXPECT_FALSE(got.value("message", "").empty()) << row.name;
        }
    }
    EXPECT_EQ(named["own-port"]["address"], std::string(kOwnPort) + ":" + std::to_string(ownPort->TcpPort()));
    EXPECT_EQ(named["with-pin"]["connectStatus"], 4) << "the PIN came from the inventory's pin-file";
    EXPECT_NE(named["nobody"]["message"].get<std::string>().find("port 1515"), std::string::npos);
    EXPECT_EQ(ran.json["summary"]["ok"], 3);
    EXPECT_EQ(ran.json["summary"]["failed"], 5);
    EXPECT_NE(ran.err.find("8 displays: 3 ok, 5 failed (bad-address 1, nak 1, no-reply 1, pin-not-needed 1, "
                           "refused 1)"),
              std::string::npos)
        << ran.err;
    EXPECT_EQ(ran.err.find("4321"), std::string::npos) << "a PIN is never shown";
    EXPECT_EQ(ran.out.find("4321"), std::string::npos) << "a PIN is never shown";
}

TEST_F(ZolctlWall, AGroupThatAllAnswersIsATableAndExitZero) {
    const Ran ran = Zolctl(Wall({"--target", "@answering", "status"}));
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    std::istringstream table(ran.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(table, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 4u) << ran.out;
    EXPECT_EQ(lines[0].rfind("NAME", 0), 0u) << ran.out;
    for (const char* column : {"ADDRESS", "RESULT", "VALUES", "ERROR", "TIME"}) {
        EXPECT_NE(lines[0].find(column), std::string::npos) << column;
    }
    EXPECT_EQ(lines[1].rfind("good ", 0), 0u) << ran.out;
    EXPECT_NE(lines[1].find("Power=true"), std::string::npos) << ran.out;
    EXPECT_NE(lines[2].find(" ok "), std::string::npos) << ran.out;
    EXPECT_NE(ran.err.find("3 displays: 3 ok, 0 failed in "), std::string::npos) << ran.err;
}

TEST_F(ZolctlWall, JsonLinesGiveOneParsedLinePerDisplay) {
    const Ran ran = Zolctl(Wall({"--target", "good", "--target", "@answering", "--target", "nobody",
                                 "--jsonl", "exec", "0x12", "7"}));
    EXPECT_EQ(ran.exitCode, 1) << ran.err;
    std::istringstream lines(ran.out);
    std::map<std::string, Json> named;
    for (std::string line; std::getline(lines, line);) {
        const Json row = Json::parse(line, nullptr, false);
        ASSERT_TRUE(row.is_object()) << line;
        EXPECT_EQ(named.count(row["name"]), 0u) << "each display once";
        named[row["name"]] = row;
    }
    EXPECT_EQ(named.size(), 4u) << ran.out;
    EXPECT_EQ(named["good"]["values"], (Json{{"Value12", 7}}));
    EXPECT_EQ(named["nobody"]["error"], "refused");
    EXPECT_EQ(good->FindDisplay(2, 3)->Value(0x12), zolsim::Bytes{7});
}

TEST_F(ZolctlWall, CommandsOutsideTheEngineReportTheSameRows) {
    const Ran raw = Zolctl(
        Wall({"--target", "good", "--target", "refusing", "--target", "nobody", "--json", "raw", "0x00"}));
    EXPECT_EQ(raw.exitCode, 1) << raw.err;
    std::map<std::string, Json> named = RowsByName(raw.json["displays"]);
    EXPECT_EQ(named["good"]["error"], "ok") << raw.out;
    EXPECT_EQ(named["good"]["result"], "ack");
    EXPECT_EQ(named["good"]["reply"].get<std::string>().rfind("aaff01", 0), 0u) << raw.out;
    EXPECT_EQ(named["refusing"]["error"], "nak") << raw.out;
    EXPECT_EQ(named["nobody"]["error"], "refused") << raw.out;

    const Ran wake = Zolctl(Wall({"--target", "good", "--json", "wol"}));
    EXPECT_EQ(wake.exitCode, 1) << wake.err;
    EXPECT_EQ(wake.json["displays"][0]["error"], "bad-address") << wake.out;
    EXPECT_NE(wake.json["displays"][0]["message"].get<std::string>().find("no mac"), std::string::npos);
}

TEST_F(ZolctlWall, TheDeadlineEndsTheRunAndWhatWasNotDoneSaysCancelled) {
    const Ran ran =
        Zolctl(Wall({"--target", "silent", "--target", "good", "--deadline", "0.2", "--json", "status"}));
    EXPECT_EQ(ran.exitCode, 1) << ran.err;
    std::map<std::string, Json> named = RowsByName(ran.json["displays"]);
    EXPECT_EQ(named["silent"]["error"], "cancelled") << ran.out;
    EXPECT_EQ(named["good"]["error"], "ok") << ran.out;
}

TEST_F(ZolctlWall, AStaggerGapNeverOutlastsTheDeadlineOnTheDisplayByDisplayRoad) {
    // With a minute between starts, only the first display starts before the deadline ends the run.
    const Ran ran = Zolctl(Wall({"--target", "good", "--target", "refusing", "--target", "nobody",
                                 "--stagger", "60000", "--deadline", "0.3", "--json", "raw", "0x00"}));
    EXPECT_EQ(ran.exitCode, 1) << ran.err;
    std::map<std::string, Json> named = RowsByName(ran.json["displays"]);
    EXPECT_EQ(named["good"]["error"], "ok") << ran.out;
    EXPECT_EQ(named["refusing"]["error"], "cancelled") << ran.out;
    EXPECT_EQ(named["nobody"]["error"], "cancelled") << ran.out;
    EXPECT_TRUE(named["nobody"]["connectStatus"].is_null()) << "never run, never connected";
}

TEST_F(ZolctlWall, PinSourcesReachTheDisplayAndOnlyTheCommandLineOneWarns) {
    ::unsetenv("ZOL_PIN");
    const std::string address = kGood;
    struct Case {
        const char* name;
        Words words;
        const char* environment;
        bool warns;
    };
    const Case cases[] = {
        {"--pin-file", {"--pin-file", pinFile}, nullptr, false},
        {"$ZOL_PIN", {}, "1234", false},
        {"--pin", {"--pin", "1234"}, nullptr, true},
    };
    for (const Case& test : cases) {
        if (test.environment != nullptr) {
            ::setenv("ZOL_PIN", test.environment, 1);
        }
        Words words = {"--json", "--host", address};
        words.insert(words.end(), test.words.begin(), test.words.end());
        words.push_back("status");
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
        const Ran ran = Zolctl(words);
        ::unsetenv("ZOL_PIN");
        EXPECT_EQ(ran.json["connectStatus"], 4) << test.name << ": the PIN was given: " << ran.out;
        EXPECT_EQ(ran.err.find("process list") != std::string::npos, test.warns) << test.name << ran.err;
        EXPECT_EQ(ran.out.find("1234"), std::string::npos) << test.name;
        EXPECT_EQ(ran.out.find("4321"), std::string::npos) << test.name;
    }
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
}

TEST_F(ZolctlWall, WrongInputIsAUsageErrorThatSaysWhatIsWrong) {
    const std::string empty = directory + "/empty.pin";
    WriteFile(empty, "");
    const std::string clash = directory + "/clash.toml";
    WriteFile(clash, std::string("[[display]]\nname = \"a\"\nhost = \"") + kGood +
                         "\"\n[[display]]\nname = \"b\"\nhost = \"" + kGood + ":1600\"\n");
    good->ClearLog();
    const std::string open = directory + "/open.pin";
    WriteFile(open, "1234\n", 0644);
    struct Case {
        Words words;
        const char* said;
    };
    const Case cases[] = {
        {{"--target", "good", "status"}, "--target needs an inventory"},
        {{"--inventory", inventory, "--target", "nobody-at-all", "status"}, "is named \"nobody-at-all\""},
        {{"--inventory", inventory, "--target", "@left", "status"}, "in group \"left\""},
        {{"--inventory", directory + "/none.toml", "--target", "all", "status"}, "is not a readable file"},
        {{"--inventory", inventory, "--target", "all", "--host", kGood, "status"}, "excludes"},
        {{"--inventory", inventory, "--target", "all", "--id", "2", "status"}, "--id describes one display"},
        {{"--inventory", inventory, "--target", "all", "ops"}, "--target goes with"},
        {{"--inventory", inventory, "--target", "all", "--deadline", "soon", "status"}, "--deadline must be"},
        {{"--inventory", inventory, "--target", "all", "--deadline", "0", "status"}, "--deadline must be"},
        {{"--inventory", inventory, "--target", "all", "--stagger", "-1", "status"}, "--stagger must be"},
        {{"--inventory", inventory, "--target", "all", "--json", "--jsonl", "status"}, "excludes"},
        {{"--jsonl", "--host", kGood, "status"}, "go with --target"},
        {{"--host", "10.0.0.300", "status"}, "is not an IPv4 or IPv6 address"},
        {{"--host", "[::1", "status"}, "no closing ]"},
        {{"--host", "127.0.80.1:1600", "--port", "1700", "status"}, "names port 1600 and --port says 1700"},
        {{"--host", kGood, "--pin-file", directory + "/none.pin", "status"}, "does not exist"},
        {{"--host", kGood, "--pin-file", empty, "status"}, "empty"},
        {{"--host", kGood, "--pin-file", pinFile, "--pin", "1", "status"}, "excludes"},
        {{"wol"}, "wol needs a MAC"},
        {{"--inventory", inventory, "--target", "all", "wol", "001122334455"}, "give no MAC"},
        {{"op", "NoSuchOperation", "--help"}, "unknown operation \"NoSuchOperation\""},
        {{"--inventory", inventory, "--target", "all", "--jsonl", "firmware", "/tmp/x.bin"}, "one upload"},
        {{"--inventory", clash, "--target", "all", "status"},
         "are both at 127.0.80.1 but on ports 1515 and 1600"},
        {{"--inventory", inventory, "--target", "good", "op", "SetClockSet", "{}"}, "lacks the field(s)"},
        {{"firmware", "/tmp/x.bin"}, "firmware needs the displays"},
    };
    for (const Case& test : cases) {
        const Ran ran = Zolctl(test.words);
        std::string typed;
        for (const std::string& word : test.words) {
            typed += word + " ";
        }
        EXPECT_EQ(ran.exitCode, 2) << typed << ran.err;
        EXPECT_NE(ran.err.find(test.said), std::string::npos) << typed << ran.err;
    }
    EXPECT_TRUE(good->Requests().empty()) << "a usage error sends nothing";
    const Ran warned = Zolctl({"--json", "--host", kGood, "--pin-file", open, "status"});
    EXPECT_NE(warned.err.find("may be read by others"), std::string::npos) << warned.err;
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kGood);
}

TEST(ZolctlNames, ADisplayIsReachedByNameAndByBracketedIpv6WithItsPort) {
    zolsim::Simulator v4;
    v4.AddDisplay(1).SetPower(true);
    ASSERT_TRUE(v4.StartTcp("127.0.0.1", 0));
    zolsim::Simulator v6;
    v6.AddDisplay(1).SetPower(true);
    if (!v6.StartTcp("::1", 0)) {
        GTEST_SKIP() << "this machine has no IPv6 loopback";
    }
    const Ran byName = Zolctl({"--json", "--host", "localhost:" + std::to_string(v4.TcpPort()), "status"});
    EXPECT_EQ(byName.exitCode, 0) << byName.err;
    EXPECT_EQ(byName.json["values"]["Power"], true);
    const Ran bracketed = Zolctl({"--json", "--host", "[::1]:" + std::to_string(v6.TcpPort()), "status"});
    EXPECT_EQ(bracketed.exitCode, 0) << bracketed.err;
    EXPECT_EQ(bracketed.json["values"]["Power"], true);
    for (const char* address : {"127.0.0.1", "::1"}) {
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
    }
}

} // namespace

#endif
