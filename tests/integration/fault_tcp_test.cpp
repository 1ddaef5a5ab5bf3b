// Faults of a display on TCP, injected by the simulated display, and what the command handler's Execute
// makes of each. Every row is one query of the 0x12 setting (Value12) with one retry; the reply wait of
// 0x12 is W = 2000 ms and a reply that does not match is waited for once more for R = 3000 ms.
//
// | fault                                | result | requests | why | time      |
// |--------------------------------------|--------|----------|---------------------------------------------------|-----------|
// | reply dropped once                   | 1      | 2        | nothing came: the retry's reply matches | ~W |
// | display vanished (every reply lost)  | 0      | 2        | a failure once the retries are used up | ~2W |
// | reply delayed past the wait          | 1      | 2        | the late reply arrives during the retry's wait
// | ~W + 0.6s | | reply split across writes            | 1      | 1        | the pieces are read on until the
// frame is whole   | < 1 s     | | checksum corrupted once              | 1      | 2        | a frame that
// does not check is no reply           | < 1 s     | | checksum always corrupted            | 0      | 2 | no
// reply ever checks                              | < 1 s     | | garbage before the frame             | 1 | 2
// | the bytes do not start a reply: wait, then retry  | ~W        | | another display's ID once            |
// 1      | 2        | no match: one more wait R, then the retry matches | ~R        | | refusal (NAK) | 0 | 1
// | a refusal matches and is not retried              | < 1 s     | | connection closed instead of a reply |
// 1      | 2        | the retry re-opens the connection                 | < 1 s     | | connection closed on
// every request   | 0      | 2        | a failure; the next command re-opens and succeeds | < 1 s     | |
// reset right after the greeting       | 1      | 1        | the send meets a closed connection; the retry |
// < 1 s     | |                                      |        |          | re-opens it |           | |
// connection refused (nobody listens)  | 0      | 0        | nothing to send to | < 1 s     |
//
// After every row the next command succeeds (re-opening the connection where the fault closed it), and
// once the pooled connection is removed no descriptor is left open.

#include "LFDData.h"
#include "VWDataAdapter.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using zolsim::Fault;
using zolsim::FaultKind;

constexpr const char* kAddress = "127.0.12.1";
constexpr const char* kNobody = "127.0.12.2"; // nothing listens here
constexpr unsigned char kValue12 = 0x12;

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

Fault Make(FaultKind kind, int times = 1) {
    Fault fault;
    fault.kind = kind;
    fault.times = times;
    fault.onlyCode = kValue12;
    return fault;
}

Fault Delayed(int ms) {
    Fault fault = Make(FaultKind::Delay);
    fault.delayMs = ms;
    return fault;
}

Fault SplitAt(std::size_t at) {
    Fault fault = Make(FaultKind::Split);
    fault.splitAt = at;
    fault.splitGapMs = 150;
    return fault;
}

Fault OtherId() {
    Fault fault = Make(FaultKind::WrongId);
    fault.otherId = 2;
    return fault;
}

struct Row {
    const char* name;
    std::vector<Fault> faults;
    unsigned result;
    int requests;
    int minMs; // the documented waits the fault costs at least
    int maxMs;
    std::function<void(zolsim::Simulator&)> before = {}; // something to do to the display first
    const char* address = kAddress;
};

std::vector<Row> Rows() {
    constexpr int W = 2000;
    constexpr int R = 3000;
    return {
        {"dropped once", {Make(FaultKind::Drop)}, 1, 2, W, W + 1000},
        {"display vanished", {Make(FaultKind::Drop, 2)}, 0, 2, 2 * W, 2 * W + 1000},
        {"delayed past the wait", {Delayed(W + 600)}, 1, 2, W + 600, 2 * W},
        {"split across writes", {SplitAt(3)}, 1, 1, 150, 1000},
        {"split behind the header", {SplitAt(6)}, 1, 1, 150, 1000},
        {"checksum corrupted once", {Make(FaultKind::CorruptChecksum)}, 1, 2, 0, 1000},
        {"checksum always corrupted", {Make(FaultKind::CorruptChecksum, 2)}, 0, 2, 0, 1000},
        {"garbage before the frame", {Make(FaultKind::GarbagePrefix)}, 1, 2, W, W + 1000},
        {"another display's ID", {OtherId()}, 1, 2, R, R + 1000},
        {"refusal", {Make(FaultKind::Nak)}, 0, 1, 0, 1000},
        {"closed instead of a reply", {Make(FaultKind::Close)}, 1, 2, 0, 1000},
        {"closed on every request", {Make(FaultKind::Close, 2)}, 0, 2, 0, 1000},
        {"reset right after the greeting",
         {},
         1,
         1,
         0,
         1000,
         [](zolsim::Simulator& sim) { sim.DropConnections(); }},
        {"connection refused", {}, 0, 0, 0, 1000, {}, kNobody},
    };
}

class FaultTcp : public testing::TestWithParam<Row> {
protected:
    static void SetUpTestSuite() {
        sim = new zolsim::Simulator();
        sim->AddDisplay(1).SetValue(kValue12, {21});
        sim->SetGreeting(zolsim::kPlainGreeting);
        ASSERT_TRUE(sim->StartTcp(kAddress));
    }
    static void TearDownTestSuite() {
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kAddress);
        delete sim;
        sim = nullptr;
    }
    void SetUp() override {
        ResetProcessWide();
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kAddress);
        sim->ClearFaults();
        handler = IZOLCommandHandlerFactory::CreateInstance();
        handler->SetProgressObserver(nullptr);
        handler->SetRetryCount(1);
    }
    void TearDown() override { handler->SetRetryCount(4); }

    static int Value12Requests() {
        int count = 0;
        for (const auto& request : sim->Requests())
            count += !request.relayHeader && request.code == kValue12 ? 1 : 0;
        return count;
    }

    static CLFDData Record(const char* address) {
        CLFDData record;
        record.SetAddress(address);
        record.SetConnectionKind(1);
        record.SetDisplayId(1);
        return record;
    }

    static zolsim::Simulator* sim;
    IZOLCommandHandler* handler = nullptr;
};

zolsim::Simulator* FaultTcp::sim = nullptr;

TEST_P(FaultTcp, ExecuteEndsAsTheWaitsAndRetriesSay) {
    const Row& row = GetParam();
    const int descriptorsBefore = OpenDescriptors();
    CLFDData record = Record(row.address);

    // An open connection first, so that the fault meets a display that was working.
    if (std::string(row.address) == kAddress) {
        ASSERT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 1u);
    }
    if (row.before)
        row.before(*sim);
    sim->ClearLog();
    for (const Fault& fault : row.faults)
        sim->InjectFault(fault);
    record.SetValue12(0);

    const auto start = std::chrono::steady_clock::now();
    const unsigned result = handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true);
    const auto tookMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();

    EXPECT_EQ(result, row.result);
    // A display busy holding a reply back reads the retry only afterwards: give it the time to.
    sim->WaitForRequests(static_cast<std::size_t>(row.requests), 1500);
    EXPECT_EQ(Value12Requests(), row.requests);
    EXPECT_GE(tookMs, row.minMs - 50);
    EXPECT_LE(tookMs, row.maxMs);
    if (row.result == 1u) {
        EXPECT_EQ(record.GetValue12(), 21);
    }

    // The next command, with the fault gone, succeeds (re-opening the connection if the fault closed it).
    if (std::string(row.address) == kAddress) {
        // A reply the fault held back may still be on its way: let it land before the next request.
        std::this_thread::sleep_for(std::chrono::milliseconds(row.faults.empty() ? 0 : 700));
        sim->ClearFaults();
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kAddress);
        record.SetValue12(0);
        EXPECT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 1u);
        EXPECT_EQ(record.GetValue12(), 21);
    }

    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(row.address);
    sim->DropConnections();
    int descriptorsAfter = OpenDescriptors();
    for (int i = 0; i < 50 && descriptorsAfter > descriptorsBefore; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        descriptorsAfter = OpenDescriptors();
    }
    EXPECT_LE(descriptorsAfter, descriptorsBefore);
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultTcp, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST_F(FaultTcp, NextCommandAfterTheDisplayClosedReopensTheSameConnection) {
    CLFDData record = Record(kAddress);
    ASSERT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 1u);
    const int accepted = sim->AcceptedConnections();
    sim->InjectFault(Make(FaultKind::Close, 2));
    EXPECT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 0u);
    // The pool entry stays; the command after the fault opens it again instead of failing for good.
    EXPECT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 1u);
    EXPECT_GT(sim->AcceptedConnections(), accepted + 1);
}

} // namespace
