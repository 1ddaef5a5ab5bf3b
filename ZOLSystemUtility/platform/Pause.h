#pragma once

#include <cstdint>
#include <functional>

namespace zol::platform {

// The protocol's fixed pauses (retry gaps, settling times, chunk and firmware pauses) all go through
// here, so that tests can make them instant and benchmarks can tell pause time from reply time.
// Waiting for bytes is not a pause: that ends when the bytes arrive (poll).
void Pause(std::uint32_t milliseconds);

// A pause that an event loop waits out itself, as a timer: counted like Pause, and its length returned
// (0 when pauses are instant, so that tests run a loop's gaps at once too). The test hook is not called.
std::uint32_t SchedulePause(std::uint32_t milliseconds);

// Makes every pause return at once (tests); returns the previous setting.
bool SetInstantPauses(bool instant);

// Tests only: a function called with every pause in place of sleeping (for example to let a simulated
// display catch up before the protocol moves on). An empty function removes it.
void SetPauseHook(std::function<void(std::uint32_t milliseconds)> hook);

// Milliseconds paused so far in this process (requested, even when pauses are instant), and how many.
std::uint64_t PausedMsTotal();
std::uint64_t PauseCount();

// A monotonic clock in milliseconds, for time-outs.
std::uint64_t SteadyMs();

} // namespace zol::platform
