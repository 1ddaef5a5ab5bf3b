#include "platform/Pause.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace zol::platform {

namespace {
std::atomic<bool> g_instant{false};
std::atomic<std::uint64_t> g_pausedMs{0};
std::atomic<std::uint64_t> g_pauseCount{0};
} // namespace

void Pause(std::uint32_t milliseconds) {
    g_pausedMs.fetch_add(milliseconds, std::memory_order_relaxed);
    g_pauseCount.fetch_add(1, std::memory_order_relaxed);
    if (milliseconds == 0 || g_instant.load(std::memory_order_relaxed)) {
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool SetInstantPauses(bool instant) { return g_instant.exchange(instant); }

std::uint64_t PausedMsTotal() { return g_pausedMs.load(std::memory_order_relaxed); }

std::uint64_t PauseCount() { return g_pauseCount.load(std::memory_order_relaxed); }

std::uint64_t SteadyMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace zol::platform
