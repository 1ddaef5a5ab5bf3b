// The simulated fleet: many addresses, each a display of its own, served by one event-driven thread.
// Its replies are checked against hand-computed frames and against the threaded door byte for byte.
// Addresses: 127.0.48.0 - 127.0.55.255.
#include "zolsim/FleetSimulator.h"
#include "zolsim/RawClient.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using zolsim::AddressRange;
using zolsim::AddressRole;
using zolsim::Bytes;
using zolsim::FleetOptions;
using zolsim::FleetSimulator;
using zolsim::RawClient;

namespace {

using Clock = std::chrono::steady_clock;

const Bytes kStatusRequest = {0xAA, 0x00, 0x01, 0x00, 0x01};
// A fresh display's status block: power on (value 0), values 1 and 2 at 10 and 0, input 0x21 (value 3),
// then 0x10.
const Bytes kFreshStatus = {0xAA, 0xFF, 0x01, 0x09, 0x41, 0x00, 0x01,
                            0x0A, 0x00, 0x21, 0x10, 0x00, 0x00, 0x86};
const std::string kGreeting = zolsim::kPlainGreeting;

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Repeated(const Bytes& bytes, std::size_t times) {
    Bytes all;
    for (std::size_t i = 0; i < times; ++i) {
        all.insert(all.end(), bytes.begin(), bytes.end());
    }
    return all;
}

std::size_t ThreadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

AddressRange Range(const std::string& first, const std::string& last) {
    std::string error;
    const auto range = zolsim::ParseAddressRange(first + "-" + last, 1515, error);
    EXPECT_TRUE(range) << error;
    return range.value_or(AddressRange{});
}

struct RangeRow {
    const char* text;
    bool valid;
    std::size_t size;
    std::uint16_t port;
    const char* errorMentions;
};

TEST(FleetRanges, ParsesInclusiveIpv4RangesAndRefusesEverythingElse) {
    const RangeRow rows[] = {
        {"127.0.48.1-127.0.48.1", true, 1, 1515, ""},
        {"127.0.48.1-127.0.49.10:1600", true, 266, 1600, ""},
        {"127.0.48.250-127.0.49.3", true, 10, 1515, ""},
        {"10.0.0.0-10.0.255.255", true, 65536, 1515, ""},
        {"10.0.0.0-10.1.0.0", false, 0, 0, "65536"},
        {"127.0.48.5-127.0.48.1", false, 0, 0, "before"},
        {"127.0.48.1", false, 0, 0, "FIRST-LAST"},
        {"127.0.48.1-", false, 0, 0, "IPv4"},
        {"-127.0.48.1", false, 0, 0, "IPv4"},
        {"127.0.48.1--127.0.48.2", false, 0, 0, "IPv4"},
        {"127.0.48.1-127.0.48.2-127.0.48.3", false, 0, 0, "IPv4"},
        {"127.0.48.1-::1", false, 0, 0, "IPv4"},
        {"127.0.48.1-127.0.48.256", false, 0, 0, "IPv4"},
        {"localhost-127.0.48.2", false, 0, 0, "IPv4"},
        {"127.0.48.1-127.0.48.9:", false, 0, 0, "port"},
        {"127.0.48.1-127.0.48.9:0", false, 0, 0, "port"},
        {"127.0.48.1-127.0.48.9:65536", false, 0, 0, "port"},
        {"127.0.48.1-127.0.48.9:15x", false, 0, 0, "port"},
        {"127.0.48.1:1515-127.0.48.9", false, 0, 0, "IPv4"},
    };
    for (const RangeRow& row : rows) {
        SCOPED_TRACE(row.text);
        std::string error;
        const auto range = zolsim::ParseAddressRange(row.text, 1515, error);
        ASSERT_EQ(range.has_value(), row.valid) << error;
        if (range) {
            EXPECT_EQ(range->Size(), row.size);
            EXPECT_EQ(range->port, row.port);
        } else {
            EXPECT_NE(error.find(row.errorMentions), std::string::npos) << error;
        }
    }
    EXPECT_EQ(Range("127.0.48.250", "127.0.49.3").AddressAt(7), "127.0.49.1");
}

TEST(FleetRanges, EveryNthAddressIsSilentOrAbsentAndAbsentWins) {
    FleetOptions options;
    options.silentEvery = 3;
    options.absentEvery = 4;
    const AddressRole A = AddressRole::Answering;
    const AddressRole S = AddressRole::Silent;
    const AddressRole X = AddressRole::Absent;
    const AddressRole expected[] = {A, A, S, X, A, S, A, X, S, A, A, X};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(zolsim::RoleAt(options, i), expected[i]) << "index " << i;
    }
    EXPECT_EQ(zolsim::RoleAt(FleetOptions{}, 0), A);
    options.silentEvery = 1;
    options.absentEvery = 0;
    EXPECT_EQ(zolsim::RoleAt(options, 0), S);
}

TEST(FleetDoor, ServesEveryAddressAsADisplayOfItsOwn) {
    const AddressRange range = Range("127.0.48.1", "127.0.49.44");
    FleetSimulator fleet;
    ASSERT_TRUE(fleet.StartTcpRange(range));
    ASSERT_EQ(fleet.ListeningAddresses(), 300U);

    std::vector<std::unique_ptr<RawClient>> clients;
    for (std::size_t i = 0; i < range.Size(); ++i) {
        auto& client = clients.emplace_back(std::make_unique<RawClient>());
        ASSERT_TRUE(client->Connect(range.AddressAt(i))) << range.AddressAt(i);
    }
    // Every request is out before any reply is read: the displays answer side by side.
    for (auto& client : clients) {
        ASSERT_TRUE(client->Send(kStatusRequest));
    }
    for (std::size_t i = 0; i < clients.size(); ++i) {
        EXPECT_EQ(clients[i]->ReadExact(kFreshStatus.size()), kFreshStatus) << range.AddressAt(i);
    }
    EXPECT_EQ(fleet.AcceptedConnections(), 300);
    EXPECT_EQ(fleet.ActiveConnections(), 300);

    // The 0x12 setting (Value12) set on the first address changes that display only.
    ASSERT_TRUE(clients[0]->Send({0xAA, 0x12, 0x01, 0x01, 0x32, 0x46}));
    EXPECT_EQ(clients[0]->ReadExact(8), (Bytes{0xAA, 0xFF, 0x01, 0x03, 0x41, 0x12, 0x32, 0x88}));
    ASSERT_TRUE(clients[1]->Send(kStatusRequest));
    EXPECT_EQ(clients[1]->ReadExact(kFreshStatus.size()), kFreshStatus);
    ASSERT_NE(fleet.FindDisplay(range.AddressAt(0)), nullptr);
    EXPECT_EQ(fleet.FindDisplay(range.AddressAt(0))->Value(0x12), Bytes{0x32});
    EXPECT_EQ(fleet.FindDisplay(range.AddressAt(1))->Value(0x12), Bytes{0x0A});
    EXPECT_EQ(fleet.FindDisplay(range.AddressAt(0), 2), nullptr);
    EXPECT_EQ(fleet.FindDisplay("127.0.49.45"), nullptr);

    clients.clear();
    for (int i = 0; i < 200 && fleet.ActiveConnections() > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(fleet.ActiveConnections(), 0);
}

TEST(FleetDoor, SilentAddressesGreetAndNeverAnswerAbsentOnesRefuse) {
    const AddressRange range = Range("127.0.50.1", "127.0.50.12");
    FleetOptions options;
    options.greeting = kGreeting;
    options.silentEvery = 3;
    options.absentEvery = 4;
    FleetSimulator fleet;
    ASSERT_TRUE(fleet.StartTcpRange(range, options));
    EXPECT_EQ(fleet.ListeningAddresses(), 9U);

    for (std::size_t i = 0; i < range.Size(); ++i) {
        const AddressRole role = zolsim::RoleAt(options, i);
        SCOPED_TRACE(range.AddressAt(i));
        RawClient client;
        if (role == AddressRole::Absent) {
            EXPECT_FALSE(client.Connect(range.AddressAt(i)));
            EXPECT_EQ(fleet.FindDisplay(range.AddressAt(i)), nullptr);
            continue;
        }
        ASSERT_TRUE(client.Connect(range.AddressAt(i)));
        EXPECT_EQ(client.ReadExact(kGreeting.size()), Text(kGreeting));
        ASSERT_TRUE(client.Send(kStatusRequest));
        if (role == AddressRole::Silent) {
            EXPECT_TRUE(client.ReadUntilQuiet(100).empty());
            EXPECT_FALSE(client.WaitForClose(50)); // it keeps the line open, reading
            EXPECT_EQ(fleet.FindDisplay(range.AddressAt(i)), nullptr);
        } else {
            EXPECT_EQ(client.ReadExact(kFreshStatus.size()), kFreshStatus);
        }
    }
}

TEST(FleetDoor, OneThreadServesTheFleetWhateverItsSize) {
    const std::size_t before = ThreadCount();
    FleetSimulator fleet;
    ASSERT_TRUE(fleet.StartTcpRange("127.0.51.1", "127.0.51.10"));
    const std::size_t small = ThreadCount();
    EXPECT_LE(small, before + 1);
    ASSERT_TRUE(fleet.StartTcpRange("127.0.51.11", "127.0.52.244"));
    EXPECT_EQ(fleet.ListeningAddresses(), 500U);

    const AddressRange range = Range("127.0.51.1", "127.0.52.244");
    std::vector<std::unique_ptr<RawClient>> clients;
    for (std::size_t i = 0; i < range.Size(); i += 10) {
        auto& client = clients.emplace_back(std::make_unique<RawClient>());
        ASSERT_TRUE(client->Connect(range.AddressAt(i)));
        ASSERT_TRUE(client->Send(kStatusRequest));
    }
    for (auto& client : clients) {
        EXPECT_EQ(client->ReadExact(kFreshStatus.size()), kFreshStatus);
    }
    EXPECT_EQ(ThreadCount(), small);
}

TEST(FleetDoor, ALateGreetingHoldsBackNobodyElse) {
    constexpr int kDelayMs = 300;
    const AddressRange range = Range("127.0.53.1", "127.0.53.20");
    FleetOptions options;
    options.greeting = kGreeting;
    options.greetingDelayMs = kDelayMs;
    FleetSimulator fleet;
    ASSERT_TRUE(fleet.StartTcpRange(range, options));

    const auto start = Clock::now();
    std::vector<std::unique_ptr<RawClient>> clients;
    for (std::size_t i = 0; i < range.Size(); ++i) {
        auto& client = clients.emplace_back(std::make_unique<RawClient>());
        ASSERT_TRUE(client->Connect(range.AddressAt(i)));
    }
    EXPECT_TRUE(clients.front()->ReadUntilQuiet(50, 50).empty());
    for (auto& client : clients) {
        EXPECT_EQ(client->ReadExact(kGreeting.size(), 3000), Text(kGreeting));
    }
    // Served one after another, twenty greetings would take twenty delays.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kDelayMs * 5));
    ASSERT_TRUE(clients.back()->Send(kStatusRequest));
    EXPECT_EQ(clients.back()->ReadExact(kFreshStatus.size()), kFreshStatus);
}

TEST(FleetDoor, ADelayedReplyHoldsBackOnlyItsOwnDisplay) {
    FleetSimulator fleet;
    ASSERT_TRUE(fleet.StartTcpRange("127.0.53.31", "127.0.53.32"));
    ASSERT_TRUE(fleet.InjectFault("127.0.53.31", {.kind = zolsim::FaultKind::Delay, .delayMs = 600}));
    EXPECT_FALSE(fleet.InjectFault("127.0.53.33", {.kind = zolsim::FaultKind::Drop}));
    RawClient slow;
    RawClient quick;
    ASSERT_TRUE(slow.Connect("127.0.53.31"));
    ASSERT_TRUE(quick.Connect("127.0.53.32"));
    ASSERT_TRUE(slow.Send(kStatusRequest));
    ASSERT_TRUE(quick.Send(kStatusRequest));
    EXPECT_EQ(quick.ReadExact(kFreshStatus.size(), 300), kFreshStatus);
    EXPECT_TRUE(slow.ReadUntilQuiet(100, 100).empty());
    EXPECT_EQ(slow.ReadExact(kFreshStatus.size(), 3000), kFreshStatus);
}

struct DeliveryRow {
    const char* name;
    std::vector<Bytes> writes; // sent with a short pause between them
    std::optional<zolsim::Fault> fault;
    bool clientStopsWriting; // shuts its sending side after the writes
    std::size_t replyLength;
    bool displayCloses;
};

// The same bytes, written the same way, to the threaded door and to the fleet door: the client must
// not be able to tell them apart.
TEST(FleetDoor, DeliversExactlyAsTheThreadedDoorDoes) {
    const Bytes relayAndQuery = {0xAA, 0xEE, 0x01, 0x05, 0x00, 0x01, 0x00, 0x02,
                                 0x03, 0xFA, 0xAA, 0x11, 0x01, 0x00, 0x12};
    using zolsim::FaultKind;
    const DeliveryRow rows[] = {
        {"request split across writes", {{0xAA, 0x00}, {0x01, 0x00, 0x01}}, {}, false, 14, false},
        {"two requests in one write", {Repeated(kStatusRequest, 2)}, {}, false, 28, false},
        {"garbage before a request", {{0x00, 0x37, 0xAA, 0x11, 0x01, 0x00, 0x12}}, {}, false, 8, false},
        {"relay header and the request behind it", {relayAndQuery}, {}, false, 20, false},
        {"relay header alone, then its request",
         {{relayAndQuery.begin(), relayAndQuery.begin() + 10},
          {relayAndQuery.begin() + 10, relayAndQuery.end()}},
         {},
         false,
         20,
         false},
        {"compact query", {{0x11, 0x00, 0x00}}, {}, false, 6, false},
        {"broadcast set", {{0xAA, 0x12, 0xFE, 0x01, 0x07, 0x18}, kStatusRequest}, {}, false, 14, false},
        {"split reply",
         {kStatusRequest},
         zolsim::Fault{.kind = FaultKind::Split, .splitAt = 3},
         false,
         14,
         false},
        {"duplicated reply", {kStatusRequest}, zolsim::Fault{.kind = FaultKind::Duplicate}, false, 28, false},
        {"wrong ID",
         {kStatusRequest},
         zolsim::Fault{.kind = FaultKind::WrongId, .otherId = 9},
         false,
         14,
         false},
        {"delayed reply to a client that stopped writing",
         {kStatusRequest},
         zolsim::Fault{.kind = FaultKind::Delay, .delayMs = 150},
         true,
         14,
         true},
        {"close instead of a reply",
         {kStatusRequest, kStatusRequest},
         zolsim::Fault{.kind = FaultKind::Close},
         false,
         0,
         true},
    };

    zolsim::Simulator threaded;
    threaded.AddDisplay(1);
    threaded.AddRelayedDisplay(1, 3).SetPower(false);
    threaded.SetKeepLog(false);
    ASSERT_TRUE(threaded.StartTcp("127.0.54.1"));
    FleetOptions options;
    options.relayed = {{1, 3}};
    FleetSimulator fleet;
    ASSERT_TRUE(fleet.StartTcpRange("127.0.54.2", "127.0.54.2", 1515, options));
    fleet.FindDisplay("127.0.54.2", 1, 3)->SetPower(false);

    for (const DeliveryRow& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.fault) {
            threaded.InjectFault(*row.fault);
            ASSERT_TRUE(fleet.InjectFault("127.0.54.2", *row.fault));
        }
        // Both doors get every write at the same moment, so that a row costs its pauses once.
        const char* addresses[2] = {"127.0.54.1", "127.0.54.2"};
        RawClient clients[2];
        for (int door = 0; door < 2; ++door) {
            ASSERT_TRUE(clients[door].Connect(addresses[door]));
        }
        for (const Bytes& write : row.writes) {
            for (RawClient& client : clients) {
                ASSERT_TRUE(client.Send(write));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        Bytes received[2];
        bool closed[2] = {false, false};
        for (int door = 0; door < 2; ++door) {
            if (row.clientStopsWriting) {
                ::shutdown(clients[door].Fd(), SHUT_WR);
            }
        }
        for (int door = 0; door < 2; ++door) {
            // Whatever comes beyond the expected length arrives within the quiet time.
            received[door] = clients[door].ReadExact(row.replyLength, 3000);
            const Bytes more = clients[door].ReadUntilQuiet(60, 1000);
            received[door].insert(received[door].end(), more.begin(), more.end());
            closed[door] = row.displayCloses && clients[door].WaitForClose(2000);
        }
        EXPECT_EQ(received[1], received[0]);
        EXPECT_EQ(received[1].size(), row.replyLength);
        EXPECT_EQ(closed[1], row.displayCloses);
        EXPECT_EQ(closed[0], row.displayCloses);
    }
}

// A client socket with a small receive window, so that the display's writes fill it and stall.
int ConnectWithSmallWindow(const std::string& address) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int window = 8192;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(1515);
    ::inet_pton(AF_INET, address.c_str(), &peer.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

Bytes ReadExactly(int fd, std::size_t count, std::chrono::milliseconds limit) {
    Bytes received(count);
    std::size_t got = 0;
    const auto deadline = Clock::now() + limit;
    while (got < count && Clock::now() < deadline) {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 100) <= 0) {
            continue;
        }
        const ssize_t n = ::read(fd, received.data() + got, count - got);
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    received.resize(got);
    return received;
}

TEST(FleetDoor, KeepsEveryReplyForAClientThatReadsLate) {
    // Small queries with long answers: 5 MB of replies, more than the socket buffers on both sides take.
    constexpr std::size_t kRequests = 20000;
    FleetSimulator fleet;
    ASSERT_TRUE(fleet.StartTcpRange("127.0.55.1", "127.0.55.1"));
    const Bytes text(250, 'x');
    fleet.FindDisplay("127.0.55.1")->SetValue(0x0B, text);
    const Bytes reply = zolsim::StandardReply(0x01, zolsim::Answer{zolsim::kAck, 0x0B, text});
    const int fd = ConnectWithSmallWindow("127.0.55.1");
    ASSERT_GE(fd, 0);

    // The display stops reading while its replies are not taken, so the requests go from another thread.
    const Bytes requests = Repeated(zolsim::StandardRequest(0x0B, 0x01), kRequests);
    bool sent = false;
    std::thread sender([&] {
        std::size_t done = 0;
        for (int i = 0; i < 100000 && done < requests.size(); ++i) {
            const ssize_t n = ::send(fd, requests.data() + done, requests.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        sent = done == requests.size();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Bytes replies = ReadExactly(fd, reply.size() * kRequests, std::chrono::seconds(20));
    sender.join();
    ::close(fd);
    EXPECT_TRUE(sent);
    ASSERT_EQ(replies.size(), reply.size() * kRequests);
    EXPECT_EQ(replies, Repeated(reply, kRequests));
}

TEST(FleetDoor, RefusesWhatItCannotServeAndServesARangeWholeOrNotAtAll) {
    FleetSimulator fleet;
    FleetOptions tls;
    tls.greeting = zolsim::kTlsGreeting;
    EXPECT_FALSE(fleet.StartTcpRange("127.0.55.10", "127.0.55.11", 1515, tls));
    EXPECT_NE(fleet.LastError().find("plain sessions only"), std::string::npos) << fleet.LastError();
    EXPECT_FALSE(fleet.StartTcpRange("127.0.55.10", "127.0.55.11", 0));
    EXPECT_FALSE(fleet.StartTcpRange("127.0.55.11", "127.0.55.10"));

    const std::size_t limit = zolsim::RaiseOpenFileLimit();
    if (limit < zolsim::kMaxRangeAddresses) {
        AddressRange tooMany = Range("127.1.0.0", "127.1.0.0");
        tooMany.last = tooMany.first + static_cast<std::uint32_t>(limit);
        EXPECT_FALSE(fleet.StartTcpRange(tooMany));
        EXPECT_NE(fleet.LastError().find("limit of " + std::to_string(limit)), std::string::npos)
            << fleet.LastError();
    }

    ASSERT_TRUE(fleet.StartTcpRange("127.0.55.20", "127.0.55.23"));
    EXPECT_TRUE(fleet.LastError().empty());
    // Overlaps the range above: the addresses beyond the overlap are not served either.
    EXPECT_FALSE(fleet.StartTcpRange("127.0.55.22", "127.0.55.26"));
    EXPECT_NE(fleet.LastError().find("127.0.55.22"), std::string::npos) << fleet.LastError();
    EXPECT_EQ(fleet.ListeningAddresses(), 4U);
    RawClient client;
    EXPECT_FALSE(client.Connect("127.0.55.25"));
    EXPECT_EQ(fleet.FindDisplay("127.0.55.25"), nullptr);
    ASSERT_TRUE(client.Connect("127.0.55.23"));
    ASSERT_TRUE(client.Send(kStatusRequest));
    EXPECT_EQ(client.ReadExact(kFreshStatus.size()), kFreshStatus);
}

} // namespace
