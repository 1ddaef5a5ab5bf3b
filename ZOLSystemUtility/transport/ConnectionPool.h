#pragma once

// The process-wide table of connections, one per address.

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "ZOLConnection.h"

class CZOLConnectionPool : public IZOLConnectionPool {
public:
    CZOLConnectionPool() = default;
    ~CZOLConnectionPool() override;
    CZOLConnectionPool(const CZOLConnectionPool&) = delete;
    CZOLConnectionPool& operator=(const CZOLConnectionPool&) = delete;

    bool Initialize() override { return true; }
    IZOLConnection* GetConnection(std::string address, std::string kind, IConnectionEventSink* sink,
                                  std::string credential, bool connect, std::uint32_t attempts) override;
    IZOLConnection* CreateConnection(std::string address, std::string kind, std::string credential) override;
    void RemoveConnection(std::string address) override;
    IZOLConnection* FindConnection(std::string address) override;
    void RemoveAllConnections() override;

    // The connection a kind text asks for ("SERIAL..." first, then "ETHERNET..."), or null.
    static IZOLConnection* MakeConnection(const std::string& kind);

    // Replaces how new connections are made (an empty function restores the real ones), so that tests
    // can put an in-memory connection behind every road that goes through the pool. Not exported.
    using ConnectionMaker = std::function<IZOLConnection*(const std::string& kind)>;
    static void SetConnectionMaker(ConnectionMaker maker);

private:
    // The lock guards only the map: it is never held while a connection connects, closes, is destroyed or
    // calls its sink, so threads driving different displays do not wait for each other and a sink may
    // call back into the pool.
    std::mutex m_tableLock;
    std::map<std::string, IZOLConnection*> m_connections;
};
