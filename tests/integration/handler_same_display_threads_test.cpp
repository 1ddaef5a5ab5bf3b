// Eight host threads on ONE connection: the same record from two threads at once, and the four displays
// behind one relay address. Every caller must get its own reply - its display's ID, its command, its
// display's value - or a clean failure, never the reply another caller's request drew.
#include "LFDData.h"
#include "VWDataAdapter.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kAddress = "127.0.141.1";
constexpr int kDisplays = 4;       // relay targets 1..4 behind the one address
constexpr int kThreads = 8;        // two threads per display record
constexpr int kCommandsEach = 300; // 2,400 commands in all
// Replies that reach the wrong caller cost re-receive waits; the run stops here rather than hang.
constexpr std::chrono::seconds kBudget{60};
// Two queries the simulated displays answer with a value of their own, so a reply names its request.
constexpr std::array<unsigned char, 2> kCodes = {0x12, 0x24};

unsigned char ValueOf(int display, unsigned char code) {
    return static_cast<unsigned char>((code == 0x12 ? 10 : 30) + display);
}

struct Counts {
    std::atomic<int> commands{0};
    std::atomic<int> correct{0};
    std::atomic<int> wrong{0};  // a reply that was not for this caller's request
    std::atomic<int> failed{0}; // no reply: a clean failure
};

TEST(HandlerSameDisplayThreads, EachCallerGetsItsOwnReplyOrACleanFailure) {
    ResetProcessWide();
    zolsim::Simulator sim;
    std::vector<std::unique_ptr<CLFDData>> records;
    for (int display = 1; display <= kDisplays; ++display) {
        auto& model = sim.AddRelayedDisplay(1, static_cast<unsigned char>(display));
        for (const unsigned char code : kCodes) {
            model.SetValue(code, {ValueOf(display, code)});
        }
        auto record = std::make_unique<CLFDData>();
        record->SetAddress(kAddress);
        record->SetConnectionKind(1);
        record->SetDisplayId(1);
        record->SetRelayTarget(display);
        CVWDataAdapterCollection::Process().AddAdapter(kAddress).AddDisplay(display, record.get());
        records.push_back(std::move(record));
    }
    ASSERT_TRUE(sim.StartTcp(kAddress));

    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();
    Counts counts;
    const auto deadline = std::chrono::steady_clock::now() + kBudget;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const int display = t % kDisplays + 1;
            CLFDData* record = records[static_cast<std::size_t>(display - 1)].get();
            for (int i = 0; i < kCommandsEach && std::chrono::steady_clock::now() < deadline; ++i) {
                // The two threads of one record ask different things at the same moment.
                const unsigned char code = kCodes[static_cast<std::size_t>((i + t / kDisplays) % 2)];
                unsigned int length = 0;
                unsigned char* reply = handler->ExecuteWithReply(record, code, 0, nullptr, &length, true);
                ++counts.commands;
                // The relay's frame first, then the display's: AA FF ID 03 'A' CODE VALUE CHECKSUM.
                const unsigned char* own = length >= 8 ? reply + length - 8 : nullptr;
                if (reply == nullptr || length == 0) {
                    ++counts.failed;
                } else if (own != nullptr && own[2] == 1 && own[5] == code &&
                           own[6] == ValueOf(display, code)) {
                    ++counts.correct;
                } else {
                    ++counts.wrong;
                }
                std::free(reply);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::cout << "commands " << counts.commands << ", correct " << counts.correct << ", wrong "
              << counts.wrong << ", failed " << counts.failed << '\n';
    EXPECT_EQ(counts.commands.load(), kThreads * kCommandsEach);
    EXPECT_EQ(counts.wrong.load(), 0);
    EXPECT_EQ(counts.failed.load(), 0) << "a healthy display answers every request";
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kAddress);
    ResetProcessWide();
}

} // namespace
