// Soak run of the fleet engine: repeated status sweeps over 64 simulated displays served by one fleet
// door, with seeded random faults on their replies, every sixteenth address refusing connections and a
// record whose address is not one. Every fifth sweep starts cold (the engine's idle connections closed
// first), and every tenth holds back one display's reply once, so the reply-wait road is walked too.
// Each display's result is checked against what its fault must give:
//   none, split reply, connection closed once, reply held back once -> ok, status 1;
//   refusal -> nak, status 0;  absent address -> refused;  no address -> bad-address.
// At the end it prints sweeps, faults, wrong results, and open descriptors and resident memory before
// and after; it fails on any wrong result or on growth beyond noise.
//
// Usage: soak_fleet [SWEEPS] [SEED]   (SWEEPS also from ZOL_SOAK_SWEEPS; default 300)

#include "LFDData.h"
#include "ProcessFigures.h"
#include "SmallQuarantine.h"
#include "ZOLConnection.h"
#include "ZOLFleet.h"
#include "platform/Pause.h"
#include "zolsim/FleetSimulator.h"

#include <unistd.h>

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

using ZOLFleet::ErrorKind;
using zolsim::FaultKind;

constexpr int kDisplays = 64;
constexpr std::size_t kAbsentEvery = 16;
constexpr double kFaultRate = 0.25;
constexpr long kRssNoiseKiB = 32 * 1024;

std::string Address(int display) {
    return "127.0.70." + std::to_string(1 + display);
}

struct Counters {
    long sweeps = 0;
    long results = 0;
    long faults = 0;
    long wrong = 0;
};

struct Expected {
    ErrorKind error = ErrorKind::Ok;
    unsigned int status = 1;
};

class FleetSoak {
public:
    explicit FleetSoak(unsigned seed) : m_random(seed) {
        m_options.absentEvery = kAbsentEvery;
        for (int i = 0; i < kDisplays; ++i) {
            auto record = std::make_unique<CLFDData>();
            record->SetAddress(Address(i));
            record->SetConnectionKind(1);
            record->SetDisplayId(1);
            m_records.push_back(std::move(record));
        }
        auto unaddressed = std::make_unique<CLFDData>();
        unaddressed->SetAddress("display-without-an-address");
        unaddressed->SetConnectionKind(1);
        unaddressed->SetDisplayId(1);
        m_records.push_back(std::move(unaddressed));
        for (const auto& record : m_records)
            m_pointers.push_back(record.get());
    }

    bool Start() { return m_fleet.StartTcpRange(Address(0), Address(kDisplays - 1), 1515, m_options); }

    void Sweep(long number, Counters& counters) {
        if (number % 5 == 0)
            m_engine.CloseIdleConnections();
        std::vector<Expected> expected(m_records.size());
        std::vector<bool> faulted(m_records.size(), false);
        for (int i = 0; i < kDisplays; ++i) {
            Expected& wanted = expected[static_cast<std::size_t>(i)];
            if (zolsim::RoleAt(m_options, static_cast<std::size_t>(i)) == zolsim::AddressRole::Absent) {
                wanted = {ErrorKind::Refused, 0};
                continue;
            }
            if (m_chance(m_random) >= kFaultRate)
                continue;
            const FaultKind kinds[] = {FaultKind::Split, FaultKind::Close, FaultKind::Nak};
            zolsim::Fault fault;
            fault.kind = kinds[m_random() % 3];
            fault.splitAt = 1 + m_random() % 6;
            fault.splitGapMs = 1;
            m_fleet.InjectFault(Address(i), fault);
            faulted[static_cast<std::size_t>(i)] = true;
            ++counters.faults;
            if (fault.kind == FaultKind::Nak)
                wanted = {ErrorKind::Nak, 0};
        }
        if (number % 10 == 0) {
            int held = static_cast<int>(m_random() % kDisplays);
            while (expected[static_cast<std::size_t>(held)].error != ErrorKind::Ok ||
                   faulted[static_cast<std::size_t>(held)])
                held = (held + 1) % kDisplays;
            zolsim::Fault drop;
            drop.kind = FaultKind::Drop;
            m_fleet.InjectFault(Address(held), drop);
            ++counters.faults;
        }
        expected.back() = {ErrorKind::BadAddress, 0};

        ZOLFleet::RunOptions options;
        options.retries = 2;
        std::vector<int> seen(m_records.size(), 0);
        m_engine.Run(
            m_pointers, ZOLFleet::Command::Execute(0x00),
            [&](const ZOLFleet::DisplayResult& result) {
                ++counters.results;
                const Expected& wanted = expected.at(result.index);
                ++seen.at(result.index);
                if (result.error != wanted.error || result.status != wanted.status) {
                    ++counters.wrong;
                    std::fprintf(stderr, "sweep %ld, display %zu: %s status %u, expected %s status %u\n",
                                 number, result.index, ZOLFleet::ErrorKindName(result.error), result.status,
                                 ZOLFleet::ErrorKindName(wanted.error), wanted.status);
                }
            },
            options);
        for (std::size_t i = 0; i < seen.size(); ++i) {
            if (seen[i] != 1) {
                ++counters.wrong;
                std::fprintf(stderr, "sweep %ld, display %zu reported %d times\n", number, i, seen[i]);
            }
        }
        ++counters.sweeps;
    }

    void Stop() { m_engine.CloseIdleConnections(); }

private:
    zolsim::FleetSimulator m_fleet;
    zolsim::FleetOptions m_options;
    ZOLFleet::Engine m_engine;
    std::vector<std::unique_ptr<CLFDData>> m_records;
    std::vector<ILFDData*> m_pointers;
    std::mt19937 m_random;
    std::uniform_real_distribution<double> m_chance{0.0, 1.0};
};

} // namespace

int main(int argc, char** argv) {
    long sweeps = 300;
    if (const char* fromEnvironment = std::getenv("ZOL_SOAK_SWEEPS"))
        sweeps = std::atol(fromEnvironment);
    if (argc > 1)
        sweeps = std::atol(argv[1]);
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 20261207u;
    zol::platform::SetInstantPauses(true);

    FleetSoak soak(seed);
    if (!soak.Start()) {
        std::fprintf(stderr, "cannot serve the fleet on %s-%s\n", Address(0).c_str(),
                     Address(kDisplays - 1).c_str());
        return 1;
    }
    // Warm-up sweeps open the connections, make the displays and fill the allocator's caches, so that
    // the figures before and after compare like with like.
    Counters warmUp;
    for (long sweep = 1; sweep <= 10; ++sweep)
        soak.Sweep(sweep, warmUp);
    const int descriptorsBefore = OpenDescriptors();
    const long residentBefore = ResidentKiB();

    Counters counters;
    for (long sweep = 1; sweep <= sweeps; ++sweep)
        soak.Sweep(sweep, counters);

    // The displays are served in this process: a server side whose client left closes a moment later
    // on the door's thread, so a descriptor still open right now need not be a leak.
    int descriptorsAfter = OpenDescriptors();
    for (int wait = 0; wait < 200 && descriptorsAfter > descriptorsBefore; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        descriptorsAfter = OpenDescriptors();
    }
    const long residentAfter = ResidentKiB();
    soak.Stop();

    std::printf("sweeps %ld, results %ld, faults injected %ld, wrong results %ld\n", counters.sweeps,
                counters.results, counters.faults, counters.wrong + warmUp.wrong);
    std::printf("descriptors before %d, after %d; resident memory before %ld KiB, after %ld KiB\n",
                descriptorsBefore, descriptorsAfter, residentBefore, residentAfter);
    const bool grew = descriptorsAfter > descriptorsBefore || residentAfter - residentBefore > kRssNoiseKiB;
    if (grew)
        std::printf("growth beyond noise\n");
    return counters.wrong + warmUp.wrong == 0 && !grew ? 0 : 1;
}
