// The TCP connection against the simulated display: how the greeting decides the session, the events a
// sink sees, and how Receive waits for a whole reply.
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "transport/EthernetConnection.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

const Bytes kQuery = {0xAA, 0x11, 0x01, 0x00, 0x12};
const Bytes kReply = {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56};

struct Seen {
    std::string source;
    std::uint32_t link;
    std::uint32_t type;
    std::string message;
    Bytes data;
};

class RecordingSink : public IConnectionEventSink {
public:
    void OnConnectionEvent(const ConnectionEvent* event) override {
        std::lock_guard guard(m_lock);
        m_seen.push_back({event->source, event->linkKind, event->eventType, event->message,
                          Bytes(event->data, event->data + event->dataLength)});
        std::free(event->data);
    }
    std::vector<Seen> Events() {
        std::lock_guard guard(m_lock);
        return m_seen;
    }

private:
    std::mutex m_lock;
    std::vector<Seen> m_seen;
};

struct ConnectionDeleter {
    void operator()(CZOLEthernetConnection* connection) const { connection->Destroy(); }
};
using Connection = std::unique_ptr<CZOLEthernetConnection, ConnectionDeleter>;

Connection MakeConnection(const std::string& address, std::uint16_t port,
                          const std::string& credential = {}) {
    Connection connection(new CZOLEthernetConnection());
    connection->SetAddress(address);
    connection->SetLinkParameter(port);
    connection->SetCredential(credential);
    return connection;
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

long long ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since)
        .count();
}

Bytes Take(unsigned char* reply, int length) {
    Bytes bytes(reply, reply + length);
    std::free(reply);
    return bytes;
}

Bytes ReceiveBytes(IZOLConnection& connection, int timeoutMs) {
    int length = 0;
    unsigned char* reply = connection.Receive(&length, timeoutMs);
    return Take(reply, length);
}

// Each test has its own simulated display on its own loopback address.
class EthernetConnection : public ::testing::Test {
protected:
    void Start(const std::string& address, const std::string& greeting = zolsim::kPlainGreeting) {
        m_sim.AddDisplay(1);
        m_sim.AddRelayedDisplay(1, 3);
        m_sim.SetGreeting(greeting);
        ASSERT_TRUE(m_sim.StartTcp(address, 0));
        m_port = m_sim.TcpPort();
    }
    zolsim::Simulator m_sim;
    std::uint16_t m_port = 0;
};

TEST_F(EthernetConnection, GreetingDecidesTheSession) {
    struct Row {
        const char* name;
        std::string greeting;
        std::string credential;
        bool ok;
        int status;
        std::uint32_t event;
        std::string eventText;
    };
    const std::vector<Row> rows = {
        {"plain greeting, no PIN", zolsim::kPlainGreeting, "", true, 1, 0, "Socket connected."},
        {"no greeting, no PIN", "", "", true, 1, 0, "Socket connected."},
        {"plain greeting, PIN", zolsim::kPlainGreeting, "1234", false, 4, 4,
         "Failed to connect secure Socket. [TLS PreHandshake - PIN not required]"},
        {"no greeting, PIN", "", "1234", false, 4, 4,
         "Failed to connect secure Socket. [TLS PreHandshake - PIN not required]"},
        {"TLS greeting, no PIN", zolsim::kTlsGreeting, "", false, 3, 4,
         "Failed to connect Socket. [TLS PreHandshake - PIN required]"},
        // The display's certificate chain is not trusted here, so the secured start fails its check.
        {"TLS greeting, PIN", zolsim::kTlsGreeting, "1234", false, 2, 4,
         "Failed to connect secure Socket. [Server Certificate]"},
    };
    int host = 10;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        zolsim::Simulator sim;
        sim.AddDisplay(1);
        sim.SetGreeting(row.greeting);
        const std::string address = "127.0.1." + std::to_string(host++);
        ASSERT_TRUE(sim.StartTcp(address, 0));
        RecordingSink sink;
        auto connection = MakeConnection(address, sim.TcpPort(), row.credential);
        connection->SetEventSink(&sink);
        int status = -1;
        EXPECT_EQ(connection->Connect(&status), row.ok);
        EXPECT_EQ(status, row.status);
        EXPECT_EQ(connection->IsConnected(), row.ok);
        EXPECT_EQ(connection->GetConnectFailureCount(), row.ok ? 0u : 1u);
        const auto events = sink.Events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].type, row.event);
        EXPECT_EQ(events[0].message, row.eventText);
        EXPECT_EQ(events[0].source, address);
        EXPECT_EQ(events[0].link, 1u);
        connection->SetEventSink(nullptr);
    }
}

TEST_F(EthernetConnection, AddressThatIsNoIpLiteralMakesNoSocket) {
    for (const std::string address : {"", "300.1.1.1", "localhost", "1.2.3", "::g"}) {
        SCOPED_TRACE(address);
        RecordingSink sink;
        auto connection = MakeConnection(address, 1515);
        connection->SetEventSink(&sink);
        const int before = OpenDescriptors();
        int status = -1;
        EXPECT_FALSE(connection->Connect(&status));
        EXPECT_EQ(OpenDescriptors(), before);
        EXPECT_EQ(status, 201);
        EXPECT_EQ(connection->GetLastErrorCode(), 10049u);
        const auto events = sink.Events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].message, "Failed to connect Socket. ");
        connection->SetEventSink(nullptr);
    }
}

TEST_F(EthernetConnection, RefusedConnectionCountsFailures) {
    auto connection = MakeConnection("127.0.1.21", 1);
    int status = -1;
    EXPECT_FALSE(connection->Connect(&status));
    EXPECT_FALSE(connection->Connect(&status));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(connection->GetLastErrorCode(), static_cast<std::uint32_t>(ECONNREFUSED));
    EXPECT_EQ(connection->GetConnectFailureCount(), 2u);
}

TEST_F(EthernetConnection, ExchangeReportsEventsWithCopiesOfTheBytes) {
    Start("127.0.1.22");
    RecordingSink sink;
    auto connection = MakeConnection("127.0.1.22", m_port);
    connection->SetEventSink(&sink);
    ASSERT_TRUE(connection->Connect(nullptr));
    EXPECT_EQ(connection->GetLocalAddress().find(':'), std::string::npos) << connection->GetLocalAddress();
    EXPECT_EQ(connection->GetLocalAddress().rfind("127.", 0), 0u);

    EXPECT_EQ(connection->Send(kQuery.data(), static_cast<int>(kQuery.size())), 5);
    EXPECT_EQ(ReceiveBytes(*connection, 2000), kReply);
    connection->Close();
    EXPECT_FALSE(connection->IsConnected());

    const auto events = sink.Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].message, "Socket connected.");
    EXPECT_EQ(events[1].type, 2u);
    EXPECT_EQ(events[1].message, "Data sent (Socket).");
    EXPECT_EQ(events[1].data, kQuery);
    EXPECT_EQ(events[2].type, 3u);
    EXPECT_EQ(events[2].message, "Packet Received (Socket).");
    EXPECT_EQ(events[2].data, kReply);
    EXPECT_EQ(events[3].type, 1u);
    EXPECT_EQ(events[3].message, "Socket disconnected.");
    EXPECT_TRUE(events[3].data.empty());
}

TEST_F(EthernetConnection, NotificationOffSilencesOnlyDataEvents) {
    Start("127.0.1.23");
    RecordingSink sink;
    auto connection = MakeConnection("127.0.1.23", m_port);
    connection->SetEventSink(&sink);
    connection->SetEventNotification(false);
    ASSERT_TRUE(connection->Connect(nullptr));
    connection->Send(kQuery.data(), static_cast<int>(kQuery.size()));
    int length = 0;
    std::free(connection->Receive(&length, 2000));
    connection->Close();
    const auto events = sink.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, 0u);
    EXPECT_EQ(events[1].type, 1u);
}

TEST_F(EthernetConnection, ReceiveWaitsForWholeRepliesAndNoLonger) {
    Start("127.0.1.24");
    auto connection = MakeConnection("127.0.1.24", m_port);
    ASSERT_TRUE(connection->Connect(nullptr));
    struct Row {
        const char* name;
        zolsim::Fault fault;
        int timeoutMs;
        bool delivered;
        long long minMs; // the wait is at least this long ...
        long long maxMs; // ... and at most this long
    };
    zolsim::Fault split{zolsim::FaultKind::Split};
    split.splitAt = 3;
    split.splitGapMs = 60;
    zolsim::Fault late{zolsim::FaultKind::Delay};
    late.delayMs = 150;
    const std::vector<Row> rows = {
        {"prompt reply", {}, 2000, true, 0, 500},
        {"reply split across two writes", split, 2000, true, 50, 800},
        {"late reply inside the time-out", late, 2000, true, 140, 900},
        {"bad checksum ends the wait at once", {zolsim::FaultKind::CorruptChecksum}, 2000, false, 0, 500},
        {"no reply: the time-out is honoured", {zolsim::FaultKind::Drop}, 300, false, 290, 400},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_sim.InjectFault(row.fault);
        ASSERT_EQ(connection->Send(kQuery.data(), static_cast<int>(kQuery.size())), 5);
        const auto start = std::chrono::steady_clock::now();
        int length = -1;
        unsigned char* reply = connection->Receive(&length, row.timeoutMs);
        const long long elapsed = ElapsedMs(start);
        EXPECT_GE(elapsed, row.minMs);
        EXPECT_LE(elapsed, row.maxMs);
        if (row.delivered) {
            ASSERT_NE(reply, nullptr);
            EXPECT_EQ(Take(reply, length), kReply);
        } else {
            EXPECT_EQ(reply, nullptr);
            EXPECT_EQ(length, 0);
        }
    }
}

TEST_F(EthernetConnection, RelayedReplyComesWithItsAnnouncement) {
    Start("127.0.1.25");
    auto connection = MakeConnection("127.0.1.25", m_port);
    ASSERT_TRUE(connection->Connect(nullptr));
    Bytes request = zolsim::RelayHeader(1, 2, 3);
    request.insert(request.end(), kQuery.begin(), kQuery.end());
    ASSERT_EQ(connection->Send(request.data(), static_cast<int>(request.size())), 15);
    const Bytes reply = ReceiveBytes(*connection, 2000);
    ASSERT_GT(reply.size(), 12u);
    EXPECT_EQ(reply[5], 0xEE);
    const std::size_t announcement = reply[3] + 5u;
    ASSERT_GE(reply.size(), announcement + kReply.size());
    EXPECT_EQ(Bytes(reply.begin() + static_cast<long>(announcement), reply.end()), kReply);
}

TEST_F(EthernetConnection, HangUpEndsTheWaitAtOnceAndClosesSilently) {
    Start("127.0.1.26");
    RecordingSink sink;
    auto connection = MakeConnection("127.0.1.26", m_port);
    ASSERT_TRUE(connection->Connect(nullptr));
    connection->SetEventSink(&sink);
    m_sim.InjectFault({zolsim::FaultKind::Close});
    connection->Send(kQuery.data(), static_cast<int>(kQuery.size()));
    const auto start = std::chrono::steady_clock::now();
    int length = -1;
    EXPECT_EQ(connection->Receive(&length, 2000), nullptr);
    EXPECT_LT(ElapsedMs(start), 1000);
    EXPECT_FALSE(connection->IsConnected());
    for (const auto& event : sink.Events())
        EXPECT_NE(event.type, 1u) << "a hang-up closes without a disconnected event";
    // A send on the closed connection fails without raising SIGPIPE; a later Connect opens it again.
    EXPECT_EQ(connection->Send(kQuery.data(), static_cast<int>(kQuery.size())), -1);
    EXPECT_TRUE(connection->Connect(nullptr));
    connection->SetEventSink(nullptr);
}

TEST_F(EthernetConnection, StaleReplyIsDrainedBeforeARequestForAnotherCommand) {
    Start("127.0.1.27");
    auto connection = MakeConnection("127.0.1.27", m_port);
    ASSERT_TRUE(connection->Connect(nullptr));
    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();
    handler->SetFlag(1);
    // The answer to this query is never received ...
    connection->Send(kQuery.data(), static_cast<int>(kQuery.size()));
    ASSERT_TRUE(m_sim.WaitForRequests(1, 1000));
    // ... so it is dropped before the next request, whose own reply is what Receive delivers.
    const Bytes powerQuery = {0xAA, 0x12, 0x01, 0x00, 0x13};
    connection->Send(powerQuery.data(), static_cast<int>(powerQuery.size()));
    const Bytes reply = ReceiveBytes(*connection, 2000);
    handler->SetFlag(0);
    ASSERT_GE(reply.size(), 6u);
    EXPECT_EQ(reply[5], 0x12);
}

TEST_F(EthernetConnection, BadArgumentsAreRefused) {
    Start("127.0.1.28");
    auto connection = MakeConnection("127.0.1.28", m_port);
    ASSERT_TRUE(connection->Connect(nullptr));
    EXPECT_EQ(connection->Send(nullptr, 5), -1);
    EXPECT_EQ(connection->Send(kQuery.data(), -3), -1);
    EXPECT_EQ(connection->Receive(nullptr, 100), nullptr);
    int length = 7;
    EXPECT_EQ(connection->Receive(&length, 0), nullptr);
    EXPECT_EQ(length, 0);
}

} // namespace
