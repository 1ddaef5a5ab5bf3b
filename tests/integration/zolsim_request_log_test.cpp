// The simulated display's request log: one line per request, as the display parsed it, on every front
// door, readable from the file while the display still runs.
// Addresses: 127.0.121.0 - 127.0.121.255.
#include "zolsim/FleetSimulator.h"
#include "zolsim/RawClient.h"
#include "zolsim/RequestLog.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using zolsim::Bytes;
using zolsim::RawClient;
using zolsim::RequestLog;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr const char* kAddress = "127.0.121.1";
constexpr const char* kTlsAddress = "127.0.121.2";
constexpr const char* kFleetFirst = "127.0.121.10";
constexpr const char* kFleetLast = "127.0.121.12"; // the third is silent

// A log file of its own per test, removed afterwards.
class LogFile {
public:
    LogFile()
        : m_path(fs::temp_directory_path() /
                 ("zolsim-request-log-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count))) {
        fs::remove(m_path);
    }
    ~LogFile() { fs::remove(m_path); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    std::string Path() const { return m_path.string(); }

    std::vector<std::string> Lines() const {
        std::ifstream in(m_path);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    // The lines once at least count are there, or what is there after timeoutMs.
    std::vector<std::string> WaitForLines(std::size_t count, int timeoutMs = 2000) const {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::vector<std::string> lines = Lines();
        while (lines.size() < count && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            lines = Lines();
        }
        return lines;
    }

private:
    static inline int s_count = 0;
    fs::path m_path;
};

std::shared_ptr<RequestLog> OpenLog(const LogFile& file) {
    std::string error;
    auto log = RequestLog::Open(file.Path(), error);
    EXPECT_TRUE(log) << error;
    return log;
}

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Display 1 on kAddress, writing to a log file of its own, and a client connected to it.
class LoggedDisplay : public testing::Test {
protected:
    void SetUp() override {
        sim.AddDisplay(1);
        sim.SetRequestLog(OpenLog(file));
        ASSERT_TRUE(sim.StartTcp(kAddress));
        ASSERT_TRUE(client.Connect(kAddress));
    }

    LogFile file;
    zolsim::Simulator sim;
    RawClient client;
};

struct LineRow {
    const char* name;
    std::vector<Bytes> writes; // each sent on its own, a short pause apart
    std::vector<std::string> lines;
};

TEST_F(LoggedDisplay, EveryParsedRequestIsOneLineAndNothingElseIs) {
    using zolsim::CompactRequest;
    using zolsim::FixedIdRequest;
    using zolsim::StandardRequest;
    const Bytes powerOff = StandardRequest(0x11, 1, {0x00});
    const std::string at = std::string(kAddress) + " ";
    const LineRow rows[] = {
        {"a set with one data byte", {powerOff}, {at + "1 0x11 00"}},
        {"a query without data, to the second ID", {StandardRequest(0x00, 2)}, {at + "2 0x00 -"}},
        {"several data bytes, upper-case hex",
         {StandardRequest(0x12, 1, {0xAB, 0x0C})},
         {at + "1 0x12 AB0C"}},
        {"a compact request names no ID", {CompactRequest(0x00)}, {at + "- 0x00 -"}},
        {"the fixed ID", {FixedIdRequest(0x00)}, {at + "247 0x00 -"}},
        {"a broadcast, answered by nobody", {StandardRequest(0x11, 0xFE, {0x01})}, {at + "254 0x11 01"}},
        {"an ID nobody answers as", {StandardRequest(0x00, 9)}, {at + "9 0x00 -"}},
        {"a relay header and the request behind it",
         {Joined({zolsim::RelayHeader(3, 0x00, 5), StandardRequest(0x00, 3)})},
         {at + "3 0xEE 0001000005", at + "3 0x00 -"}},
        {"two requests in one write keep their order",
         {Joined({StandardRequest(0x13, 1), StandardRequest(0x14, 2)})},
         {at + "1 0x13 -", at + "2 0x14 -"}},
        {"a request split over two writes is one line",
         {Bytes(powerOff.begin(), powerOff.begin() + 3), Bytes(powerOff.begin() + 3, powerOff.end())},
         {at + "1 0x11 00"}},
        {"bytes that start no frame are skipped",
         {Joined({{0x01, 0x02, 0x03}, powerOff})},
         {at + "1 0x11 00"}},
    };
    sim.AddDisplay(2);
    sim.AddRelayedDisplay(3, 5);
    std::size_t before = 0;
    for (const LineRow& row : rows) {
        SCOPED_TRACE(row.name);
        // A connection per row: a relay header arms its target for the rest of its connection.
        RawClient client;
        ASSERT_TRUE(client.Connect(kAddress));
        for (const Bytes& bytes : row.writes) {
            ASSERT_TRUE(client.Send(bytes));
            client.ReadUntilQuiet(30, 500);
        }
        const auto lines = file.WaitForLines(before + row.lines.size());
        ASSERT_GE(lines.size(), before);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(before), lines.end()),
                  row.lines);
        before = lines.size();
    }
}

// What one front door is, how a client reaches it, and the address its lines name.
struct DoorRow {
    const char* name;
    std::string address; // empty: the pseudo-terminal, named by its device path
    bool secured;
    bool fleet;
};

TEST(RequestLog, EveryFrontDoorWritesTheAddressTheRequestCameInOn) {
    LogFile file;
    const auto log = OpenLog(file);
    zolsim::Simulator plain;
    plain.SetRequestLog(log);
    plain.AddDisplay(1);
    ASSERT_TRUE(plain.StartTcp(kAddress));
    const std::string pty = plain.StartPty();
    ASSERT_FALSE(pty.empty());
    zolsim::Simulator secured;
    secured.SetRequestLog(log);
    secured.AddDisplay(1);
    ASSERT_TRUE(secured.EnableTls());
    ASSERT_TRUE(secured.StartTcp(kTlsAddress));
    zolsim::FleetSimulator fleet;
    zolsim::FleetOptions options;
    options.silentEvery = 3;
    ASSERT_TRUE(fleet.StartTcpRange(kFleetFirst, kFleetLast, 1515, options));
    fleet.SetRequestLog(log); // after the start: displays made later and silent ones write too

    const DoorRow rows[] = {
        {"plain TCP", kAddress, false, false},
        {"TLS", kTlsAddress, true, false},
        {"the pseudo-terminal", "", false, false},
        {"a fleet display", kFleetFirst, false, true},
        {"a silent fleet display", kFleetLast, false, true},
    };
    const Bytes request = zolsim::StandardRequest(0x11, 1, {0x00});
    std::size_t before = 0;
    for (const DoorRow& row : rows) {
        SCOPED_TRACE(row.name);
        RawClient client;
        if (row.address.empty()) {
            ASSERT_TRUE(client.OpenSerial(pty));
        } else {
            ASSERT_TRUE(client.Connect(row.address));
        }
        if (row.secured) {
            const std::string greeting = zolsim::kTlsGreeting;
            ASSERT_EQ(client.ReadExact(greeting.size()).size(), greeting.size());
            ASSERT_TRUE(client.StartTls(secured.Credentials().rootCertPem));
        }
        ASSERT_TRUE(client.Send(request));
        const auto lines = file.WaitForLines(before + 1);
        ASSERT_EQ(lines.size(), before + 1);
        EXPECT_EQ(lines.back(), (row.address.empty() ? pty : row.address) + " 1 0x11 00");
        before = lines.size();
    }
}

TEST_F(LoggedDisplay, TheLineIsInTheFileBeforeTheReplyLeaves) {
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(client.Send(zolsim::StandardRequest(0x00, 1)));
        ASSERT_FALSE(client.ReadExact(14).empty());
        EXPECT_EQ(file.Lines().size(), static_cast<std::size_t>(i) + 1);
    }
}

TEST(RequestLog, AnExistingFileIsAppendedToAndAnUnwritablePathIsRefused) {
    LogFile file;
    { std::ofstream(file.Path()) << "earlier line\n"; }
    const auto log = OpenLog(file);
    ASSERT_TRUE(log);
    zolsim::Request request;
    request.id = 1;
    log->Append(kAddress, request);
    EXPECT_EQ(file.Lines(), (std::vector<std::string>{"earlier line", std::string(kAddress) + " 1 0x00 -"}));

    std::string error;
    EXPECT_EQ(RequestLog::Open("/nonexistent-directory/requests.log", error), nullptr);
    EXPECT_NE(error.find("/nonexistent-directory/requests.log"), std::string::npos) << error;
}

} // namespace
