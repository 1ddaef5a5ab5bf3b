#pragma once

/// \file
/// Small platform types that appear in the exported headers.

#include <mutex>

/// The lock behind the pool factory's exported critical section. It behaves like a process-local mutex
/// that can be "initialised" by assignment from a freshly made one: copying never copies lock state, so
/// the library can initialise the exported member from a returned value at load time.
class ZOLCriticalSection {
public:
    ZOLCriticalSection() noexcept = default;
    ZOLCriticalSection(const ZOLCriticalSection&) noexcept {}
    ZOLCriticalSection& operator=(const ZOLCriticalSection&) noexcept { return *this; }
    ~ZOLCriticalSection() = default;

    void Enter() { m_mutex.lock(); }
    void Leave() { m_mutex.unlock(); }
    bool TryEnter() { return m_mutex.try_lock(); }

    /// Lockable, so std::lock_guard and std::scoped_lock work with it.
    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

private:
    std::mutex m_mutex;
};
