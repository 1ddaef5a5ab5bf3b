// How much the command handler adds to a display round trip, and how a fleet scales with threads.
//
//   BM_BareSocketRoundTrip   a status query written and its reply read on a plain socket (the floor)
//   BM_ExecuteStatus         the same query through IZOLCommandHandler::Execute (match, decode, record)
//   BM_Fleet                 status, model, serial and version of 64 displays on 127.0.8.1-64, served by
//                            a separate zolsim process, in sequential and 8-thread rounds taken in
//                            turn; commands per second of each
//
// After the runs a summary compares the figures with their targets: Execute's median within 3x of the
// bare round trip, the threaded fleet at least 1.5x the sequential one.

#include "LFDData.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "zolsim/Simulator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kRttAddress = "127.0.8.100";
constexpr int kFleetSize = 64;
constexpr std::size_t kFleetThreads = 8;
constexpr std::array<unsigned char, 4> kFleetCommands{0x00, 0x10, 0x0B, 0x0E};

using Clock = std::chrono::steady_clock;

std::map<std::string, double>& Figures() {
    static std::map<std::string, double> figures;
    return figures;
}

double Percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1));
    return samples[index];
}

void Report(benchmark::State& state, const std::string& name, const std::vector<double>& samplesUs) {
    const double median = Percentile(samplesUs, 0.5);
    const double p99 = Percentile(samplesUs, 0.99);
    state.counters["median_us"] = median;
    state.counters["p99_us"] = p99;
    Figures()[name + ".median"] = median;
    Figures()[name + ".p99"] = p99;
}

zolsim::Simulator& InProcessDisplay() {
    static zolsim::Simulator* sim = [] {
        auto* s = new zolsim::Simulator();
        s->AddDisplay(1).SetPower(true);
        if (!s->StartTcp(kRttAddress)) {
            std::fprintf(stderr, "cannot listen on %s\n", kRttAddress);
        }
        return s;
    }();
    return *sim;
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

void BM_BareSocketRoundTrip(benchmark::State& state) {
    InProcessDisplay();
    BareClient client(kRttAddress);
    const std::vector<unsigned char> statusQuery{0xAA, 0x00, 0x01, 0x00, 0x01};
    client.RoundTrip(statusQuery); // the first answer also clears a greeting, if any
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!client.RoundTrip(statusQuery)) {
            state.SkipWithError("no reply on the bare socket");
            break;
        }
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    Report(state, "bare", samples);
}
BENCHMARK(BM_BareSocketRoundTrip)->Iterations(2000);

void BM_ExecuteStatus(benchmark::State& state) {
    InProcessDisplay();
    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();
    CLFDData record;
    record.SetAddress(kRttAddress);
    record.SetConnectionKind(1);
    record.SetDisplayId(1);
    handler->Execute(&record, 0x00, 0, nullptr, nullptr, nullptr, true); // connects
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (handler->Execute(&record, 0x00, 0, nullptr, nullptr, nullptr, true) != 1) {
            state.SkipWithError("status query was not answered");
            break;
        }
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    Report(state, "execute", samples);
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kRttAddress);
}
BENCHMARK(BM_ExecuteStatus)->Iterations(2000);

// The zolsim executable serving the fleet addresses, started once and stopped at exit.
class FleetProcess {
public:
    FleetProcess() {
        // 64 displays of their own, as a real fleet is, not 64 ways into one display.
        std::vector<std::string> arguments{Executable(), "--separate-displays"};
        for (int i = 1; i <= kFleetSize; ++i) {
            arguments.emplace_back("--tcp");
            arguments.push_back(FleetAddress(i));
        }
        std::vector<char*> argv;
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        int output[2];
        if (::pipe(output) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, output[0]);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(output[1]);
        // Ready when it has announced every address it listens on.
        int announced = 0;
        std::string seen;
        char chunk[512];
        while (m_pid > 0 && announced < kFleetSize) {
            pollfd waiting{output[0], POLLIN, 0};
            if (::poll(&waiting, 1, 5000) <= 0) {
                break;
            }
            const ssize_t got = ::read(output[0], chunk, sizeof(chunk));
            if (got <= 0) {
                break;
            }
            seen.append(chunk, static_cast<std::size_t>(got));
            announced = 0;
            for (std::size_t at = seen.find("listening"); at != std::string::npos;
                 at = seen.find("listening", at + 1)) {
                ++announced;
            }
        }
        m_ready = announced == kFleetSize;
        ::close(output[0]);
    }
    ~FleetProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    FleetProcess(const FleetProcess&) = delete;
    FleetProcess& operator=(const FleetProcess&) = delete;

    bool Ready() const { return m_ready; }
    static std::string FleetAddress(int i) { return "127.0.8." + std::to_string(i); }

private:
    // $ZOLSIM, else the zolsim built beside this benchmark.
    static std::string Executable() {
        if (const char* given = std::getenv("ZOLSIM")) {
            return given;
        }
        const auto self = std::filesystem::read_symlink("/proc/self/exe");
        return (self.parent_path().parent_path() / "tools" / "zolsim" / "zolsim").string();
    }

    pid_t m_pid = -1;
    bool m_ready = false;
};

FleetProcess& Fleet() {
    static FleetProcess fleet;
    return fleet;
}

std::vector<std::unique_ptr<CLFDData>>& FleetRecords() {
    static std::vector<std::unique_ptr<CLFDData>> records = [] {
        std::vector<std::unique_ptr<CLFDData>> made;
        for (int i = 1; i <= kFleetSize; ++i) {
            auto record = std::make_unique<CLFDData>();
            record->SetAddress(FleetProcess::FleetAddress(i));
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
    if (!Fleet().Ready()) {
        state.SkipWithError("the zolsim executable did not start (set ZOLSIM to its path)");
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
}
// Enough rounds that scheduling noise does not decide the figure.
BENCHMARK(BM_Fleet)->Iterations(100)->UseRealTime();

void PrintSummary() {
    auto& f = Figures();
    if (f.count("bare.median") != 0 && f.count("execute.median") != 0 && f["bare.median"] > 0) {
        const double ratio = f["execute.median"] / f["bare.median"];
        std::printf("Execute status: median %.1f us, p99 %.1f us; bare socket: median %.1f us, p99 %.1f us; "
                    "ratio %.2f (target <= 3): %s\n",
                    f["execute.median"], f["execute.p99"], f["bare.median"], f["bare.p99"], ratio,
                    ratio <= 3 ? "met" : "MISSED");
    }
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
