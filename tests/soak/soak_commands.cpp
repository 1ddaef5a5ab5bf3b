// Soak run: commands across 16 simulated displays from 8 threads, with seeded random faults on the
// displays' replies. Each thread owns two displays (commands to one display are not run concurrently) and
// repeats: set the 0x12 setting (Value12) to a random value from 0 to 100, then query it with perhaps a
// fault injected into the query's reply.
// Every result is checked against what the fault must give:
//   none, split reply, checksum corrupted once, connection closed once -> 1 and the value just set;
//   refusal -> 0 and the record keeps what it held.
// At the end it prints commands, faults, wrong results, and open descriptors and resident memory before
// and after; it fails on any wrong result or on growth beyond noise.
//
// Usage: soak_commands [COMMANDS] [SEED]   (COMMANDS also from ZOL_SOAK_COMMANDS; default 100000)

#include "LFDData.h"
#include "ProcessFigures.h"
#include "SmallQuarantine.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "platform/Pause.h"
#include "zolsim/Simulator.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using soak::OpenDescriptors;
using soak::ResidentKiB;

using zolsim::Fault;
using zolsim::FaultKind;

constexpr int kDisplays = 16;
constexpr int kThreads = 8;
constexpr unsigned char kValue12 = 0x12;
constexpr double kFaultRate = 0.2;
constexpr long kRssNoiseKiB = 32 * 1024;

std::string Address(int display) {
    return "127.0.12." + std::to_string(100 + display);
}

struct Counters {
    std::atomic<long> commands{0};
    std::atomic<long> faults{0};
    std::atomic<long> wrong{0};
};

struct Display {
    std::unique_ptr<zolsim::Simulator> sim;
    CLFDData record;
};

void Drive(std::vector<Display>& displays, int thread, long commands, unsigned seed, Counters& counters) {
    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();
    std::mt19937 random(seed + static_cast<unsigned>(thread));
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    const FaultKind kinds[] = {FaultKind::Split, FaultKind::CorruptChecksum, FaultKind::Close,
                               FaultKind::Nak};
    for (long done = 0; done < commands; done += 2) {
        const int index = 2 * thread + static_cast<int>((done / 2) % 2);
        Display& display = displays[static_cast<std::size_t>(index)];
        const auto value = static_cast<unsigned char>(random() % 101);
        if (handler->Execute(&display.record, kValue12, 1, &value, nullptr, nullptr, true) != 1u) {
            ++counters.wrong;
            std::fprintf(stderr, "set of %d on %s failed\n", value, Address(index).c_str());
        }

        FaultKind kind = FaultKind::None;
        if (chance(random) < kFaultRate) {
            kind = kinds[random() % 4];
            Fault fault;
            fault.kind = kind;
            fault.splitAt = 1 + random() % 6;
            fault.splitGapMs = 1;
            display.sim->InjectFault(fault);
            ++counters.faults;
        }
        display.record.SetValue12(-1);
        const unsigned result =
            handler->Execute(&display.record, kValue12, 0, nullptr, nullptr, nullptr, true);
        const bool refused = kind == FaultKind::Nak;
        const bool right = refused ? (result == 0u && display.record.GetValue12() == -1)
                                   : (result == 1u && display.record.GetValue12() == value);
        if (!right) {
            ++counters.wrong;
            std::fprintf(stderr, "query on %s after fault %d: result %u, value %d, expected %d\n",
                         Address(index).c_str(), static_cast<int>(kind), result, display.record.GetValue12(),
                         value);
        }
        display.sim->ClearFaults();
        display.sim->ClearLog(); // the display keeps every request and reply until told otherwise
        counters.commands += 2;
    }
}

} // namespace

int main(int argc, char** argv) {
    long commands = 100000;
    if (const char* fromEnvironment = std::getenv("ZOL_SOAK_COMMANDS"))
        commands = std::atol(fromEnvironment);
    if (argc > 1)
        commands = std::atol(argv[1]);
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 20261206u;
    zol::platform::SetInstantPauses(true);

    std::vector<Display> displays(kDisplays);
    for (int i = 0; i < kDisplays; ++i) {
        displays[static_cast<std::size_t>(i)].sim = std::make_unique<zolsim::Simulator>();
        displays[static_cast<std::size_t>(i)].sim->AddDisplay(1);
        if (!displays[static_cast<std::size_t>(i)].sim->StartTcp(Address(i))) {
            std::fprintf(stderr, "cannot listen on %s\n", Address(i).c_str());
            return 1;
        }
        CLFDData& record = displays[static_cast<std::size_t>(i)].record;
        record.SetAddress(Address(i));
        record.SetConnectionKind(1);
        record.SetDisplayId(1);
    }
    IZOLCommandHandlerFactory::CreateInstance()->SetRetryCount(2);

    // A warm-up round opens every connection and fills the allocator's caches, so that the figures
    // before and after compare like with like.
    Counters warmUp;
    {
        const long warmUpPerThread = (std::max(commands / 10, 800L) / kThreads + 1) & ~1L;
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back(Drive, std::ref(displays), t, warmUpPerThread, seed + 1000,
                                 std::ref(warmUp));
        for (auto& thread : threads)
            thread.join();
    }
    const int descriptorsBefore = OpenDescriptors();
    const long residentBefore = ResidentKiB();

    Counters counters;
    const long perThread = (commands / kThreads + 1) & ~1L;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(Drive, std::ref(displays), t, perThread, seed, std::ref(counters));
    for (auto& thread : threads)
        thread.join();

    // The simulated displays run in this process: a server socket whose client left closes on its
    // serving thread a moment later, so a descriptor still open right now need not be a leak.
    int descriptorsAfter = OpenDescriptors();
    for (int wait = 0; wait < 200 && descriptorsAfter > descriptorsBefore; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        descriptorsAfter = OpenDescriptors();
    }
    const long residentAfter = ResidentKiB();
    for (int i = 0; i < kDisplays; ++i)
        displays[static_cast<std::size_t>(i)].sim->ClearFaults();

    std::printf("commands %ld, faults injected %ld, wrong results %ld\n", counters.commands.load(),
                counters.faults.load(), counters.wrong.load() + warmUp.wrong.load());
    std::printf("descriptors before %d, after %d; resident memory before %ld KiB, after %ld KiB\n",
                descriptorsBefore, descriptorsAfter, residentBefore, residentAfter);

    IZOLConnectionPoolFactory::CreateInstance()->RemoveAllConnections();
    const bool grew = descriptorsAfter > descriptorsBefore || residentAfter - residentBefore > kRssNoiseKiB;
    if (grew)
        std::printf("growth beyond noise\n");
    return counters.wrong.load() + warmUp.wrong.load() == 0 && !grew ? 0 : 1;
}
