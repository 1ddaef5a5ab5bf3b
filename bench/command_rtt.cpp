// How much the command handler adds to a display round trip, and how a fleet scales with threads.
//
//   BM_StatusRoundTrip   a status query written and its reply read on a plain socket (the floor), and the
//                        same query through IZOLCommandHandler::Execute (match, decode, record), in
//                        rounds taken in turn, each on a connection of its own, against a zolsim process
//                        on 127.0.8.100 (plain greeting); median and p99 of each
//   BM_Fleet             status, model, serial and version of 64 displays on 127.0.8.1-64, served by
//                        a separate zolsim process, in sequential and 8-thread rounds taken in
//                        turn; commands per second of each
//
// After the runs a summary compares the figures with their targets: Execute's median within 3x of the
// bare round trip, the threaded fleet at least 1.5x the sequential one.

#include "LFDData.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "support/AlternatingRounds.h"
#include "support/DisplayProcess.h"
#include "zolsim/Simulator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kRttAddress = "127.0.8.100";
constexpr int kFleetSize = 64;
constexpr std::size_t kFleetThreads = 8;
constexpr std::array<unsigned char, 4> kFleetCommands{0x00, 0x10, 0x0B, 0x0E};

constexpr int kRounds = 100;    // of each side, in turn
constexpr int kRoundTrips = 50; // per round
constexpr auto kRttBudget = std::chrono::seconds(20);

using Clock = std::chrono::steady_clock;

std::map<std::string, double>& Figures() {
    static std::map<std::string, double> figures;
    return figures;
}

bench::Comparison& StatusComparison() {
    static bench::Comparison comparison("Status query", "bare", "execute", kRoundTrips, 3.0);
    return comparison;
}

// A plain TCP client: connect, then write a request and read until the reply frame is complete.
class BareClient {
public:
    explicit BareClient(const char* address) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(1515);
        ::inet_pton(AF_INET, address, &to.sin_addr);
        int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&to), sizeof(to)) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~BareClient() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    BareClient(const BareClient&) = delete;
    BareClient& operator=(const BareClient&) = delete;

    // The display greets every new connection, as a plain (unsecured) display does.
    bool ReadGreeting() {
        std::array<char, 64> greeting{};
        const std::size_t size = std::strlen(zolsim::kPlainGreeting);
        std::size_t have = 0;
        while (m_fd >= 0 && have < size) {
            pollfd waiting{m_fd, POLLIN, 0};
            if (::poll(&waiting, 1, 2000) <= 0) {
                return false;
            }
            const ssize_t got = ::recv(m_fd, greeting.data() + have, size - have, 0);
            if (got <= 0) {
                return false;
            }
            have += static_cast<std::size_t>(got);
        }
        return have == size;
    }

    bool RoundTrip(const std::vector<unsigned char>& request) {
        if (m_fd < 0 || ::send(m_fd, request.data(), request.size(), MSG_NOSIGNAL) < 0) {
            return false;
        }
        std::array<unsigned char, 2048> reply{};
        std::size_t have = 0;
        while (have < 4 || have < static_cast<std::size_t>(reply[3]) + 5) {
            pollfd waiting{m_fd, POLLIN, 0};
            if (::poll(&waiting, 1, 2000) <= 0) {
                return false;
            }
            const ssize_t got = ::recv(m_fd, reply.data() + have, reply.size() - have, 0);
            if (got <= 0) {
                return false;
            }
            have += static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int m_fd = -1;
};

const std::vector<unsigned char> kStatusQuery{0xAA, 0x00, 0x01, 0x00, 0x01};

// A status query on a plain socket of its own, connected anew every round.
class BareSide {
public:
    bool Open() {
        m_client.emplace(kRttAddress);
        return m_client->ReadGreeting();
    }
    bool Exchange() { return m_client->RoundTrip(kStatusQuery); }
    void Close() { m_client.reset(); }

private:
    std::optional<BareClient> m_client;
};

// The same query through Execute; the pooled connection is made by the round's first Execute and taken
// down at its end.
class ExecuteSide {
public:
    ExecuteSide() {
        m_record.SetAddress(kRttAddress);
        m_record.SetConnectionKind(1);
        m_record.SetDisplayId(1);
    }
    bool Open() { return true; }
    bool Exchange() { return m_handler->Execute(&m_record, 0x00, 0, nullptr, nullptr, nullptr, true) == 1; }
    void Close() { IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kRttAddress); }

private:
    IZOLCommandHandler* m_handler = IZOLCommandHandlerFactory::CreateInstance();
    CLFDData m_record;
};

void BM_StatusRoundTrip(benchmark::State& state) {
    bench::DisplayProcess display({"--tcp", kRttAddress, "--greeting", zolsim::kPlainGreeting, "--id", "1"},
                                  1);
    if (!display.Ready()) {
        state.SkipWithError(display.Error().c_str());
        return;
    }
    BareSide bare;
    ExecuteSide execute;
    bench::RunAlternating(state, StatusComparison(), bare, execute, kRttBudget);
}
BENCHMARK(BM_StatusRoundTrip)->Iterations(kRounds)->UseRealTime()->Unit(benchmark::kMillisecond);

std::string FleetAddress(int i) {
    return "127.0.8." + std::to_string(i);
}

std::vector<std::unique_ptr<CLFDData>>& FleetRecords() {
    static std::vector<std::unique_ptr<CLFDData>> records = [] {
        std::vector<std::unique_ptr<CLFDData>> made;
        for (int i = 1; i <= kFleetSize; ++i) {
            auto record = std::make_unique<CLFDData>();
            record->SetAddress(FleetAddress(i));
            record->SetConnectionKind(1);
            record->SetDisplayId(1);
            made.push_back(std::move(record));
        }
        return made;
    }();
    return records;
}

// Every fleet command for the records first, first + step, ...
void QueryDisplay(IZOLCommandHandler* handler, CLFDData* record) {
    for (unsigned char code : kFleetCommands) {
        handler->Execute(record, code, 0, nullptr, nullptr, nullptr, true);
    }
}

void QueryFleet(IZOLCommandHandler* handler) {
    for (auto& record : FleetRecords()) {
        QueryDisplay(handler, record.get());
    }
}

// Each thread takes the next display nobody has taken yet, as a host with a work queue would, so
// that no thread idles at the end of a round while another still has displays left.
void QueryFleetShared(IZOLCommandHandler* handler, std::atomic<std::size_t>& next) {
    auto& records = FleetRecords();
    for (std::size_t i = next++; i < records.size(); i = next++) {
        QueryDisplay(handler, records[i].get());
    }
}

// Worker threads started once and released for every round, so that a round measures the queries and
// not thread creation (which costs as much as a few dozen round trips here).
class FleetWorkers {
public:
    FleetWorkers(IZOLCommandHandler* handler, std::size_t count)
        : m_start(static_cast<std::ptrdiff_t>(count) + 1), m_done(static_cast<std::ptrdiff_t>(count) + 1) {
        for (std::size_t t = 0; t < count; ++t) {
            m_threads.emplace_back([this, handler] {
                for (;;) {
                    m_start.arrive_and_wait();
                    if (m_stopping) {
                        return;
                    }
                    QueryFleetShared(handler, m_next);
                    m_done.arrive_and_wait();
                }
            });
        }
    }
    ~FleetWorkers() {
        m_stopping = true;
        m_start.arrive_and_wait();
        for (auto& thread : m_threads) {
            thread.join();
        }
    }
    FleetWorkers(const FleetWorkers&) = delete;
    FleetWorkers& operator=(const FleetWorkers&) = delete;

    void RunRound() {
        m_next = 0;
        m_start.arrive_and_wait();
        m_done.arrive_and_wait();
    }

private:
    std::barrier<> m_start;
    std::barrier<> m_done;
    std::atomic<bool> m_stopping{false};
    std::atomic<std::size_t> m_next{0};
    std::vector<std::thread> m_threads;
};

// Sequential and threaded rounds alternate, so that both see the same machine: on a shared virtual
// machine the speed of the cores drifts over seconds, and two runs one after the other compare that
// drift rather than the threads.
void BM_Fleet(benchmark::State& state) {
    // 64 displays of their own, as a real fleet is, not 64 ways into one display.
    std::vector<std::string> arguments{"--separate-displays"};
    for (int i = 1; i <= kFleetSize; ++i) {
        arguments.emplace_back("--tcp");
        arguments.push_back(FleetAddress(i));
    }
    bench::DisplayProcess fleet(arguments, kFleetSize);
    if (!fleet.Ready()) {
        state.SkipWithError(fleet.Error().c_str());
        return;
    }
    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();
    handler->SetRetryCount(0);
    QueryFleet(handler); // connect every display before measuring
    std::optional<FleetWorkers> workers;
    workers.emplace(handler, kFleetThreads);
    double sequentialSeconds = 0;
    double threadedSeconds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        QueryFleet(handler);
        sequentialSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        start = Clock::now();
        workers->RunRound();
        threadedSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    workers.reset();
    const double commands = static_cast<double>(state.iterations()) * kFleetSize * kFleetCommands.size();
    const double sequential = sequentialSeconds > 0 ? commands / sequentialSeconds : 0;
    const double threaded = threadedSeconds > 0 ? commands / threadedSeconds : 0;
    state.counters["sequential_per_s"] = sequential;
    state.counters["threaded_per_s"] = threaded;
    Figures()["fleet.1"] = sequential;
    Figures()["fleet." + std::to_string(kFleetThreads)] = threaded;
    handler->SetRetryCount(4);
    for (int i = 1; i <= kFleetSize; ++i) {
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(FleetAddress(i));
    }
}
// Enough rounds that scheduling noise does not decide the figure.
BENCHMARK(BM_Fleet)->Iterations(100)->UseRealTime();

void PrintSummary() {
    bench::PrintComparison(StatusComparison());
    auto& f = Figures();
    if (f.count("fleet.1") != 0 && f.count("fleet.8") != 0 && f["fleet.1"] > 0) {
        const double speedup = f["fleet.8"] / f["fleet.1"];
        std::printf(
            "Fleet of %d displays: sequential %.0f commands/s, 8 threads %.0f commands/s; speed-up %.2f "
            "(target >= 1.5): %s\n",
            kFleetSize, f["fleet.1"], f["fleet.8"], speedup, speedup >= 1.5 ? "met" : "MISSED");
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary();
    return 0;
}
