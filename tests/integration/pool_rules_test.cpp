// The process-wide pool: which connection a kind text makes, one connection per address, connect
// attempts, and the order in which connections are taken down.
#include "ZOLConnection.h"
#include "transport/EthernetConnection.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

class RecordingSink : public IConnectionEventSink {
public:
    std::function<void(const ConnectionEvent&)> onEvent;

    void OnConnectionEvent(const ConnectionEvent* event) override {
        {
            std::lock_guard guard(m_lock);
            m_seen.push_back({event->source, event->eventType});
        }
        std::free(event->data);
        if (onEvent)
            onEvent(*event);
    }
    std::vector<std::pair<std::string, std::uint32_t>> Events() {
        std::lock_guard guard(m_lock);
        return m_seen;
    }

private:
    std::mutex m_lock;
    std::vector<std::pair<std::string, std::uint32_t>> m_seen;
};

class Pool : public ::testing::Test {
protected:
    void SetUp() override { m_pool = IZOLConnectionPoolFactory::CreateInstance(); }
    void TearDown() override { IZOLConnectionPoolFactory::DeleteInstance(); }

    std::uint32_t Failures(IZOLConnection* connection) {
        return dynamic_cast<CZOLEthernetConnection&>(*connection).GetConnectFailureCount();
    }

    IZOLConnectionPool* m_pool = nullptr;
};

TEST_F(Pool, KindTextChoosesTheConnectionByPrefix) {
    struct Row {
        const char* kind;
        const char* type; // null: no connection
    };
    const std::vector<Row> rows = {
        {"ETHERNET", "ZOL_CONN_ETHERNET"},
        {"ETHERNET_TLS", "ZOL_CONN_ETHERNET"},
        {"SERIAL", "ZOL_CONN_SERIAL"},
        {"SERIALETHERNET", "ZOL_CONN_SERIAL"},
        {"serial", nullptr},
        {"", nullptr},
        {"USB", nullptr},
        {" ETHERNET", nullptr},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        const std::string address = "address-" + std::to_string(n++);
        IZOLConnection* connection = m_pool->CreateConnection(address, row.kind, "");
        if (row.type == nullptr) {
            EXPECT_EQ(connection, nullptr);
            EXPECT_EQ(m_pool->FindConnection(address), nullptr);
            EXPECT_EQ(m_pool->GetConnection(address, row.kind, nullptr, "", true, 1), nullptr);
            continue;
        }
        ASSERT_NE(connection, nullptr);
        EXPECT_EQ(connection->GetConnectionType(), row.type);
        EXPECT_EQ(connection->GetAddress(), address);
        EXPECT_FALSE(connection->IsConnected());
        EXPECT_EQ(m_pool->FindConnection(address), connection);
    }
}

TEST_F(Pool, OneConnectionPerAddressKeepingTheLatestCredential) {
    IZOLConnection* first = m_pool->CreateConnection("127.0.1.40", "ETHERNET", "1111");
    // The kind is not compared: the address keeps the connection it was first given.
    IZOLConnection* second = m_pool->CreateConnection("127.0.1.40", "SERIAL", "2222");
    EXPECT_EQ(first, second);
    EXPECT_EQ(second->GetConnectionType(), "ZOL_CONN_ETHERNET");
    EXPECT_EQ(second->GetCredential(), "2222");
    // Addresses are compared byte by byte.
    EXPECT_NE(m_pool->CreateConnection("127.0.1.40 ", "ETHERNET", ""), first);
}

TEST_F(Pool, GetConnectionTriesAtMostTheGivenAttempts) {
    // Nothing listens on this port: every attempt fails.
    IZOLConnection* unreachable = m_pool->CreateConnection("127.0.1.41", "ETHERNET", "");
    unreachable->SetLinkParameter(1);
    EXPECT_EQ(m_pool->GetConnection("127.0.1.41", "ETHERNET", nullptr, "", true, 0), unreachable);
    EXPECT_EQ(Failures(unreachable), 0u);
    EXPECT_EQ(m_pool->GetConnection("127.0.1.41", "ETHERNET", nullptr, "", true, 3), unreachable);
    EXPECT_EQ(Failures(unreachable), 3u);
    EXPECT_EQ(m_pool->GetConnection("127.0.1.41", "ETHERNET", nullptr, "", false, 3), unreachable);
    EXPECT_EQ(Failures(unreachable), 3u);

    zolsim::Simulator sim;
    sim.AddDisplay(1);
    ASSERT_TRUE(sim.StartTcp("127.0.1.42", 0));
    IZOLConnection* reachable = m_pool->CreateConnection("127.0.1.42", "ETHERNET", "");
    reachable->SetLinkParameter(sim.TcpPort());
    EXPECT_TRUE(m_pool->GetConnection("127.0.1.42", "ETHERNET", nullptr, "", true, 3)->IsConnected());
    // Already open: no further connect.
    m_pool->GetConnection("127.0.1.42", "ETHERNET", nullptr, "", true, 3);
    EXPECT_EQ(sim.AcceptedConnections(), 1);
}

TEST_F(Pool, RemovalClosesBeforeDestroying) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    ASSERT_TRUE(sim.StartTcp("127.0.1.43", 0));
    RecordingSink sink;
    for (const char* address : {"127.0.1.43", "127.0.1.44"}) {
        IZOLConnection* connection = m_pool->CreateConnection(address, "ETHERNET", "");
        connection->SetLinkParameter(sim.TcpPort());
    }
    ASSERT_TRUE(sim.StartTcp("127.0.1.44", sim.TcpPort()));
    ASSERT_TRUE(m_pool->GetConnection("127.0.1.43", "ETHERNET", &sink, "", true, 1)->IsConnected());
    ASSERT_TRUE(m_pool->GetConnection("127.0.1.44", "ETHERNET", &sink, "", true, 1)->IsConnected());

    m_pool->RemoveConnection("127.0.1.43");
    m_pool->RemoveConnection("127.0.1.43"); // absent: nothing happens
    EXPECT_EQ(m_pool->FindConnection("127.0.1.43"), nullptr);
    m_pool->RemoveAllConnections();
    EXPECT_EQ(m_pool->FindConnection("127.0.1.44"), nullptr);

    const std::vector<std::pair<std::string, std::uint32_t>> expected = {
        {"127.0.1.43", 0}, {"127.0.1.44", 0}, {"127.0.1.43", 1}, {"127.0.1.44", 1}};
    EXPECT_EQ(sink.Events(), expected);
}

TEST_F(Pool, SinkMayCallBackIntoThePool) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    ASSERT_TRUE(sim.StartTcp("127.0.1.45", 0));
    RecordingSink sink;
    std::atomic<int> lookups{0};
    sink.onEvent = [&](const ConnectionEvent& event) {
        // A table lock held across the callback would deadlock here.
        m_pool->FindConnection(event.source);
        m_pool->CreateConnection("127.0.1.46", "ETHERNET", "");
        ++lookups;
    };
    m_pool->CreateConnection("127.0.1.45", "ETHERNET", "")->SetLinkParameter(sim.TcpPort());
    ASSERT_TRUE(m_pool->GetConnection("127.0.1.45", "ETHERNET", &sink, "", true, 1)->IsConnected());
    m_pool->RemoveConnection("127.0.1.45");
    EXPECT_EQ(lookups.load(), 2);
}

TEST_F(Pool, ThreadsCreatingOneAddressShareOneConnection) {
    constexpr int kThreads = 8;
    std::vector<IZOLConnection*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            seen[static_cast<std::size_t>(i)] = m_pool->CreateConnection("127.0.1.47", "ETHERNET", "");
            m_pool->CreateConnection("127.0.1.48." + std::to_string(i), "SERIAL", "");
        });
    for (auto& thread : threads)
        thread.join();
    for (IZOLConnection* connection : seen)
        EXPECT_EQ(connection, seen[0]);
}

TEST(PoolFactory, SingleInstanceAndAFreshOneAfterDelete) {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    EXPECT_EQ(IZOLConnectionPoolFactory::CreateInstance(), pool);
    EXPECT_TRUE(pool->Initialize());
    pool->CreateConnection("127.0.1.49", "ETHERNET", "");
    IZOLConnectionPoolFactory::DeleteInstance();
    IZOLConnectionPoolFactory::DeleteInstance(); // nothing left to delete
    IZOLConnectionPool* fresh = IZOLConnectionPoolFactory::CreateInstance();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->FindConnection("127.0.1.49"), nullptr);
    IZOLConnectionPoolFactory::DeleteInstance();
}

} // namespace
