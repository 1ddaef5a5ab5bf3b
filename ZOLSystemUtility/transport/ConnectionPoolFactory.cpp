#include <atomic>
#include <mutex>

#include "ZOLConnection.h"
#include "transport/ConnectionPool.h"

namespace {

// The single pool. Read without the lock on the fast road, so it is atomic.
std::atomic<IZOLConnectionPool*> g_pool{nullptr};

} // namespace

ZOLCriticalSection IZOLConnectionPoolFactory::m_CONNPOOLFACTORY_CRITICAL_SECTION =
    IZOLConnectionPoolFactory::InitCriticalSection();

ZOLCriticalSection IZOLConnectionPoolFactory::InitCriticalSection() {
    // A copy of a critical section is a fresh, unlocked one: what is returned initialises the member.
    return ZOLCriticalSection{};
}

IZOLConnectionPool* IZOLConnectionPoolFactory::CreateInstance() {
    if (IZOLConnectionPool* pool = g_pool.load(std::memory_order_acquire))
        return pool;
    std::lock_guard guard(m_CONNPOOLFACTORY_CRITICAL_SECTION);
    IZOLConnectionPool* pool = g_pool.load(std::memory_order_relaxed);
    if (pool == nullptr) {
        // Sockets need no start-up on this platform.
        pool = new CZOLConnectionPool();
        g_pool.store(pool, std::memory_order_release);
    }
    return pool;
}

void IZOLConnectionPoolFactory::DeleteInstance() {
    IZOLConnectionPool* pool = nullptr;
    {
        std::lock_guard guard(m_CONNPOOLFACTORY_CRITICAL_SECTION);
        pool = g_pool.exchange(nullptr);
    }
    // Closing every connection happens outside the creation lock: a sink called from it may create a pool.
    delete pool;
}

IZOLConnectionPoolFactory& IZOLConnectionPoolFactory::operator=(const IZOLConnectionPoolFactory&) = default;
IZOLConnectionPoolFactory&
IZOLConnectionPoolFactory::operator=(IZOLConnectionPoolFactory&&) noexcept = default;
