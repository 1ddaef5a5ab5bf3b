// Faults of a display on a serial line (a pseudo-terminal served by the simulated display), and what the
// command handler's Execute makes of each. Every row is one query of the 0x12 setting (Value12) with one
// retry; the reply wait of 0x12 is W = 2000 ms.
//
// | fault                          | result | requests | why | time  |
// |--------------------------------|--------|----------|-----------------------------------------------------|-------|
// | reply split across writes      | 1      | 1        | the reader thread assembles the frame across reads
// | < 1 s | | checksum corrupted once        | 1      | 2        | a frame that does not check is never
// published      | ~W    | | garbage before the frame       | 1      | 2        | the burst forms no frame
// and is dropped; retry      | ~W    | | refusal (NAK)                  | 0      | 1        | a refusal
// matches and is not retried                | < 1 s | | line hung up                   | 0      | -        |
// nothing can come; the reader thread stops, no spin  | <= 2W |
//
// After a hang-up, once the host removes the connection and the line is back, the display works again.

#include "LFDData.h"
#include "VWDataAdapter.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>
#include <thread>

namespace {

using zolsim::Fault;
using zolsim::FaultKind;

constexpr unsigned char kValue12 = 0x12;

long long ElapsedMs(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

// CPU time the whole process used, in milliseconds.
double ProcessCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

Fault Make(FaultKind kind) {
    Fault fault;
    fault.kind = kind;
    fault.onlyCode = kValue12;
    return fault;
}

struct Row {
    const char* name;
    Fault fault;
    unsigned result;
    int requests;
    int maxMs;
};

class FaultSerial : public testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        ResetProcessWide();
        sim.AddDisplay(1).SetValue(kValue12, {42});
        path = sim.StartPty();
        ASSERT_FALSE(path.empty());
        handler = IZOLCommandHandlerFactory::CreateInstance();
        handler->SetProgressObserver(nullptr);
        handler->SetRetryCount(1);
        record.SetAddress(path);
        record.SetConnectionKind(0);
        record.SetDisplayId(1);
    }
    void TearDown() override {
        handler->SetRetryCount(4);
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(path);
    }

    int Value12Requests() const {
        int count = 0;
        for (const auto& request : sim.Requests())
            count += !request.relayHeader && request.code == kValue12 ? 1 : 0;
        return count;
    }

    zolsim::Simulator sim;
    std::string path;
    IZOLCommandHandler* handler = nullptr;
    CLFDData record;
};

TEST_P(FaultSerial, ExecuteEndsAsTheWaitsAndRetriesSay) {
    const Row& row = GetParam();
    ASSERT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 1u);
    sim.ClearLog();
    sim.InjectFault(row.fault);
    record.SetValue12(0);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), row.result);
    EXPECT_LE(ElapsedMs(start), row.maxMs);
    EXPECT_EQ(Value12Requests(), row.requests);
    if (row.result == 1u) {
        EXPECT_EQ(record.GetValue12(), 42);
    }
    // And the line goes on working.
    EXPECT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 1u);
}

Fault SplitAt(std::size_t at) {
    Fault fault = Make(FaultKind::Split);
    fault.splitAt = at;
    fault.splitGapMs = 10; // within the reader's silence limit: one burst in two reads
    return fault;
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultSerial,
                         testing::Values(Row{"split", SplitAt(4), 1, 1, 1000},
                                         Row{"corrupt", Make(FaultKind::CorruptChecksum), 1, 2, 3000},
                                         Row{"garbage", Make(FaultKind::GarbagePrefix), 1, 2, 3000},
                                         Row{"refusal", Make(FaultKind::Nak), 0, 1, 1000}),
                         [](const testing::TestParamInfo<Row>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(FaultSerial, HungUpLineFailsInBoundedTimeLeavesNoSpinningThreadAndComesBack) {
    ASSERT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 1u);
    sim.HangUpPty();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 0u);
    EXPECT_LE(ElapsedMs(start), 2 * 2000 + 500);

    // An idle process after the hang-up: a reader thread still polling a dead line would burn a core.
    const double cpuBefore = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LT(ProcessCpuMs() - cpuBefore, 100.0);

    // The host removes the connection; the line comes back; the display answers again.
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(path);
    path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    record.SetAddress(path);
    record.SetValue12(0);
    EXPECT_EQ(handler->Execute(&record, kValue12, 0, nullptr, nullptr, nullptr, true), 1u);
    EXPECT_EQ(record.GetValue12(), 42);
}

} // namespace
