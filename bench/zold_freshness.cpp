// How fresh zold keeps a wall's state: 1,000 displays (a zolsim process of its own), every tenth silent,
// polled every second. For a while, every 100 ms, the age of every answering display's last answer is
// taken; printed are the p99 and the largest, against the target of the interval plus one second. A
// silent display must hold back only itself, so its waits and retries show in no live display's age.
//
// Addresses: displays 127.0.114.0 - 127.0.117.231, the service on 127.0.118.1.
// `bench_zold_freshness [--seconds N]`; zolsim is $ZOLSIM, else the one built beside the benchmark.

#include "support/AlternatingRounds.h"
#include "support/ZoldWall.h"

#include <cstdlib>
#include <thread>

namespace {

constexpr std::size_t kDisplays = 1000;
constexpr std::size_t kSilentEvery = 10;
constexpr auto kInterval = std::chrono::seconds(1);
constexpr double kTargetMs = 2000; // the interval plus one second

bool Silent(std::size_t index) {
    return index % kSilentEvery == kSilentEvery - 1;
}

} // namespace

int main(int argc, char** argv) {
    int seconds = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--seconds") {
            seconds = std::max(2, std::atoi(argv[i + 1]));
        }
    }
    bench::ZoldWall wall(kDisplays, kSilentEvery, kInterval);
    if (const std::string error = wall.Start(); !error.empty()) {
        std::fprintf(stderr, "bench_zold_freshness: %s\n", error.c_str());
        return 1;
    }
    // The first round opens 1,000 connections; the figures start once every live display answered.
    const zold::StateTable& states = wall.Service().States();
    auto answered = [&] {
        std::size_t count = 0;
        for (std::size_t i = 0; i < kDisplays; ++i) {
            count += !Silent(i) && states.Find("d" + std::to_string(i)).lastSeen ? 1 : 0;
        }
        return count;
    };
    const std::size_t live = kDisplays - kDisplays / kSilentEvery;
    for (int look = 0; look < 600 && answered() < live; ++look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (answered() < live) {
        std::fprintf(stderr, "bench_zold_freshness: only %zu of %zu live displays answered\n", answered(),
                     live);
        return 1;
    }
    std::vector<double> ages;
    std::size_t lost = 0; // looks at a live display that no longer answered
    const auto end = bench::Clock::now() + std::chrono::seconds(seconds);
    for (int look = 0; look < seconds * 10 && bench::Clock::now() < end; ++look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto all = states.All();
        const auto now = std::chrono::system_clock::now();
        for (std::size_t i = 0; i < kDisplays; ++i) {
            if (Silent(i)) {
                continue;
            }
            const auto found = all.find("d" + std::to_string(i));
            if (found == all.end() || !found->second.lastSeen || !found->second.responding) {
                ++lost;
                continue;
            }
            ages.push_back(std::chrono::duration<double, std::milli>(now - *found->second.lastSeen).count());
        }
    }
    const double p99 = bench::Percentile(ages, 0.99);
    const double largest = ages.empty() ? 0 : *std::max_element(ages.begin(), ages.end());
    std::printf("zold state freshness, %zu displays (every %zuth silent), %lld s interval, %d s watched:\n"
                "  age of a live display's state: median %.0f ms, p99 %.0f ms, max %.0f ms "
                "(target <= %.0f ms): %s\n"
                "  %zu looks, %zu at a live display that was not answering; %zu poll runs\n",
                kDisplays, kSilentEvery, static_cast<long long>(kInterval.count()), seconds,
                bench::Percentile(ages, 0.5), p99, largest, kTargetMs,
                largest <= kTargetMs && lost == 0 ? "met" : "MISSED", ages.size() + lost, lost,
                wall.Service().PollRuns());
    return 0;
}
