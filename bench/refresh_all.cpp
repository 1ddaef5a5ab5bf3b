// What a full refresh of one display costs over loopback against the simulated display.
//
//   BM_RefreshAll   ICommunicationHelperExtended::RefreshAll(0): wall time per refresh, the requests it
//                   sent, and how the time splits between the protocol's fixed pauses
//                   (zol::platform::PausedMsTotal) and waiting for replies (everything else).

#include "CommunicationHelperExtended.h"
#include "LFDData.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "platform/Pause.h"
#include "zolsim/Simulator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr const char* kAddress = "127.0.4.10";

zolsim::Simulator& Display() {
    static zolsim::Simulator* sim = [] {
        auto* s = new zolsim::Simulator();
        s->AddDisplay(1).SetPower(true);
        if (!s->StartTcp(kAddress)) {
            std::fprintf(stderr, "cannot listen on %s\n", kAddress);
        }
        return s;
    }();
    return *sim;
}

void BM_RefreshAll(benchmark::State& state) {
    zolsim::Simulator& sim = Display();
    CLFDData record;
    record.SetAddress(kAddress);
    record.SetConnectionKind(1);
    record.SetDisplayId(1);
    ICommunicationHelperExtended* helper = ICommunicationHelperExtendedFactory::CreateInstance(&record);
    helper->RefreshAll(0); // opens the pooled connection outside the measurement

    double wallMs = 0;
    double pausedMs = 0;
    double requests = 0;
    for (auto _ : state) {
        sim.ClearLog();
        const auto pausedBefore = zol::platform::PausedMsTotal();
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(helper->RefreshAll(0));
        const auto end = std::chrono::steady_clock::now();
        wallMs += std::chrono::duration<double, std::milli>(end - start).count();
        pausedMs += static_cast<double>(zol::platform::PausedMsTotal() - pausedBefore);
        requests += static_cast<double>(sim.Requests().size());
    }
    helper->Release();

    const double n = static_cast<double>(state.iterations());
    state.counters["wall_ms"] = wallMs / n;
    state.counters["requests"] = requests / n;
    state.counters["paused_ms"] = pausedMs / n;
    state.counters["waiting_ms"] = (wallMs - pausedMs) / n;
    state.counters["paused_share"] = wallMs > 0 ? pausedMs / wallMs : 0;
    std::printf("RefreshAll: %.1f ms, %.0f requests, %.1f ms in fixed pauses, %.1f ms waiting for replies\n",
                wallMs / n, requests / n, pausedMs / n, (wallMs - pausedMs) / n);
}
BENCHMARK(BM_RefreshAll)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kAddress);
    benchmark::Shutdown();
    return 0;
}
