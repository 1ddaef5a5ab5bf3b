// One request and its reply through a connection's Send + Receive, against the simulated display over
// loopback TCP and over a pseudo-terminal, beside the same exchange on a bare socket / bare pty.
// Prints median and p99 per road and the ratio of the connection's median to the bare one.
#include "transport/EthernetConnection.h"
#include "transport/SerialConnection.h"
#include "zolsim/Simulator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

const unsigned char kQuery[] = {0xAA, 0x11, 0x01, 0x00, 0x12};
constexpr std::size_t kReplySize = 8;
const char* kAddress = "127.0.1.90";

zolsim::Simulator& Sim() {
    static zolsim::Simulator* sim = [] {
        auto* s = new zolsim::Simulator();
        s->AddDisplay(1);
        s->SetGreeting(zolsim::kPlainGreeting);
        if (!s->StartTcp(kAddress, 0))
            std::abort();
        return s;
    }();
    return *sim;
}

std::map<std::string, std::vector<double>> g_samples;

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

template <typename Exchange>
void Measure(benchmark::State& state, const std::string& name, Exchange exchange) {
    auto& samples = g_samples[name];
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!exchange()) {
            state.SkipWithError("exchange failed");
            return;
        }
        samples.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["median_us"] = Percentile(samples, 0.5);
    state.counters["p99_us"] = Percentile(samples, 0.99);
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

void BM_TcpConnection(benchmark::State& state) {
    CZOLEthernetConnection connection;
    connection.SetAddress(kAddress);
    connection.SetLinkParameter(Sim().TcpPort());
    if (!connection.Connect(nullptr)) {
        state.SkipWithError("connect failed");
        return;
    }
    Measure(state, "tcp connection", [&] { return ConnectionExchange(connection); });
    connection.Close();
}

void BM_TcpBare(benchmark::State& state) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(Sim().TcpPort());
    inet_pton(AF_INET, kAddress, &peer.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        state.SkipWithError("connect failed");
        ::close(fd);
        return;
    }
    // Read the greeting away before measuring.
    unsigned char greeting[64];
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 500) > 0)
        (void)!::read(fd, greeting, sizeof greeting);
    Measure(state, "tcp bare", [&] {
        unsigned char reply[kReplySize];
        return ::send(fd, kQuery, sizeof kQuery, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof kQuery) &&
               ReadExact(fd, reply, sizeof reply);
    });
    ::close(fd);
}

void BM_PtyConnection(benchmark::State& state) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    const std::string path = sim.StartPty();
    CZOLSerialConnection connection;
    connection.SetAddress(path);
    if (path.empty() || !connection.Connect(nullptr)) {
        state.SkipWithError("open failed");
        return;
    }
    Measure(state, "pty connection", [&] { return ConnectionExchange(connection); });
    connection.Close();
    connection.ReleaseResources();
}

void BM_PtyBare(benchmark::State& state) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    const std::string path = sim.StartPty();
    const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDWR | O_NOCTTY);
    termios settings{};
    if (fd < 0 || tcgetattr(fd, &settings) != 0) {
        state.SkipWithError("open failed");
        return;
    }
    cfmakeraw(&settings);
    tcsetattr(fd, TCSANOW, &settings);
    Measure(state, "pty bare", [&] {
        unsigned char reply[kReplySize];
        return ::write(fd, kQuery, sizeof kQuery) == static_cast<ssize_t>(sizeof kQuery) &&
               ReadExact(fd, reply, sizeof reply);
    });
    ::close(fd);
}

BENCHMARK(BM_TcpConnection)->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TcpBare)->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PtyConnection)->Iterations(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PtyBare)->Iterations(500)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n%-16s %12s %12s\n", "road", "median_us", "p99_us");
    for (const auto& [name, samples] : g_samples)
        std::printf("%-16s %12.1f %12.1f\n", name.c_str(), Percentile(samples, 0.5),
                    Percentile(samples, 0.99));
    for (const char* road : {"tcp", "pty"}) {
        const auto& wrapped = g_samples[std::string(road) + " connection"];
        const auto& bare = g_samples[std::string(road) + " bare"];
        if (!wrapped.empty() && !bare.empty())
            std::printf("%s: connection median / bare median = %.2f (target: at most 3)\n", road,
                        Percentile(wrapped, 0.5) / Percentile(bare, 0.5));
    }
    return 0;
}
