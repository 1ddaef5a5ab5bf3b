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
    /// A new, unlocked lock: lock state is never copied.
    ZOLCriticalSection(const ZOLCriticalSection&) noexcept {}
    /// Leaves this lock as it is: lock state is never copied.
    ZOLCriticalSection& operator=(const ZOLCriticalSection&) noexcept { return *this; }
    ~ZOLCriticalSection() = default;

    /// Locks, waiting while another thread holds the lock.
    void Enter() { m_mutex.lock(); }
    /// Unlocks; only the thread that locked may.
    void Leave() { m_mutex.unlock(); }
    /// Locks when free; false, without waiting, when held.
    bool TryEnter() { return m_mutex.try_lock(); }

    /// Lockable, so std::lock_guard and std::scoped_lock work with it.
    void lock() { Enter(); }
    void unlock() { Leave(); }             ///< Leave().
    bool try_lock() { return TryEnter(); } ///< TryEnter().

private:
    std::mutex m_mutex;
};
