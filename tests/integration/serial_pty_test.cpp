// The serial connection over pseudo-terminals: the test plays the display on the master side (or the
// simulated display does), the connection opens the slave side like a serial port.
#include "ZOLConnection.h"
#include "transport/SerialConnection.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<unsigned char>;
using namespace std::chrono_literals;

namespace {

const Bytes kQuery = {0xAA, 0x11, 0x01, 0x00, 0x12};
const Bytes kReply = {0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56};

// The display's end of the line.
class PtyLine {
public:
    PtyLine() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_slave = ptsname(m_master);
    }
    ~PtyLine() { HangUp(); }
    const std::string& Path() const { return m_slave; }
    void Write(const Bytes& bytes) {
        ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    Bytes Read(std::size_t count, int timeoutMs = 1000) {
        Bytes got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd entry{m_master, POLLIN, 0};
            if (::poll(&entry, 1, 20) <= 0)
                continue;
            unsigned char chunk[256];
            const ssize_t n = ::read(m_master, chunk, std::min(sizeof chunk, count - got.size()));
            if (n <= 0)
                break;
            got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }
    void HangUp() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    std::string m_slave;
};

struct Seen {
    std::uint32_t link;
    std::uint32_t type;
    std::string source;
    std::string message;
    Bytes data;
};

class RecordingSink : public IConnectionEventSink {
public:
    void OnConnectionEvent(const ConnectionEvent* event) override {
        std::lock_guard guard(m_lock);
        m_seen.push_back({event->linkKind, event->eventType, event->source, event->message,
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

struct Destroyer {
    void operator()(CZOLSerialConnection* connection) const {
        connection->Close();
        connection->ReleaseResources();
        connection->Destroy();
    }
};
using Connection = std::unique_ptr<CZOLSerialConnection, Destroyer>;

Connection Open(const std::string& path, int* status = nullptr) {
    Connection connection(new CZOLSerialConnection());
    connection->SetAddress(path);
    connection->Connect(status);
    return connection;
}

Bytes ReceiveBytes(IZOLConnection& connection, int timeoutMs) {
    int length = 0;
    unsigned char* reply = connection.Receive(&length, timeoutMs);
    Bytes bytes(reply, reply + (reply != nullptr ? length : 0));
    std::free(reply);
    return bytes;
}

long long ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since)
        .count();
}

TEST(SerialPty, ExchangeWithEventsAndASinkThatDoesNotSilenceReplies) {
    PtyLine line;
    ASSERT_FALSE(line.Path().empty());
    RecordingSink sink;
    Connection connection(new CZOLSerialConnection());
    connection->SetAddress(line.Path());
    connection->SetEventSink(&sink);
    int status = -1;
    ASSERT_TRUE(connection->Connect(&status));
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(connection->IsConnected());
    EXPECT_EQ(connection->GetLinkParameter(), 9600u);

    EXPECT_EQ(connection->Send(kQuery.data(), static_cast<int>(kQuery.size())), 5);
    EXPECT_EQ(line.Read(kQuery.size()), kQuery);
    line.Write(kReply);
    EXPECT_EQ(ReceiveBytes(*connection, 1000), kReply);

    connection->Close();
    // Closing the port leaves the connected flag until the resources are released.
    EXPECT_TRUE(connection->IsConnected());
    EXPECT_FALSE(connection->IsPortOpen());
    connection->ReleaseResources();
    EXPECT_FALSE(connection->IsConnected());

    const auto events = sink.Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, 0u);
    EXPECT_EQ(events[0].message, "Connected (Serial port opened).");
    EXPECT_EQ(events[0].link, 0u);
    EXPECT_EQ(events[0].source, line.Path());
    EXPECT_EQ(events[1].type, 2u);
    EXPECT_EQ(events[1].message, "Data sent (Serial port).");
    EXPECT_EQ(events[1].data, kQuery);
    EXPECT_EQ(events[2].type, 1u);
    EXPECT_EQ(events[2].message, "Disconnected (Serial port closed).");
    connection->SetEventSink(nullptr);
}

TEST(SerialPty, ReaderPublishesOnlyCompleteValidFrames) {
    struct Row {
        const char* name;
        std::vector<Bytes> writes; // written with a short gap between them
        Bytes delivered;           // empty: nothing delivered
    };
    const std::vector<Row> rows = {
        {"standard reply", {kReply}, kReply},
        {"reply split across writes", {{0xAA, 0xFF, 0x01}, {0x03, 0x41, 0x11, 0x01, 0x56}}, kReply},
        {"length byte 0", {{0xAA, 0xFF, 0x01, 0x00, 0x00}}, {}},
        {"bad checksum", {{0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x57}}, {}},
        {"garbage in front", {{0x13, 0x37, 0xAA, 0xFF, 0x01, 0x03, 0x41, 0x11, 0x01, 0x56}}, {}},
        {"long reply", {{0xAA, 0xFF, 0x01, 0x00, 0x04, 0x41, 0xD2, 0x10, 0x20, 0x47}}, {}},
        {"compact reply", {{0xFF, 0x03, 0x41, 0x12, 0x32, 0x88}}, {0xFF, 0x03, 0x41, 0x12, 0x32, 0x88}},
        {"relay announcement with nothing behind it",
         {{0xAA, 0xFF, 0x01, 0x07, 0x41, 0xEE, 0x00, 0x01, 0x00, 0x02, 0x03, 0x3C}},
         {0xAA, 0xFF, 0x01, 0x07, 0x41, 0xEE, 0x00, 0x01, 0x00, 0x02, 0x03, 0x3C}},
    };
    PtyLine line;
    auto connection = Open(line.Path());
    ASSERT_TRUE(connection->IsPortOpen());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const auto& bytes : row.writes) {
            line.Write(bytes);
            std::this_thread::sleep_for(5ms);
        }
        EXPECT_EQ(ReceiveBytes(*connection, row.delivered.empty() ? 150 : 1000), row.delivered);
        // A good frame after a dropped one still arrives.
        line.Write(kReply);
        EXPECT_EQ(ReceiveBytes(*connection, 1000), kReply);
    }
}

TEST(SerialPty, SendDropsAReplyThatWasNeverReceived) {
    PtyLine line;
    auto connection = Open(line.Path());
    line.Write(kReply);
    std::this_thread::sleep_for(100ms); // the reader publishes it
    connection->Send(kQuery.data(), static_cast<int>(kQuery.size()));
    int length = -1;
    EXPECT_EQ(connection->Receive(&length, 100), nullptr);
    EXPECT_EQ(length, -1) << "a failed receive leaves the length as it was";
}

TEST(SerialPty, ReceiveTimeOuts) {
    PtyLine line;
    auto connection = Open(line.Path());
    for (const auto& [timeoutMs, expectedMs] : std::vector<std::pair<int, long long>>{{0, 200}, {120, 120}}) {
        SCOPED_TRACE(timeoutMs);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(ReceiveBytes(*connection, timeoutMs).empty());
        const long long elapsed = ElapsedMs(start);
        EXPECT_GE(elapsed, expectedMs - 5);
        EXPECT_LE(elapsed, expectedMs + 60);
    }
}

TEST(SerialPty, LineSettings) {
    PtyLine line;
    Connection connection(new CZOLSerialConnection());
    connection->SetAddress(line.Path());
    // Closed: the baud rate is stored and the call reports "port not open".
    EXPECT_EQ(connection->SetLinkParameter(115200), 6u);
    EXPECT_EQ(connection->GetLinkParameter(), 115200u);
    EXPECT_EQ(connection->GetLastErrorCode(), 6u);
    ASSERT_TRUE(connection->Connect(nullptr));
    EXPECT_EQ(connection->SetLinkParameter(9600), 0u);
    EXPECT_EQ(connection->SetPortSettings(57600, 8, 0, 0), 0u);
    EXPECT_EQ(connection->GetLinkParameter(), 57600u);
    // Codes outside the documented ones are refused. (Parity and stop bits are not checked here: a
    // pseudo-terminal keeps 8N1 whatever it is given.)
    EXPECT_NE(connection->SetPortSettings(12345, 8, 0, 0), 0u);
    EXPECT_NE(connection->SetPortSettings(9600, 9, 0, 0), 0u);
    EXPECT_NE(connection->SetPortSettings(9600, 8, 3, 0), 0u);
    EXPECT_NE(connection->SetPortSettings(9600, 8, 0, 5), 0u);
    // The line still works after refused settings.
    connection->Send(kQuery.data(), static_cast<int>(kQuery.size()));
    EXPECT_EQ(line.Read(kQuery.size()), kQuery);
}

TEST(SerialPty, PortThatCannotBeOpened) {
    PtyLine line;
    auto holder = Open(line.Path());
    ASSERT_TRUE(holder->IsPortOpen());
    for (const std::string& name : {std::string("/dev/zol-no-such-port"), line.Path()}) {
        SCOPED_TRACE(name);
        RecordingSink sink;
        Connection connection(new CZOLSerialConnection());
        connection->SetAddress(name);
        connection->SetEventSink(&sink);
        int status = -1;
        EXPECT_FALSE(connection->Connect(&status));
        EXPECT_EQ(status, 100);
        EXPECT_FALSE(connection->IsConnected());
        EXPECT_NE(connection->GetLastErrorCode(), 0u);
        EXPECT_EQ(connection->Send(kQuery.data(), 5), 0);
        const auto events = sink.Events();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events[0].type, 4u);
        EXPECT_EQ(events[0].message, "Fails to open (Serial port).");
        connection->SetEventSink(nullptr);
    }
}

TEST(SerialPty, HangUpEndsReceiveAtOnce) {
    PtyLine line;
    auto connection = Open(line.Path());
    ASSERT_TRUE(connection->IsPortOpen());
    line.HangUp();
    std::this_thread::sleep_for(20ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(ReceiveBytes(*connection, 2000).empty());
    EXPECT_LT(ElapsedMs(start), 500);
    EXPECT_TRUE(connection->IsConnected());
}

TEST(SerialPty, SimulatedDisplayAnswersStandardAndCompactRequests) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    auto connection = Open(path);
    ASSERT_TRUE(connection->IsPortOpen());
    connection->Send(kQuery.data(), static_cast<int>(kQuery.size()));
    EXPECT_EQ(ReceiveBytes(*connection, 1000), kReply);
    const Bytes compact = {0x12, 0x01, 0x32, 0x33};
    connection->Send(compact.data(), static_cast<int>(compact.size()));
    EXPECT_EQ(ReceiveBytes(*connection, 1000), (Bytes{0xFF, 0x03, 0x41, 0x12, 0x32, 0x88}));
}

} // namespace
