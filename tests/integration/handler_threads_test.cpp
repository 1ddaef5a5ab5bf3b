// Several threads driving different displays through the one handler: each reply's relay target is
// kept for that reply alone, so no thread's replies end up in another thread's display.

#include "LFDData.h"
#include "VWDataAdapter.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 40;

std::string AddressOf(int thread) {
    return "127.0.3." + std::to_string(40 + thread);
}

TEST(HandlerThreads, RelayedRepliesStayWithTheirOwnDisplay) {
    ResetProcessWide();
    zolsim::Simulator sim;
    std::vector<std::unique_ptr<CLFDData>> records;
    for (int t = 1; t <= kThreads; ++t) {
        sim.AddRelayedDisplay(1, static_cast<unsigned char>(t))
            .SetValue(0x12, {static_cast<unsigned char>(10 + t)});
        ASSERT_TRUE(sim.StartTcp(AddressOf(t)));
        auto record = std::make_unique<CLFDData>();
        record->SetAddress(AddressOf(t));
        record->SetConnectionKind(1);
        record->SetDisplayId(1);
        record->SetRelayTarget(t);
        // Behind each address only this display: a frame routed to any other relay target is dropped.
        CVWDataAdapterCollection::Process().AddAdapter(AddressOf(t)).AddDisplay(1, record.get());
        records.push_back(std::move(record));
    }
    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CLFDData& record = *records[static_cast<std::size_t>(t)];
            for (int round = 0; round < kRounds; ++round) {
                record.SetValue12(0);
                if (handler->Execute(&record, 0x12, 0, nullptr, nullptr, nullptr, true) != 1 ||
                    record.GetValue12() != 11 + t) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    for (int t = 1; t <= kThreads; ++t) {
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(AddressOf(t));
    }
    ResetProcessWide();
}

} // namespace
