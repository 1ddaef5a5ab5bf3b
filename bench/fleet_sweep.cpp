// Status sweeps of the fleet engine over thousands of displays, against zolsim processes of their own:
//
//   warm     10,000 displays (four zolsim processes of 2,500 addresses each, plain greeting) over
//            connections already open: Engine::Run of the status request beside a bare client (one epoll
//            loop, in a process of its own, writing the same request bytes over its own open connections
//            and reading every reply to the end of its frame); rounds taken in turn
//   threads  during those sweeps: the threads of this process besides the benchmark's own, sampled from
//            the result callback and by a sampler thread
//   memory   during those sweeps: resident memory above what the process held before the engine made its
//            connections, per display
//   silent   1,000 displays of which every tenth greets and reads but never answers, the command
//            handler's retry count: the sweep costs one silent display's wait, 5 x 2000 ms + 4 x 100 ms
//   refused  1,000 displays of which every tenth is not listened on
//   cold     1,000 displays connected anew every round (the engine's idle connections closed before it),
//            with a plain greeting and without one, beside a bare client doing the same
//
// Every figure is printed with its median, its p99 and its target (and the ratio, where the target is
// one). The fixed pauses are real: nothing here makes them instant.
//
// Usage: bench_fleet_sweep [--rounds N] [--silent-rounds N] [--only warm|silent|refused|cold]
//   --rounds N         rounds of each side for the warm, refused and cold figures (default 15; also from
//                      ZOL_BENCH_ROUNDS)
//   --silent-rounds N  rounds of the silent figure, about 10.5 s each (default 3; also from
//                      ZOL_BENCH_SILENT_ROUNDS)
//   --only GROUP       only the warm figures (with threads and memory), the silent, the refused or the
//                      cold ones
//
// Addresses: 127.80.0.0 - 127.93.255.255.

#include "LFDData.h"
#include "ZOLCommandHandler.h"
#include "ZOLFleet.h"
#include "command/CommandObject.h"
#include "protocol/PayloadTable.h"
#include "protocol/RequestWire.h"
#include "protocol/ZOLCommand.h"
#include "support/AlternatingRounds.h"
#include "support/DisplayProcess.h"
#include "support/FleetSweepBare.h"
#include "zolsim/Simulator.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench::Clock;
using ZOLFleet::DisplayResult;
using ZOLFleet::ErrorKind;

constexpr unsigned char kStatus = 0x00;

// The warm fleet: four processes of 2,500 displays each, 127.80.0.1 - 127.80.9.196, 127.81.0.1 - ...
constexpr int kWarmProcesses = 4;
constexpr int kWarmPerProcess = 2500;
constexpr int kWarmFirstBlock = 80;
constexpr std::size_t kWarmDisplays = static_cast<std::size_t>(kWarmProcesses) * kWarmPerProcess;

// The fleets of a thousand, one block each.
constexpr int kSmallFleet = 1000;
constexpr int kSilentBlock = 90;
constexpr int kAbsentBlock = 91;
constexpr int kColdGreetingBlock = 92;
constexpr int kColdPlainBlock = 93;
constexpr int kEvery = 10; // every tenth display of the silent and the refusing fleet

// The bare process's fleets, by position.
enum BareFleetIndex : int { kBareWarm = 0, kBareColdGreeting = 1, kBareColdPlain = 2 };

// Targets.
constexpr double kWarmMaxRatio = 1.5;
constexpr int kMaxLibraryThreads = 4;
constexpr double kMaxBytesPerDisplay = 4096;
constexpr int kReplyWaitMs = 2000; // a status request's reply wait
constexpr int kRetryGapMs = 100;
constexpr double kSilentMaxSeconds = 11.5; // 1.1 times the reference, rounded
constexpr double kRefusedMaxSeconds = 1.0;
constexpr double kColdMaxSeconds = 2.0;

// Budgets: every loop of rounds ends when its count is reached or its time is spent.
constexpr auto kWarmBudget = std::chrono::seconds(90);
constexpr auto kSilentBudget = std::chrono::seconds(60);
constexpr auto kRefusedBudget = std::chrono::seconds(20);
constexpr auto kColdBudget = std::chrono::seconds(25);          // per fleet
constexpr auto kSweepBudget = std::chrono::milliseconds(20000); // one bare order
constexpr int kSampleEvery = 1000;                              // results between samples in the callback

struct Settings {
    int rounds = 15;
    int silentRounds = 3;
    std::string only; // one figure group: warm, silent, refused or cold; empty: all

    bool Runs(const char* group) const { return only.empty() || only == group; }
};

int PositiveOr(const char* text, int fallback) {
    if (text == nullptr) {
        return fallback;
    }
    const long value = std::strtol(text, nullptr, 10);
    return value > 0 && value < 100000 ? static_cast<int>(value) : fallback;
}

Settings ReadSettings(int argc, char** argv) {
    Settings settings;
    settings.rounds = PositiveOr(std::getenv("ZOL_BENCH_ROUNDS"), settings.rounds);
    settings.silentRounds = PositiveOr(std::getenv("ZOL_BENCH_SILENT_ROUNDS"), settings.silentRounds);
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--rounds") {
            settings.rounds = PositiveOr(argv[++i], settings.rounds);
        } else if (argument == "--silent-rounds") {
            settings.silentRounds = PositiveOr(argv[++i], settings.silentRounds);
        } else if (argument == "--only") {
            settings.only = argv[++i];
        }
    }
    return settings;
}

// Display `index` (from 0) of a block: 127.<block>.0.1, 127.<block>.0.2, ...
std::string Address(int block, int index) {
    const int host = index + 1;
    return "127." + std::to_string(block) + "." + std::to_string(host / 256) + "." +
           std::to_string(host % 256);
}

std::string Range(int block, int count) {
    return Address(block, 0) + "-" + Address(block, count - 1);
}

std::vector<std::string> WarmAddresses() {
    std::vector<std::string> addresses;
    for (int p = 0; p < kWarmProcesses; ++p) {
        for (int i = 0; i < kWarmPerProcess; ++i) {
            addresses.push_back(Address(kWarmFirstBlock + p, i));
        }
    }
    return addresses;
}

std::vector<std::string> BlockAddresses(int block) {
    std::vector<std::string> addresses;
    for (int i = 0; i < kSmallFleet; ++i) {
        addresses.push_back(Address(block, i));
    }
    return addresses;
}

bench::fleet::BareFleet BareFleetOf(const std::vector<std::string>& addresses, std::size_t greetingSize) {
    bench::fleet::BareFleet fleet;
    fleet.greetingSize = greetingSize;
    for (const std::string& address : addresses) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(1515);
        ::inet_pton(AF_INET, address.c_str(), &to.sin_addr);
        fleet.addresses.push_back(to);
    }
    return fleet;
}

struct Records {
    std::vector<std::unique_ptr<CLFDData>> owned;
    std::vector<ILFDData*> pointers;
};

Records MakeRecords(const std::vector<std::string>& addresses) {
    Records records;
    for (const std::string& address : addresses) {
        auto record = std::make_unique<CLFDData>();
        record->SetAddress(address);
        record->SetConnectionKind(1);
        record->SetDisplayId(1);
        records.pointers.push_back(record.get());
        records.owned.push_back(std::move(record));
    }
    return records;
}

// The bytes the engine writes for a status request to this record: the command object filled from the
// record, planned by the payload table and framed for the record's route.
std::vector<unsigned char> StatusRequestBytes(ILFDData& record) {
    CZOLCommand command;
    zol::command::FillCommand(command, record, kStatus, 0, nullptr);
    const zol::payload::Request request = command.MakeRequest();
    auto plan = std::make_unique<zol::payload::Plan>();
    std::vector<unsigned char> bytes;
    if (!zol::payload::PlanRequest(request, *plan)) {
        return bytes;
    }
    zol::payload::Route route;
    route.framingVariant = record.GetFramingVariant();
    route.relayByte = static_cast<unsigned char>(record.GetRelayByte() & 0xFF);
    route.displayId = static_cast<unsigned char>(record.GetDisplayId());
    route.relayTarget = record.GetRelayTarget();
    if (!zol::payload::WireBytes(*plan, route, bytes)) {
        bytes.clear();
    }
    return bytes;
}

// --- what the process holds

int ThreadCount() {
    DIR* directory = ::opendir("/proc/self/task");
    if (directory == nullptr) {
        return -1;
    }
    int count = 0;
    for (const dirent* entry = ::readdir(directory); entry != nullptr; entry = ::readdir(directory)) {
        count += entry->d_name[0] != '.' ? 1 : 0;
    }
    ::closedir(directory);
    return count;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Threads besides the benchmark's own, and resident memory, as seen from the callback and the sampler.
class ProcessSamples {
public:
    void Take(int ownThreads) {
        const int threads = ThreadCount();
        const long rss = ResidentKiB();
        std::lock_guard guard(m_lock);
        if (threads >= 0) {
            m_libraryThreads.push_back(static_cast<double>(threads - ownThreads));
        }
        if (rss >= 0) {
            m_rssKiB.push_back(static_cast<double>(rss));
        }
    }
    std::vector<double> LibraryThreads() const {
        std::lock_guard guard(m_lock);
        return m_libraryThreads;
    }
    std::vector<double> ResidentKiBs() const {
        std::lock_guard guard(m_lock);
        return m_rssKiB;
    }

private:
    mutable std::mutex m_lock;
    std::vector<double> m_libraryThreads;
    std::vector<double> m_rssKiB;
};

// A thread that samples every few milliseconds while it lives; it is one of the benchmark's own threads.
class Sampler {
public:
    explicit Sampler(ProcessSamples& samples) : m_samples(samples) {
        m_thread = std::thread([this] {
            for (int pass = 0; pass < 100000 && !m_stop.load(); ++pass) {
                m_samples.Take(2); // the main thread and this one
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~Sampler() {
        m_stop = true;
        m_thread.join();
    }
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

private:
    ProcessSamples& m_samples;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// --- one engine sweep

// What each display is expected to report: Ok, except every tenth (index % 10 == 9) when a rule says so.
struct Expectation {
    ErrorKind everyTenth = ErrorKind::Ok;
};

struct EngineSweep {
    double seconds = 0;
    double cpuSeconds = 0;         // processor time of this process meanwhile
    std::vector<double> elapsedMs; // every display's own time, as its result gives it
    std::size_t results = 0;
    std::size_t wrong = 0; // results other than expected, duplicates and missing ones
    std::map<ErrorKind, std::size_t> kinds;
    std::string firstWrong;
};

EngineSweep RunSweep(ZOLFleet::Engine& engine, const Records& records, Expectation expectation,
                     const ZOLFleet::RunOptions& options, ProcessSamples* samples, int ownThreads) {
    EngineSweep sweep;
    std::vector<unsigned char> seen(records.pointers.size(), 0);
    sweep.elapsedMs.reserve(records.pointers.size());
    const double cpu = bench::fleet::ProcessCpuSeconds();
    const auto start = Clock::now();
    const ZOLFleet::RunSummary summary = engine.Run(
        records.pointers, ZOLFleet::Command::Execute(kStatus),
        [&](const DisplayResult& result) {
            ++sweep.results;
            sweep.elapsedMs.push_back(static_cast<double>(result.elapsed.count()));
            ++sweep.kinds[result.error];
            const bool inRange = result.index < seen.size();
            const bool tenth = inRange && result.index % kEvery == kEvery - 1;
            const ErrorKind expected = tenth ? expectation.everyTenth : ErrorKind::Ok;
            const bool right = inRange && seen[result.index] == 0 &&
                               result.record == records.pointers[result.index] && result.error == expected &&
                               result.status == (expected == ErrorKind::Ok ? 1u : 0u);
            if (inRange) {
                seen[result.index] = 1;
            }
            if (!right) {
                if (sweep.wrong == 0) {
                    sweep.firstWrong = "display " + std::to_string(result.index) + ": " +
                                       ZOLFleet::ErrorKindName(result.error) + " status " +
                                       std::to_string(result.status) + ", expected " +
                                       ZOLFleet::ErrorKindName(expected);
                }
                ++sweep.wrong;
            }
            if (samples != nullptr && sweep.results % kSampleEvery == 0) {
                samples->Take(ownThreads);
            }
        },
        options);
    sweep.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    sweep.cpuSeconds = bench::fleet::ProcessCpuSeconds() - cpu;
    const std::size_t missing = records.pointers.size() - std::min(records.pointers.size(), sweep.results);
    if (missing > 0 && sweep.firstWrong.empty()) {
        sweep.firstWrong = std::to_string(missing) + " displays not reported";
    }
    sweep.wrong += missing;
    const std::size_t ok = sweep.kinds.count(ErrorKind::Ok) != 0 ? sweep.kinds.at(ErrorKind::Ok) : 0;
    if (summary.total != records.pointers.size() || summary.ok != ok) {
        if (sweep.firstWrong.empty()) {
            sweep.firstWrong = "the run's summary counts " + std::to_string(summary.total) + " displays, " +
                               std::to_string(summary.ok) + " ok";
        }
        ++sweep.wrong;
    }
    return sweep;
}

std::string Kinds(const EngineSweep& sweep) {
    std::string text;
    for (const auto& [kind, count] : sweep.kinds) {
        text += (text.empty() ? "" : ", ") + std::string(ZOLFleet::ErrorKindName(kind)) + " " +
                std::to_string(count);
    }
    return text;
}

std::string Describe(const EngineSweep& sweep) {
    return Kinds(sweep) + (sweep.firstWrong.empty() ? "" : "; first wrong: " + sweep.firstWrong);
}

// --- printing

struct Side {
    std::string name;
    std::vector<double> values; // sweep times, seconds
    std::vector<double> cpu;    // processor time of the sweeping process per sweep, seconds
    void Add(double seconds, double cpuSeconds) {
        values.push_back(seconds);
        cpu.push_back(cpuSeconds);
    }
    double Median() const { return bench::Percentile(values, 0.5); }
    double P99() const { return bench::Percentile(values, 0.99); }
};

void PrintSide(const Side& side, const char* unit, double scale) {
    std::printf("  %-7s median %9.1f %s   p99 %9.1f %s   (%zu rounds)", side.name.c_str(),
                side.Median() * scale, unit, side.P99() * scale, unit, side.values.size());
    if (!side.cpu.empty()) {
        std::printf("   processor time median %.1f %s", bench::Percentile(side.cpu, 0.5) * scale, unit);
    }
    std::printf("\n");
}

void PrintFailure(const std::string& failure) {
    if (!failure.empty()) {
        std::printf("  stopped early: %s\n", failure.c_str());
    }
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

// Prints a sweep time against a limit in seconds, beside a reference.
void PrintLimit(const char* title, const Side& engine, const std::optional<Side>& bare,
                const std::string& reference, double maxSeconds, const std::string& failure) {
    std::printf("%s:\n", title);
    if (engine.values.empty()) {
        std::printf("  no complete round\n");
        PrintFailure(failure);
        return;
    }
    PrintSide(engine, "ms", 1000);
    if (bare && !bare->values.empty()) {
        PrintSide(*bare, "ms", 1000);
        std::printf("  ratio of medians %.2f (no target; the bare client is the floor)\n",
                    bare->Median() > 0 ? engine.Median() / bare->Median() : 0);
    }
    if (!reference.empty()) {
        std::printf("  reference: %s\n", reference.c_str());
    }
    std::printf("  median %.3f s, p99 %.3f s (target <= %.1f s): %s (p99 %s)\n", engine.Median(),
                engine.P99(), maxSeconds, Verdict(engine.Median() <= maxSeconds),
                engine.P99() <= maxSeconds ? "within it too" : "beyond it");
    PrintFailure(failure);
}

// --- the figures

// A zolsim process serving one range; `extra` are its further arguments.
bool StartRange(std::optional<bench::DisplayProcess>& display, int block, int count,
                std::vector<std::string> extra, std::string& error) {
    std::vector<std::string> arguments{"--tcp", Range(block, count)};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    arguments.emplace_back("--id");
    arguments.emplace_back("1");
    display.emplace(arguments, 1, std::chrono::seconds(30));
    if (!display->Ready()) {
        error = "zolsim for " + Range(block, count) + ": " + display->Error();
        return false;
    }
    return true;
}

std::vector<std::string> GreetingArguments() {
    return {"--greeting", zolsim::kPlainGreeting};
}

// Per display above the baseline, in bytes, of every resident-memory sample.
std::vector<double> BytesPerDisplay(const std::vector<double>& residentKiB, long baselineKiB) {
    std::vector<double> perDisplay;
    for (const double kib : residentKiB) {
        perDisplay.push_back((kib - static_cast<double>(baselineKiB)) * 1024 /
                             static_cast<double>(kWarmDisplays));
    }
    return perDisplay;
}

void PrintMemory(const char* when, const std::vector<double>& residentKiB, long baselineKiB) {
    std::printf("  %s (%zu samples):\n", when, residentKiB.size());
    if (residentKiB.empty() || baselineKiB < 0) {
        std::printf("    no samples\n");
        return;
    }
    const std::vector<double> perDisplay = BytesPerDisplay(residentKiB, baselineKiB);
    const double most = *std::max_element(perDisplay.begin(), perDisplay.end());
    std::printf("    median %.0f B   p99 %.0f B   most %.0f B (target <= %.0f B): %s\n",
                bench::Percentile(perDisplay, 0.5), bench::Percentile(perDisplay, 0.99), most,
                kMaxBytesPerDisplay, Verdict(most <= kMaxBytesPerDisplay));
}

ZOLFleet::RunOptions Options(bool reportChanges) {
    ZOLFleet::RunOptions options;
    options.reportChanges = reportChanges;
    return options;
}

// The warm sweeps, and the threads and memory of this process while they run. The engine sweeps with its
// default options (changed values reported) and, as a second figure, without the changed values; the
// memory those take is sampled before the default sweeps run, since memory once taken by the process
// stays resident.
void WarmFigures(const Settings& settings, bench::fleet::BareProcess& bare) {
    std::printf("\n");
    Side engineSide{"engine", {}, {}};
    Side quietSide{"quiet", {}, {}};
    Side bareSide{"bare", {}, {}};
    std::string failure;
    ProcessSamples quietSamples;     // the connecting sweep and one more, changed values not reported
    ProcessSamples reportingSamples; // the default sweeps
    long baselineKiB = -1;
    double openSeconds = 0;
    double openCpuSeconds = 0;
    double openDisplayMedianMs = 0;
    double openDisplayP99Ms = 0;
    double bareOpenSeconds = 0;
    double bareOpenCpuSeconds = 0;
    {
        std::vector<std::optional<bench::DisplayProcess>> displays(kWarmProcesses);
        for (int p = 0; p < kWarmProcesses && failure.empty(); ++p) {
            StartRange(displays[static_cast<std::size_t>(p)], kWarmFirstBlock + p, kWarmPerProcess,
                       GreetingArguments(), failure);
        }
        const Records records = MakeRecords(WarmAddresses());
        ZOLFleet::Engine engine;
        if (failure.empty()) {
            baselineKiB = ResidentKiB();
            Sampler sampler(quietSamples);
            const EngineSweep opening = RunSweep(engine, records, {}, Options(false), &quietSamples, 2);
            openSeconds = opening.seconds;
            openCpuSeconds = opening.cpuSeconds;
            openDisplayMedianMs = bench::Percentile(opening.elapsedMs, 0.5);
            openDisplayP99Ms = bench::Percentile(opening.elapsedMs, 0.99);
            if (opening.wrong > 0) {
                failure = "the engine's first (connecting) sweep: " + Describe(opening);
            } else if (engine.OpenConnections() != kWarmDisplays) {
                failure = "the engine holds " + std::to_string(engine.OpenConnections()) +
                          " connections after its first sweep, not " + std::to_string(kWarmDisplays);
            } else if (const EngineSweep again =
                           RunSweep(engine, records, {}, Options(false), &quietSamples, 2);
                       again.wrong > 0) {
                failure = "the engine's second sweep: " + Describe(again);
            }
        }
        if (failure.empty()) {
            const bench::fleet::BareReport opened = bare.Open(kBareWarm, kSweepBudget);
            bareOpenSeconds = opened.seconds;
            bareOpenCpuSeconds = opened.cpuSeconds;
            if (opened.ok == 0) {
                failure = "the bare client opened " + std::to_string(opened.done) + " of " +
                          std::to_string(kWarmDisplays) + " connections";
            }
        }
        const auto deadline = Clock::now() + kWarmBudget;
        for (int round = 0; round < settings.rounds && failure.empty(); ++round) {
            if (Clock::now() > deadline) {
                failure = "time budget spent";
                break;
            }
            const bench::fleet::BareReport swept = bare.Sweep(kSweepBudget);
            if (swept.ok == 0) {
                failure = "bare round " + std::to_string(round) + ": " + std::to_string(swept.done) + " of " +
                          std::to_string(swept.total) + " replies";
                break;
            }
            bareSide.Add(swept.seconds, swept.cpuSeconds);
            const EngineSweep sweep = RunSweep(engine, records, {}, Options(true), &reportingSamples, 1);
            if (sweep.wrong > 0) {
                failure = "engine round " + std::to_string(round) + ": " + Describe(sweep);
                break;
            }
            engineSide.Add(sweep.seconds, sweep.cpuSeconds);
            const EngineSweep quiet = RunSweep(engine, records, {}, Options(false), nullptr, 1);
            if (quiet.wrong > 0) {
                failure = "engine round " + std::to_string(round) +
                          " (changed values not reported): " + Describe(quiet);
                break;
            }
            quietSide.Add(quiet.seconds, quiet.cpuSeconds);
        }
        if (failure.empty()) {
            // One more default sweep, untimed, with the sampler looking on between results too.
            Sampler sampler(reportingSamples);
            const EngineSweep sweep = RunSweep(engine, records, {}, Options(true), &reportingSamples, 2);
            if (sweep.wrong > 0) {
                failure = "the sampled sweep: " + Describe(sweep);
            }
        }
        bare.Close();
    }

    std::printf(
        "Warm status sweep of %zu displays, 4 zolsim processes, rounds in turn\n"
        "(connecting and greeted first: the engine with its first status sweep, changed values not\n"
        " reported, %.0f ms, processor time %.0f ms, one display's own time median %.0f ms, p99 %.0f ms;\n"
        " the bare client, connect and greeting only, %.0f ms, processor time %.0f ms):\n",
        kWarmDisplays, openSeconds * 1000, openCpuSeconds * 1000, openDisplayMedianMs, openDisplayP99Ms,
        bareOpenSeconds * 1000, bareOpenCpuSeconds * 1000);
    if (engineSide.values.empty() || bareSide.values.empty()) {
        std::printf("  no complete round\n");
    } else {
        PrintSide(engineSide, "ms", 1000);
        PrintSide(quietSide, "ms", 1000);
        PrintSide(bareSide, "ms", 1000);
        std::printf("  (engine: default options; quiet: the engine with changed values not reported)\n");
        const double ratio = engineSide.Median() / bareSide.Median();
        const double quietRatio = quietSide.Median() / bareSide.Median();
        std::printf("  ratio of medians, engine to bare %.2f (target <= %.1f): %s\n", ratio, kWarmMaxRatio,
                    Verdict(ratio <= kWarmMaxRatio));
        std::printf("  ratio of medians, quiet to bare %.2f (target <= %.1f): %s\n", quietRatio,
                    kWarmMaxRatio, Verdict(quietRatio <= kWarmMaxRatio));
    }
    PrintFailure(failure);

    std::vector<double> threads = quietSamples.LibraryThreads();
    const std::vector<double> more = reportingSamples.LibraryThreads();
    threads.insert(threads.end(), more.begin(), more.end());
    std::printf(
        "Threads of the process besides the benchmark's own, during the %zu-display sweeps (%zu samples):\n",
        kWarmDisplays, threads.size());
    if (threads.empty()) {
        std::printf("  no samples\n");
    } else {
        const double most = *std::max_element(threads.begin(), threads.end());
        std::printf("  median %.0f   p99 %.0f   most %.0f (target <= %d): %s\n",
                    bench::Percentile(threads, 0.5), bench::Percentile(threads, 0.99), most,
                    kMaxLibraryThreads, Verdict(most <= kMaxLibraryThreads));
    }

    std::printf("Resident memory per display above the %ld KiB held before the engine connected:\n",
                baselineKiB);
    PrintMemory("sweeps with the default options (changed values reported)", reportingSamples.ResidentKiBs(),
                baselineKiB);
    PrintMemory("the first two sweeps, changed values not reported", quietSamples.ResidentKiBs(),
                baselineKiB);
}

// Status sweeps over warm connections, every tenth display reporting `everyTenth`, until `rounds` are
// done or `budget` is spent. Empty, or what went wrong.
std::string EngineRounds(ZOLFleet::Engine& engine, const Records& records, ErrorKind everyTenth, int rounds,
                         std::chrono::seconds budget, Side& side) {
    const auto deadline = Clock::now() + budget;
    for (int round = 0; round < rounds; ++round) {
        if (Clock::now() > deadline)
            return "time budget spent";
        const EngineSweep sweep = RunSweep(engine, records, {everyTenth}, {}, nullptr, 1);
        if (sweep.wrong > 0)
            return "round " + std::to_string(round) + ": " + Describe(sweep);
        side.Add(sweep.seconds, sweep.cpuSeconds);
    }
    return {};
}

void SilentFigure(const Settings& settings) {
    std::printf("\n");
    const unsigned int retries =
        static_cast<unsigned int>(IZOLCommandHandlerFactory::CreateInstance()->GetRetryCount());
    const double referenceSeconds =
        ((retries + 1) * static_cast<double>(kReplyWaitMs) + retries * static_cast<double>(kRetryGapMs)) /
        1000;
    Side engineSide{"engine", {}, {}};
    std::string failure;
    {
        std::optional<bench::DisplayProcess> display;
        std::vector<std::string> extra = GreetingArguments();
        extra.insert(extra.end(), {"--silent-every", std::to_string(kEvery)});
        if (StartRange(display, kSilentBlock, kSmallFleet, extra, failure)) {
            const Records records = MakeRecords(BlockAddresses(kSilentBlock));
            ZOLFleet::Engine engine;
            failure = EngineRounds(engine, records, ErrorKind::NoReply, settings.silentRounds, kSilentBudget,
                                   engineSide);
        }
    }
    char title[200];
    std::snprintf(title, sizeof title,
                  "Status sweep of %d displays, every tenth silent, %u retries (the first round connects)",
                  kSmallFleet, retries);
    char reference[200];
    std::snprintf(reference, sizeof reference,
                  "one silent display's wait, %u sends x %d ms + %u gaps x %d ms = %.1f s", retries + 1,
                  kReplyWaitMs, retries, kRetryGapMs, referenceSeconds);
    PrintLimit(title, engineSide, std::nullopt, reference, kSilentMaxSeconds, failure);
    if (!engineSide.values.empty()) {
        std::printf("  ratio of the median to the reference %.3f, of the p99 %.3f (target <= %.2f)\n",
                    engineSide.Median() / referenceSeconds, engineSide.P99() / referenceSeconds,
                    kSilentMaxSeconds / referenceSeconds);
    }
}

void RefusedFigure(const Settings& settings) {
    std::printf("\n");
    const unsigned int retries =
        static_cast<unsigned int>(IZOLCommandHandlerFactory::CreateInstance()->GetRetryCount());
    Side engineSide{"engine", {}, {}};
    std::string failure;
    {
        std::optional<bench::DisplayProcess> display;
        std::vector<std::string> extra = GreetingArguments();
        extra.insert(extra.end(), {"--absent-every", std::to_string(kEvery)});
        if (StartRange(display, kAbsentBlock, kSmallFleet, extra, failure)) {
            const Records records = MakeRecords(BlockAddresses(kAbsentBlock));
            ZOLFleet::Engine engine;
            const EngineSweep first =
                RunSweep(engine, records, {ErrorKind::Refused}, {}, nullptr, 1); // connects
            if (first.wrong > 0) {
                failure = "the first (connecting) sweep: " + Describe(first);
            }
            if (failure.empty())
                failure = EngineRounds(engine, records, ErrorKind::Refused, settings.rounds, kRefusedBudget,
                                       engineSide);
        }
    }
    char title[200];
    std::snprintf(title, sizeof title,
                  "Status sweep of %d displays, every tenth refusing connections, %u retries", kSmallFleet,
                  retries);
    char reference[200];
    std::snprintf(reference, sizeof reference,
                  "the retry gaps a refused display waits out, %u x %d ms = %.1f s", retries, kRetryGapMs,
                  retries * kRetryGapMs / 1000.0);
    PrintLimit(title, engineSide, std::nullopt, reference, kRefusedMaxSeconds, failure);
}

void ColdFigure(const Settings& settings, bench::fleet::BareProcess& bare, bool greeting) {
    std::printf("\n");
    const int block = greeting ? kColdGreetingBlock : kColdPlainBlock;
    Side engineSide{"engine", {}, {}};
    Side bareSide{"bare", {}, {}};
    std::string failure;
    {
        std::optional<bench::DisplayProcess> display;
        if (StartRange(display, block, kSmallFleet,
                       greeting ? GreetingArguments() : std::vector<std::string>{}, failure)) {
            const Records records = MakeRecords(BlockAddresses(block));
            ZOLFleet::Engine engine;
            const auto deadline = Clock::now() + kColdBudget;
            for (int round = 0; round < settings.rounds && failure.empty(); ++round) {
                if (Clock::now() > deadline) {
                    failure = "time budget spent";
                    break;
                }
                const bench::fleet::BareReport swept =
                    bare.Cold(greeting ? kBareColdGreeting : kBareColdPlain, kSweepBudget);
                if (swept.ok == 0) {
                    failure = "bare round " + std::to_string(round) + ": " + std::to_string(swept.done) +
                              " of " + std::to_string(swept.total) + " displays";
                    break;
                }
                bareSide.Add(swept.seconds, swept.cpuSeconds);
                engine.CloseIdleConnections();
                if (engine.OpenConnections() != 0) {
                    failure = std::to_string(engine.OpenConnections()) + " engine connections left open";
                    break;
                }
                const EngineSweep sweep = RunSweep(engine, records, {}, {}, nullptr, 1);
                if (sweep.wrong > 0) {
                    failure = "engine round " + std::to_string(round) + ": " + Describe(sweep);
                    break;
                }
                engineSide.Add(sweep.seconds, sweep.cpuSeconds);
            }
        }
    }
    char title[200];
    std::snprintf(title, sizeof title,
                  "Cold status sweep of %d displays (connect, %s, request, reply), rounds in turn",
                  kSmallFleet, greeting ? "plain greeting" : "no greeting: the engine waits 50 ms for one");
    PrintLimit(title, engineSide, bareSide, "", kColdMaxSeconds, failure);
}

} // namespace

int main(int argc, char** argv) {
    const Settings settings = ReadSettings(argc, argv);
    ::signal(SIGPIPE, SIG_IGN);

    // The request bytes, and the bare client's process, before any thread is started.
    CLFDData probe;
    probe.SetAddress(Address(kWarmFirstBlock, 0));
    probe.SetConnectionKind(1);
    probe.SetDisplayId(1);
    std::vector<unsigned char> request = StatusRequestBytes(probe);
    if (request.empty()) {
        std::fprintf(stderr, "the library gave no request bytes for the status request\n");
        return 1;
    }
    if (ThreadCount() != 1) {
        std::fprintf(stderr, "%d threads before the bare client's process was forked, not 1\n",
                     ThreadCount());
        return 1;
    }
    const std::size_t greetingSize = std::strlen(zolsim::kPlainGreeting);
    std::vector<bench::fleet::BareFleet> fleets(3);
    fleets[kBareWarm] = BareFleetOf(WarmAddresses(), greetingSize);
    fleets[kBareColdGreeting] = BareFleetOf(BlockAddresses(kColdGreetingBlock), greetingSize);
    fleets[kBareColdPlain] = BareFleetOf(BlockAddresses(kColdPlainBlock), 0);
    bench::fleet::BareProcess bare(std::move(fleets), request);
    if (!bare.Ok()) {
        std::fprintf(stderr, "cannot start the bare client's process\n");
        return 1;
    }

    std::string shown;
    for (const unsigned char byte : request) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", byte);
        shown += hex;
    }
    std::printf("Fleet sweeps: status request %s(%zu bytes); %d rounds (%d silent); pauses real\n",
                shown.c_str(), request.size(), settings.rounds, settings.silentRounds);
    std::fflush(stdout);

    const auto started = Clock::now();
    if (settings.Runs("warm")) {
        WarmFigures(settings, bare);
        std::fflush(stdout);
    }
    if (settings.Runs("silent")) {
        SilentFigure(settings);
        std::fflush(stdout);
    }
    if (settings.Runs("refused")) {
        RefusedFigure(settings);
        std::fflush(stdout);
    }
    if (settings.Runs("cold")) {
        ColdFigure(settings, bare, true);
        std::fflush(stdout);
        ColdFigure(settings, bare, false);
    }
    std::printf("\nWhole run %.1f s\n", std::chrono::duration<double>(Clock::now() - started).count());
    return 0;
}
