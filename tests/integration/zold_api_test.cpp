// The service's API against simulated displays: the wall's state as polled, requests that change
// displays, the refusals (none of which reaches a display), metrics and the page.

#include "ZoldHarness.h"

#include "zolsim/FleetSimulator.h"
#include "zolsim/Simulator.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

using zoldtest::Folder;
using zoldtest::Http;
using zoldtest::Reply;

constexpr char kOn[] = "127.0.110.1";
constexpr char kOff[] = "127.0.110.2";
constexpr char kListen[] = "127.0.110.9";
// A fleet range whose last address is silent: it greets and reads, never answers.
constexpr char kRangeFirst[] = "127.0.110.20";
constexpr char kRangeLast[] = "127.0.110.22";
constexpr char kSilent[] = "127.0.110.22";

class ZoldApi : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = std::make_unique<Folder>("zold-api");
        on = std::make_unique<zolsim::Simulator>();
        on->AddDisplay(1);
        ASSERT_TRUE(on->StartTcp(kOn));
        off = std::make_unique<zolsim::Simulator>();
        off->AddDisplay(1).SetPower(false);
        ASSERT_TRUE(off->StartTcp(kOff));
        zold::ServiceConfig config;
        config.inventory =
            folder->Write("wall.toml", zoldtest::DisplayEntry("lobby-1", kOn, "[\"lobby\"]") +
                                           zoldtest::DisplayEntry("lobby-2", kOff, "[\"lobby\"]") +
                                           zoldtest::DisplayEntry("nowhere", "10.0.0.300"));
        config.tokenFile = folder->Write("zold.token", std::string(zoldtest::kToken) + "\n");
        config.listenHost = kListen;
        config.listenPort = 0;
        config.interval = std::chrono::hours(1); // one poll at the start; the tests ask for more
        service = std::make_unique<zold::Service>(config);
        std::string error;
        ASSERT_TRUE(service->Start(&error)) << error;
        ASSERT_TRUE(zoldtest::WaitFor([] {
            return zoldtest::Polled(*service, {"lobby-1", "lobby-2", "nowhere"});
        }));
    }
    static void TearDownTestSuite() {
        service.reset();
        on.reset();
        off.reset();
        folder.reset();
    }
    void SetUp() override {
        on->ClearLog();
        off->ClearLog();
    }
    static Http Client() { return {kListen, service->Port()}; }
    static std::size_t Received() { return on->Requests().size() + off->Requests().size(); }

    inline static std::unique_ptr<Folder> folder;
    inline static std::unique_ptr<zolsim::Simulator> on;
    inline static std::unique_ptr<zolsim::Simulator> off;
    inline static std::unique_ptr<zold::Service> service;
};

TEST_F(ZoldApi, DisplaysShowWhatThePollsFoundInInventoryOrder) {
    const Reply reply = Client().Get("/api/v1/displays");
    ASSERT_EQ(reply.status, 200) << reply.body;
    EXPECT_EQ(reply.contentType, "application/json");
    const auto& displays = reply.json["displays"];
    ASSERT_EQ(displays.size(), 3U);
    EXPECT_EQ(displays[0]["name"], "lobby-1");
    EXPECT_EQ(displays[0]["address"], kOn);
    EXPECT_EQ(displays[0]["groups"], nlohmann::json::array({"lobby"}));
    EXPECT_EQ(displays[0]["power"], "on");
    EXPECT_EQ(displays[0]["responding"], true);
    EXPECT_EQ(displays[0]["error"], "ok");
    EXPECT_TRUE(displays[0]["lastSeen"].is_string());
    EXPECT_TRUE(displays[0]["lastSeenAgoMs"].is_number());
    EXPECT_TRUE(displays[0]["rttMs"].is_number());
    EXPECT_EQ(displays[0]["values"]["Power"], true);
    EXPECT_EQ(displays[1]["power"], "off");
    EXPECT_EQ(displays[1]["responding"], true);
    // A host that is no address is never sent anything: it reports why, and no time it was seen.
    EXPECT_EQ(displays[2]["error"], "bad-address");
    EXPECT_EQ(displays[2]["power"], "unknown");
    EXPECT_TRUE(displays[2]["lastSeen"].is_null());
    EXPECT_TRUE(reply.json["sweep"]["completedAt"].is_string());

    Reply one = Client().Get("/api/v1/displays/lobby-2");
    ASSERT_EQ(one.status, 200);
    nlohmann::json listed = displays[1];
    // The age is counted at the time of each request.
    one.json.erase("lastSeenAgoMs");
    listed.erase("lastSeenAgoMs");
    EXPECT_EQ(one.json, listed);
}

TEST_F(ZoldApi, OperationsListTheirArgumentsWithTheirSyntax) {
    const Reply reply = Client().Get("/api/v1/operations");
    ASSERT_EQ(reply.status, 200);
    bool found = false;
    for (const auto& operation : reply.json["operations"]) {
        if (operation["name"] == "RefreshAll") {
            found = true;
            ASSERT_EQ(operation["arguments"].size(), 1U);
            EXPECT_EQ(operation["arguments"][0]["name"], "ARG1");
            EXPECT_EQ(operation["arguments"][0]["syntax"].get<std::string>().rfind("int", 0), 0U);
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(ZoldApi, RefreshExecAndOperationsRunOnTheDisplaysNamed) {
    struct Case {
        const char* path;
        const char* body;
        std::size_t displays;
    };
    const Case cases[] = {
        {"/api/v1/displays/@lobby/refresh", "", 2},
        {"/api/v1/displays/lobby-1/exec", R"({"code":"0x00"})", 1},
        {"/api/v1/displays/lobby-1/exec", R"({"code":17,"data":[1]})", 1},
        {"/api/v1/displays/lobby-2/ops/RefreshAll", R"({"arguments":["0"]})", 1},
        {"/api/v1/displays/lobby-1/ops/RefreshBasicStatus", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        on->ClearLog();
        off->ClearLog();
        const Reply reply = Client().Post(c.path, c.body);
        ASSERT_EQ(reply.status, 200) << reply.body;
        ASSERT_EQ(reply.json["results"].size(), c.displays);
        EXPECT_EQ(reply.json["summary"]["total"], c.displays);
        EXPECT_EQ(reply.json["summary"]["ok"], c.displays);
        for (const auto& result : reply.json["results"]) {
            EXPECT_EQ(result["error"], "ok");
            EXPECT_EQ(result["connectStatus"], 1);
            EXPECT_TRUE(result["changed"].is_array());
        }
        EXPECT_GE(Received(), c.displays);
    }
}

// The stored state follows every answer, not only polls; a refresh lists what differs from the stored
// state, even a value back at the record's default (off is Power false).
TEST_F(ZoldApi, StateFollowsEveryAnswerAndARefreshListsWhatDiffersFromIt) {
    struct Step {
        const char* what;
        const char* path;
        const char* body;
        bool displayPower; // set on the display behind the service's back before the request
        const char* power; // the stored state right after
        bool powerChanged; // the result's "changed" holds Power
    };
    const Step steps[] = {
        {"power off sent", "/api/v1/displays/lobby-1/exec", R"({"code":17,"data":[0]})", true, "off", true},
        {"power on sent", "/api/v1/displays/lobby-1/exec", R"({"code":17,"data":[1]})", false, "on", true},
        {"refresh, nothing differs", "/api/v1/displays/lobby-1/refresh", "", true, "on", false},
        {"refresh after it went off", "/api/v1/displays/lobby-1/refresh", "", false, "off", true},
        {"refresh after it came on", "/api/v1/displays/lobby-1/refresh", "", true, "on", true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        on->FindDisplay(1)->SetPower(step.displayPower);
        const std::string before = Client().Get("/api/v1/displays/lobby-1").json["lastSeen"];
        const Reply reply = Client().Post(step.path, step.body);
        ASSERT_EQ(reply.status, 200) << reply.body;
        const auto& result = reply.json["results"][0];
        EXPECT_EQ(result["error"], "ok");
        const auto& changed = result["changed"];
        EXPECT_EQ(std::find(changed.begin(), changed.end(), "Power") != changed.end(), step.powerChanged)
            << changed;
        // A local answer takes less than a millisecond, which is no reason to report none.
        EXPECT_GT(result["elapsedMs"].get<double>(), 0.0);
        // GET /api/v1/displays too: its document is rendered again after the change.
        for (const auto& display : {Client().Get("/api/v1/displays/lobby-1").json,
                                    Client().Get("/api/v1/displays").json["displays"][0]}) {
            EXPECT_EQ(display["power"], step.power);
            EXPECT_EQ(display["values"]["Power"], std::string(step.power) == "on");
            EXPECT_EQ(display["responding"], true);
            EXPECT_GE(display["lastSeen"].get<std::string>(), before);
            EXPECT_GT(display["rttMs"].get<double>(), 0.0);
        }
    }
}

TEST_F(ZoldApi, RefusedRequestsReachNoDisplay) {
    const std::string big(zold::kMostBodyBytes + 1, ' ');
    struct Case {
        const char* method;
        std::string path;
        std::string body;
        std::string token;
        int status;
        const char* code;
    };
    const std::string t = zoldtest::kToken;
    const Case cases[] = {
        {"POST", "/api/v1/displays/lobby-1/refresh", "", "", 401, "unauthorized"},
        {"POST", "/api/v1/displays/lobby-1/refresh", "", "wrong", 401, "unauthorized"},
        {"POST", "/api/v1/displays/lobby-1/refresh", "", t + "x", 401, "unauthorized"},
        {"POST", "/api/v1/displays/lobby-1/exec", "{\"code\":", t, 400, "bad-json"},
        {"POST", "/api/v1/displays/lobby-1/exec", "[17]", t, 400, "bad-json"},
        {"POST", "/api/v1/displays/ghost/refresh", "", t, 404, "unknown-display"},
        {"POST", "/api/v1/displays/@ghosts/refresh", "", t, 404, "unknown-group"},
        {"POST", "/api/v1/displays/lobby-1/ops/NoSuchOperation", "", t, 404, "unknown-operation"},
        {"POST", "/api/v1/displays/lobby-1/ops/RefreshAll", "", t, 400, "bad-arguments"},
        {"POST", "/api/v1/displays/lobby-1/ops/RefreshAll", R"({"arguments":["x"]})", t, 400,
         "bad-arguments"},
        {"POST", "/api/v1/displays/lobby-1/ops/RefreshAll", R"({"arguments":"0"})", t, 400, "bad-arguments"},
        {"POST", "/api/v1/displays/lobby-1/ops/RefreshAll", R"({"args":["0"]})", t, 400, "bad-arguments"},
        {"POST", "/api/v1/displays/lobby-1/exec", "{}", t, 400, "bad-arguments"},
        {"POST", "/api/v1/displays/lobby-1/exec", R"({"code":256})", t, 400, "bad-arguments"},
        {"POST", "/api/v1/displays/lobby-1/exec", R"({"code":"0x1G"})", t, 400, "bad-arguments"},
        {"POST", "/api/v1/displays/lobby-1/exec", R"({"code":17,"data":[300]})", t, 400, "bad-arguments"},
        {"POST", "/api/v1/displays/lobby-1/exec", R"({"code":17,"data":1})", t, 400, "bad-arguments"},
        {"POST", "/api/v1/displays/lobby-1/refresh", R"({"now":true})", t, 400, "bad-arguments"},
        {"POST", "/api/v1/displays/lobby-1/exec", big, t, 413, "body-too-large"},
        {"POST", "/api/v1/nothing", "", t, 404, "not-found"},
        {"POST", "/api/v1/displays", "", t, 405, "method-not-allowed"},
        {"GET", "/api/v1/displays/lobby-1/refresh", "", t, 405, "method-not-allowed"},
        {"DELETE", "/api/v1/displays/lobby-1", "", t, 405, "method-not-allowed"},
        {"GET", "/api/v1/displays/ghost", "", t, 404, "unknown-display"},
        {"GET", "/no/such/page", "", t, 404, "not-found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path + " " + c.body.substr(0, 40));
        Http http = Client();
        Reply reply;
        if (std::string(c.method) == "POST") {
            reply = http.Post(c.path, c.body, c.token);
        } else if (std::string(c.method) == "GET") {
            reply = http.Get(c.path);
        } else {
            reply = zoldtest::ToReply(http.Client().Delete(c.path));
        }
        EXPECT_EQ(reply.status, c.status) << reply.body;
        EXPECT_EQ(reply.json.value("error", ""), c.code) << reply.body;
        EXPECT_TRUE(reply.json.value("message", "").size() > 0);
        EXPECT_EQ(reply.body.find(zoldtest::kToken), std::string::npos);
    }
    EXPECT_EQ(Received(), 0U);
}

TEST_F(ZoldApi, MetricsPassPromtoolAndNameEveryDisplay) {
    const Reply reply = Client().Get("/metrics");
    ASSERT_EQ(reply.status, 200);
    EXPECT_EQ(reply.contentType.rfind("text/plain", 0), 0U);
    for (const char* line :
         {"zold_display_up{display=\"lobby-1\"} 1", "zold_display_power_on{display=\"lobby-2\"} 0",
          "zold_display_responding{display=\"nowhere\"} 0", "zold_errors_total{kind=\"bad-address\"}",
          "zold_command_rtt_seconds_count", "zold_sweep_duration_seconds"}) {
        EXPECT_NE(reply.body.find(line), std::string::npos) << line << "\n" << reply.body;
    }
    if (!std::filesystem::exists("/usr/bin/promtool")) {
        GTEST_SKIP() << "promtool is not installed";
    }
    Folder scratch("zold-api-metrics");
    const std::string file = scratch.Write("metrics.txt", reply.body);
    const std::string command = "/usr/bin/promtool check metrics < " + file + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) {
        output += chunk;
    }
    EXPECT_EQ(::pclose(pipe), 0) << output;
}

TEST_F(ZoldApi, ThePageIsServedFromTheBinary) {
    const Reply page = Client().Get("/");
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(page.contentType.rfind("text/html", 0), 0U);
    EXPECT_NE(page.body.find('<'), std::string::npos);
}

// A client that sends half a request and waits holds a server thread, never the polls: with more
// stalled clients than the server has threads, every display is still polled on time.
TEST(ZoldPolling, StalledClientsAndASilentDisplayDelayNoPoll) {
    Folder folder("zold-stalled");
    zolsim::FleetSimulator fleet;
    zolsim::FleetOptions options;
    options.silentEvery = 3;
    ASSERT_TRUE(fleet.StartTcpRange(kRangeFirst, kRangeLast, 1515, options));
    zold::ServiceConfig config;
    config.inventory = folder.Write("wall.toml", zoldtest::DisplayEntry("a", kRangeFirst) +
                                                     zoldtest::DisplayEntry("b", "127.0.110.21") +
                                                     zoldtest::DisplayEntry("silent", kSilent));
    config.listenHost = kListen;
    config.listenPort = 0;
    config.interval = std::chrono::milliseconds(200);
    zold::Service service(config);
    std::string error;
    ASSERT_TRUE(service.Start(&error)) << error;

    constexpr int kStalled = 24;
    std::vector<int> sockets;
    for (int i = 0; i < kStalled; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(service.Port());
        ::inet_pton(AF_INET, kListen, &address.sin_addr);
        ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        const char half[] = "GET /api/v1/displays HTTP/1.1\r\nHost: x\r\n";
        ASSERT_GT(::send(fd, half, sizeof half - 1, MSG_NOSIGNAL), 0);
        sockets.push_back(fd);
    }
    // Three seconds of polls every 200 ms: at every look the live displays were seen a few intervals ago
    // at most (a poller held up by the clients or the silent display would let their age grow past it).
    const std::size_t runsBefore = service.PollRuns();
    long long worstAgeMs = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (int look = 0; look < 300 && std::chrono::steady_clock::now() < end; ++look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (const char* name : {"a", "b"}) {
            const zold::DisplayState state = service.States().Find(name);
            if (state.lastSeen) {
                const auto age = std::chrono::system_clock::now() - *state.lastSeen;
                worstAgeMs = std::max<long long>(
                    worstAgeMs, std::chrono::duration_cast<std::chrono::milliseconds>(age).count());
            }
        }
    }
    EXPECT_TRUE(zoldtest::Polled(service, {"a", "b"}));
    EXPECT_LT(worstAgeMs, 1500);
    EXPECT_GE(service.PollRuns() - runsBefore, 5U);
    EXPECT_FALSE(service.States().Find("silent").responding);
    for (const int fd : sockets) {
        ::close(fd);
    }
    // Stopping cancels the silent display's run at once rather than waiting out its retries.
    const auto stopping = std::chrono::steady_clock::now();
    service.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(3));
    EXPECT_EQ(service.OpenConnections(), 0U);
}

} // namespace
