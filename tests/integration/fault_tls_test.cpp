// A secured display whose TLS handshake stalls, through the command handler's Execute with one retry.
// The client gives a handshake up after its read attempts (H = 10 x 500 ms) and reports connect status 2.
//
// | fault                      | result | connect status | why                                          |
// time    |
// |----------------------------|--------|----------------|----------------------------------------------|---------|
// | handshake stalled once     | 1      | 1              | the retry connects again and the session     | ~H
// | |                            |        |                | starts                                       | |
// | handshake stalled twice    | 0      | 2              | no session within the retries; the next      | ~2H
// | |                            |        |                | command opens one and succeeds               | |

#include "LFDData.h"
#include "TrustStore.h"
#include "VWDataAdapter.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "zolsim/Simulator.h"
#include "zolsim/Tls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr unsigned char kValue12 = 0x12;
constexpr int kHandshakeGiveUpMs = 10 * 500;

zoltest::TrustStore* g_store = zoltest::TrustStore::Register("zol-fault-tls");

struct Row {
    const char* name;
    const char* address;
    int stalls;
    unsigned result;
    int connectStatus;
    int minMs;
    int maxMs;
};

class FaultTls : public testing::TestWithParam<Row> {};

TEST_P(FaultTls, StalledHandshakeEndsAsTheRetriesSay) {
    const Row& row = GetParam();
    ResetProcessWide();
    zolsim::Simulator sim;
    sim.AddDisplay(1).SetValue(kValue12, {17});
    ASSERT_TRUE(sim.EnableTls(g_store->Issued()));
    ASSERT_TRUE(sim.StartTcp(row.address));
    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();
    handler->SetProgressObserver(nullptr);
    handler->SetRetryCount(1);
    CLFDData record;
    record.SetAddress(row.address);
    record.SetConnectionKind(1);
    record.SetDisplayId(1);
    record.SetConnectionParameter("1234");

    zolsim::Fault stall;
    stall.kind = zolsim::FaultKind::StallHandshake;
    stall.times = row.stalls;
    sim.InjectFault(stall);

    int connectStatus = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, &connectStatus, true), row.result);
    const auto tookMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    EXPECT_EQ(connectStatus, row.connectStatus);
    EXPECT_GE(tookMs, row.minMs - 100);
    EXPECT_LE(tookMs, row.maxMs);

    // The next command, with no stall left, has its session.
    sim.ClearFaults();
    record.SetValue12(0);
    EXPECT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 1u);
    EXPECT_EQ(record.GetValue12(), 17);

    handler->SetRetryCount(4);
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(row.address);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FaultTls,
    testing::Values(Row{"once", "127.0.12.41", 1, 1, 1, kHandshakeGiveUpMs, kHandshakeGiveUpMs + 2000},
                    Row{"twice", "127.0.12.42", 2, 0, 2, 2 * kHandshakeGiveUpMs,
                        2 * kHandshakeGiveUpMs + 2000}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
