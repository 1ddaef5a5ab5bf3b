// CPU time of a process that holds 32 open serial connections (pseudo-terminals) on an idle line for
// 5 s: each connection's reader thread must sleep until bytes arrive.
#include "transport/SerialConnection.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kConnections = 32;

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double g_percentOfCore = -1;

void BM_IdleSerialConnections(benchmark::State& state) {
    std::vector<int> masters;
    std::vector<std::unique_ptr<CZOLSerialConnection>> connections;
    for (int i = 0; i < kConnections; ++i) {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            state.SkipWithError("no pseudo-terminal");
            return;
        }
        masters.push_back(master);
        auto connection = std::make_unique<CZOLSerialConnection>();
        connection->SetAddress(ptsname(master));
        if (!connection->Connect(nullptr)) {
            state.SkipWithError("open failed");
            return;
        }
        connections.push_back(std::move(connection));
    }
    const double seconds = static_cast<double>(state.range(0));
    for (auto _ : state) {
        const double cpuBefore = ProcessCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        g_percentOfCore = 100.0 * (ProcessCpuSeconds() - cpuBefore) / wall;
        state.counters["cpu_percent_of_core"] = g_percentOfCore;
    }
    for (auto& connection : connections) {
        connection->Close();
        connection->ReleaseResources();
    }
    for (int master : masters)
        ::close(master);
}

BENCHMARK(BM_IdleSerialConnections)->Arg(5)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n%d idle serial connections: %.3f%% of one core (target: under 1%%)\n", kConnections,
                g_percentOfCore);
    return 0;
}
