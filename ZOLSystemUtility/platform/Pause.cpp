#include "platform/Pause.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace zol::platform {

namespace {
std::atomic<bool> g_instant{false};
std::atomic<std::uint64_t> g_pausedMs{0};
std::atomic<std::uint64_t> g_pauseCount{0};
std::mutex g_hookLock;
std::function<void(std::uint32_t)> g_hook; // guarded by g_hookLock
std::atomic<bool> g_hasHook{false};
} // namespace

void Pause(std::uint32_t milliseconds) {
    g_pausedMs.fetch_add(milliseconds, std::memory_order_relaxed);
    g_pauseCount.fetch_add(1, std::memory_order_relaxed);
    if (g_hasHook.load(std::memory_order_acquire)) {
        std::function<void(std::uint32_t)> hook;
        {
            std::lock_guard lock(g_hookLock);
            hook = g_hook;
        }
        if (hook) {
            hook(milliseconds);
            return;
        }
    }
    if (milliseconds == 0 || g_instant.load(std::memory_order_relaxed)) {
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::uint32_t SchedulePause(std::uint32_t milliseconds) {
    g_pausedMs.fetch_add(milliseconds, std::memory_order_relaxed);
    g_pauseCount.fetch_add(1, std::memory_order_relaxed);
    return g_instant.load(std::memory_order_relaxed) ? 0 : milliseconds;
}

bool SetInstantPauses(bool instant) { return g_instant.exchange(instant); }

void SetPauseHook(std::function<void(std::uint32_t)> hook) {
    std::lock_guard lock(g_hookLock);
    g_hasHook.store(static_cast<bool>(hook), std::memory_order_release);
    g_hook = std::move(hook);
}

std::uint64_t PausedMsTotal() { return g_pausedMs.load(std::memory_order_relaxed); }

std::uint64_t PauseCount() { return g_pauseCount.load(std::memory_order_relaxed); }

std::uint64_t SteadyMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace zol::platform
