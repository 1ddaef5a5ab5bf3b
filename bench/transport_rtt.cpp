// One request and its reply through a connection's Send + Receive, beside the same exchange on a bare
// socket / bare pseudo-terminal, against the simulated display in a zolsim process of its own:
//
//   BM_TcpRoundTrip   CZOLEthernetConnection and a bare socket to one display on 127.0.7.90 (plain
//                     greeting), each connected anew every round
//   BM_PtyRoundTrip   CZOLSerialConnection and a bare pty, each round on a display process of its own
//
// Bare and connection rounds take turns in one run. After the runs a summary prints, per road, the median
// and p99 of each and the ratio of the connection's median to the bare one (target: at most 3).
#include "support/AlternatingRounds.h"
#include "support/DisplayProcess.h"
#include "transport/EthernetConnection.h"
#include "transport/SerialConnection.h"
#include "zolsim/Simulator.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

const unsigned char kQuery[] = {0xAA, 0x11, 0x01, 0x00, 0x12};
constexpr std::size_t kReplySize = 8;
const char* kAddress = "127.0.7.90";
constexpr int kRounds = 100;       // of each side, in turn
constexpr int kTcpRoundTrips = 50; // per round
constexpr int kPtyRoundTrips = 30;
constexpr auto kBudget = std::chrono::seconds(20); // per road

bench::Comparison& Tcp() {
    static bench::Comparison comparison("TCP", "bare", "connection", kTcpRoundTrips, 3.0);
    return comparison;
}

bench::Comparison& Pty() {
    static bench::Comparison comparison("Pseudo-terminal", "bare", "connection", kPtyRoundTrips, 3.0);
    return comparison;
}

bool ReadExact(int fd, unsigned char* buffer, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 2000) <= 0)
            return false;
        const ssize_t n = ::read(fd, buffer + got, count - got);
        if (n <= 0)
            return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool ConnectionExchange(IZOLConnection& connection) {
    if (connection.Send(kQuery, sizeof kQuery) != static_cast<int>(sizeof kQuery))
        return false;
    int length = 0;
    unsigned char* reply = connection.Receive(&length, 2000);
    std::free(reply);
    return reply != nullptr && length == static_cast<int>(kReplySize);
}

// The bare road: the query written, the reply read until it is complete.
bool BareExchange(int fd, bool socket) {
    unsigned char reply[kReplySize];
    const ssize_t sent =
        socket ? ::send(fd, kQuery, sizeof kQuery, MSG_NOSIGNAL) : ::write(fd, kQuery, sizeof kQuery);
    return sent == static_cast<ssize_t>(sizeof kQuery) && ReadExact(fd, reply, sizeof reply);
}

// A socket connected anew every round; the greeting is read away in Open.
class BareTcpSide {
public:
    explicit BareTcpSide(std::uint16_t port) : m_port(port) {}
    ~BareTcpSide() { Close(); }
    BareTcpSide(const BareTcpSide&) = delete;
    BareTcpSide& operator=(const BareTcpSide&) = delete;

    bool Open() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(m_port);
        inet_pton(AF_INET, kAddress, &peer.sin_addr);
        std::vector<unsigned char> greeting(std::strlen(zolsim::kPlainGreeting));
        return m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0 &&
               ReadExact(m_fd, greeting.data(), greeting.size());
    }
    bool Exchange() { return BareExchange(m_fd, true); }
    void Close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    std::uint16_t m_port;
    int m_fd = -1;
};

class TcpConnectionSide {
public:
    explicit TcpConnectionSide(std::uint16_t port) : m_port(port) {}

    bool Open() {
        m_connection.emplace();
        m_connection->SetAddress(kAddress);
        m_connection->SetLinkParameter(m_port);
        return m_connection->Connect(nullptr);
    }
    bool Exchange() { return ConnectionExchange(*m_connection); }
    void Close() {
        if (m_connection) {
            m_connection->Close();
            m_connection.reset();
        }
    }

private:
    std::uint16_t m_port;
    std::optional<CZOLEthernetConnection> m_connection;
};

// A pty display serves its line on one thread for as long as it runs, so that every round has a display
// thread of its own (see AlternatingRounds.h), every round starts a display process of its own.
// Returns the device path, empty (and the display stopped) when it did not start.
std::string StartPtyDisplay(std::optional<bench::DisplayProcess>& display) {
    display.emplace(std::vector<std::string>{"--pty", "--id", "1"}, 1);
    const std::string path = display->PtyPath();
    if (!display->Ready() || path.empty()) {
        std::fprintf(stderr, "pty display: %s\n", display->Error().c_str());
        display.reset();
        return {};
    }
    return path;
}

class BarePtySide {
public:
    ~BarePtySide() { Close(); }
    BarePtySide() = default;
    BarePtySide(const BarePtySide&) = delete;
    BarePtySide& operator=(const BarePtySide&) = delete;

    bool Open() {
        const std::string path = StartPtyDisplay(m_display);
        if (path.empty())
            return false;
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios settings{};
        if (m_fd < 0 || tcgetattr(m_fd, &settings) != 0)
            return false;
        cfmakeraw(&settings);
        return tcsetattr(m_fd, TCSANOW, &settings) == 0;
    }
    bool Exchange() { return BareExchange(m_fd, false); }
    void Close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_display.reset();
    }

private:
    std::optional<bench::DisplayProcess> m_display;
    int m_fd = -1;
};

class PtyConnectionSide {
public:
    bool Open() {
        const std::string path = StartPtyDisplay(m_display);
        if (path.empty())
            return false;
        m_connection.emplace();
        m_connection->SetAddress(path);
        return m_connection->Connect(nullptr);
    }
    bool Exchange() { return ConnectionExchange(*m_connection); }
    void Close() {
        if (m_connection) {
            m_connection->Close();
            m_connection->ReleaseResources();
            m_connection.reset();
        }
        m_display.reset();
    }

private:
    // Declared first, so that the connection is gone before the display is stopped.
    std::optional<bench::DisplayProcess> m_display;
    std::optional<CZOLSerialConnection> m_connection;
};

void BM_TcpRoundTrip(benchmark::State& state) {
    bench::DisplayProcess display(
        {"--tcp", std::string(kAddress) + ":0", "--greeting", zolsim::kPlainGreeting, "--id", "1"}, 1);
    const std::uint16_t port = display.Port(kAddress);
    if (!display.Ready() || port == 0) {
        state.SkipWithError(display.Error().c_str());
        return;
    }
    BareTcpSide bare(port);
    TcpConnectionSide connection(port);
    bench::RunAlternating(state, Tcp(), bare, connection, kBudget);
}

void BM_PtyRoundTrip(benchmark::State& state) {
    BarePtySide bare;
    PtyConnectionSide connection;
    bench::RunAlternating(state, Pty(), bare, connection, kBudget);
}

BENCHMARK(BM_TcpRoundTrip)->Iterations(kRounds)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PtyRoundTrip)->Iterations(kRounds)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nConnection Send + Receive beside the bare exchange:\n");
    bench::PrintComparison(Tcp());
    bench::PrintComparison(Pty());
    return 0;
}
