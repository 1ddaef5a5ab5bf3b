#include "transport/ConnectionPool.h"

#include <utility>

#include "transport/EthernetConnection.h"
#include "transport/SerialConnection.h"

namespace {

// A pooled connection is taken down in this order: close (its disconnected event goes out), release
// what it holds (the serial reader thread), destroy.
void TakeDown(IZOLConnection* connection) {
    connection->Close();
    connection->ReleaseResources();
    connection->Destroy();
}

} // namespace

CZOLConnectionPool::~CZOLConnectionPool() {
    RemoveAllConnections();
}

namespace {

std::mutex& MakerLock() {
    static std::mutex lock;
    return lock;
}

CZOLConnectionPool::ConnectionMaker& Maker() {
    static CZOLConnectionPool::ConnectionMaker maker;
    return maker;
}

} // namespace

void CZOLConnectionPool::SetConnectionMaker(ConnectionMaker maker) {
    std::lock_guard guard(MakerLock());
    Maker() = std::move(maker);
}

IZOLConnection* CZOLConnectionPool::MakeConnection(const std::string& kind) {
    {
        std::lock_guard guard(MakerLock());
        if (Maker())
            return Maker()(kind);
    }
    if (kind.starts_with(ZOL_KIND_SERIAL))
        return new CZOLSerialConnection();
    if (kind.starts_with(ZOL_KIND_ETHERNET))
        return new CZOLEthernetConnection();
    return nullptr;
}

IZOLConnection* CZOLConnectionPool::CreateConnection(std::string address, std::string kind,
                                                     std::string credential) {
    std::lock_guard guard(m_tableLock);
    if (const auto found = m_connections.find(address); found != m_connections.end()) {
        // The kind is not compared: an address keeps the connection it was first given.
        found->second->SetCredential(credential);
        return found->second;
    }
    IZOLConnection* connection = MakeConnection(kind);
    if (connection == nullptr)
        return nullptr;
    connection->SetAddress(address);
    connection->SetCredential(std::move(credential));
    m_connections.emplace(std::move(address), connection);
    return connection;
}

IZOLConnection* CZOLConnectionPool::GetConnection(std::string address, std::string kind,
                                                  IConnectionEventSink* sink, std::string credential,
                                                  bool connect, std::uint32_t attempts) {
    IZOLConnection* connection = CreateConnection(std::move(address), std::move(kind), std::move(credential));
    if (connection == nullptr)
        return nullptr;
    connection->SetEventSink(sink);
    if (connect && !connection->IsConnected()) {
        for (std::uint32_t attempt = 0; attempt < attempts; ++attempt) {
            if (connection->Connect(nullptr))
                break;
        }
    }
    return connection;
}

IZOLConnection* CZOLConnectionPool::FindConnection(std::string address) {
    std::lock_guard guard(m_tableLock);
    const auto found = m_connections.find(address);
    return found == m_connections.end() ? nullptr : found->second;
}

void CZOLConnectionPool::RemoveConnection(std::string address) {
    IZOLConnection* connection = nullptr;
    {
        std::lock_guard guard(m_tableLock);
        const auto found = m_connections.find(address);
        if (found == m_connections.end())
            return;
        connection = found->second;
        m_connections.erase(found);
    }
    TakeDown(connection);
}

void CZOLConnectionPool::RemoveAllConnections() {
    std::map<std::string, IZOLConnection*> taken;
    {
        std::lock_guard guard(m_tableLock);
        taken.swap(m_connections);
    }
    for (auto& entry : taken)
        TakeDown(entry.second);
}
