// The fleet engine against in-process simulated displays: what each way of failing reports and that a
// mixed sweep costs about one silent display's wait, relayed IDs taking turns on one connection, the
// stream of results, cancelling, running out of descriptors, several host threads on one engine, and
// operations by name.
// Addresses: 127.0.60.0 - 127.0.66.255.
#include "LFDData.h"
#include "VWDataAdapter.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "ZOLFleet.h"
#include "zolsim/Simulator.h"
#include "zolsim/Tls.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using ZOLFleet::Command;
using ZOLFleet::DisplayResult;
using ZOLFleet::Engine;
using ZOLFleet::ErrorKind;
using ZOLFleet::RunOptions;
using ZOLFleet::RunSummary;

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned char kStatus = 0x00;
constexpr unsigned char kCommand12 = 0x12;
constexpr unsigned char kCommand14 = 0x14;
constexpr int kReplyWaitMs = 2000; // a status request's reply wait: what one silent display costs per send

// This process's trusted-root store: a folder of its own, left empty, so no display's root is trusted.
class EmptyTrustStore : public testing::Environment {
public:
    void SetUp() override {
        base = std::filesystem::temp_directory_path() / ("zol-fleet-engine-" + std::to_string(::getpid()));
        std::filesystem::remove_all(base);
        std::filesystem::create_directories(base);
        ::setenv("ZOL_CERT_STORE_DIR", base.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(base); }

    std::filesystem::path base;
};
[[maybe_unused]] testing::Environment* const g_store = testing::AddGlobalTestEnvironment(new EmptyTrustStore);

long long MsSince(Clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

std::unique_ptr<CLFDData> Record(const std::string& address, int id = 1, const std::string& pin = "") {
    auto record = std::make_unique<CLFDData>();
    record->SetAddress(address);
    record->SetConnectionKind(1);
    record->SetDisplayId(id);
    if (!pin.empty())
        record->SetConnectionParameter(pin);
    return record;
}

std::vector<ILFDData*> Pointers(const std::vector<std::unique_ptr<CLFDData>>& records) {
    std::vector<ILFDData*> pointers;
    for (const auto& record : records)
        pointers.push_back(record.get());
    return pointers;
}

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// The highest descriptor open, the directory's own left out.
int HighestDescriptor() {
    DIR* directory = ::opendir("/proc/self/fd");
    if (directory == nullptr)
        return 1024;
    int highest = -1;
    for (const dirent* entry = ::readdir(directory); entry != nullptr; entry = ::readdir(directory)) {
        const int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] != '.' && fd != ::dirfd(directory))
            highest = std::max(highest, fd);
    }
    ::closedir(directory);
    return highest;
}

// The in-process displays close their side of a connection on their own thread a moment after the client
// left: the count is given up to two seconds to come back down.
std::size_t DescriptorsSettledTo(std::size_t expected) {
    std::size_t now = OpenDescriptors();
    for (int wait = 0; wait < 200 && now > expected; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        now = OpenDescriptors();
    }
    return now;
}

// Runs a sweep and keeps every result by index; each index must come exactly once.
struct Sweep {
    std::vector<DisplayResult> results;
    std::vector<int> calls;
    RunSummary summary;

    Sweep(Engine& engine, const std::vector<ILFDData*>& records, const Command& command,
          const RunOptions& options = {}, const ZOLFleet::CancelToken* cancel = nullptr,
          const std::function<void(const DisplayResult&)>& also = {})
        : results(records.size()), calls(records.size(), 0) {
        summary = engine.Run(
            records, command,
            [&](const DisplayResult& result) {
                if (result.index >= records.size()) {
                    ADD_FAILURE() << "result for index " << result.index << " of " << records.size();
                    return;
                }
                ++calls[result.index];
                results[result.index] = result;
                if (also)
                    also(result);
            },
            options, cancel);
        for (std::size_t index = 0; index < records.size(); ++index)
            EXPECT_EQ(calls[index], 1) << "callbacks for record " << index;
    }
};

RunOptions NoRetries() {
    RunOptions options;
    options.retries = 0;
    return options;
}

zolsim::Fault Every(zolsim::FaultKind kind) {
    zolsim::Fault fault;
    fault.kind = kind;
    fault.times = 1000;
    return fault;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

void DropPooled(const std::vector<std::unique_ptr<CLFDData>>& records) {
    for (const auto& record : records) {
        std::string address;
        record->GetAddress(address);
        IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(address);
    }
}

// --- one display per way of failing, in one sweep

enum class Door { None, Plain, Tls };

struct FailureRow {
    const char* name;
    const char* address;
    Door door;
    zolsim::FaultKind fault; // on every request
    const char* pin;
    ErrorKind error;
    int connectStatus;
};

const FailureRow kFailureRows[] = {
    {"answering", "127.0.60.1", Door::Plain, zolsim::FaultKind::None, "", ErrorKind::Ok, 1},
    {"silent", "127.0.60.2", Door::Plain, zolsim::FaultKind::Drop, "", ErrorKind::NoReply, 1},
    {"nobody listening", "127.0.60.3", Door::None, zolsim::FaultKind::None, "", ErrorKind::Refused, 1},
    {"refusing the command", "127.0.60.4", Door::Plain, zolsim::FaultKind::Nak, "", ErrorKind::Nak, 1},
    {"closing instead of replying", "127.0.60.5", Door::Plain, zolsim::FaultKind::Close, "",
     ErrorKind::NoReply, 1},
    {"untrusted certificate", "127.0.60.6", Door::Tls, zolsim::FaultKind::None, "1234",
     ErrorKind::TlsUntrusted, 2},
    {"secured, record without PIN", "127.0.60.7", Door::Tls, zolsim::FaultKind::None, "",
     ErrorKind::PinRequired, 3},
    {"plain, record with PIN", "127.0.60.8", Door::Plain, zolsim::FaultKind::None, "1234",
     ErrorKind::PinNotNeeded, 4},
    {"not an address", "300.1.1.1", Door::None, zolsim::FaultKind::None, "", ErrorKind::BadAddress, 201},
};

TEST(FleetEngine, EveryWayOfFailingIsToldApartInOneSweepThatCostsOneSilentWait) {
    ResetProcessWide();
    std::vector<std::unique_ptr<zolsim::Simulator>> sims;
    std::vector<std::unique_ptr<CLFDData>> records;
    for (const FailureRow& row : kFailureRows) {
        if (row.door != Door::None) {
            auto sim = std::make_unique<zolsim::Simulator>();
            sim->AddDisplay(1);
            if (row.door == Door::Tls) {
                ASSERT_TRUE(sim->EnableTls()); // a root of its own, which this process does not trust
            } else {
                sim->SetGreeting(zolsim::kPlainGreeting);
            }
            if (row.fault != zolsim::FaultKind::None)
                sim->InjectFault(Every(row.fault));
            ASSERT_TRUE(sim->StartTcp(row.address)) << row.name;
            sims.push_back(std::move(sim));
        }
        records.push_back(Record(row.address, 1, row.pin));
    }

    Engine engine;
    const auto started = Clock::now();
    const Sweep sweep(engine, Pointers(records), Command::Execute(kStatus), NoRetries());
    const long long tookMs = MsSince(started);

    for (std::size_t i = 0; i < std::size(kFailureRows); ++i) {
        const FailureRow& row = kFailureRows[i];
        const DisplayResult& result = sweep.results[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(result.record, records[i].get());
        EXPECT_STREQ(ZOLFleet::ErrorKindName(result.error), ZOLFleet::ErrorKindName(row.error));
        EXPECT_EQ(result.connectStatus, row.connectStatus);
        EXPECT_EQ(result.status, row.error == ErrorKind::Ok ? 1u : 0u);
    }
    EXPECT_EQ(sweep.summary.total, std::size(kFailureRows));
    EXPECT_EQ(sweep.summary.ok, 1u);
    EXPECT_EQ(sweep.summary.failed, std::size(kFailureRows) - 1);
    EXPECT_EQ(sweep.summary.cancelled, 0u);
    // The silent display really waited for its reply, and the others waited alongside, not after it.
    EXPECT_GE(sweep.results[1].elapsed.count(), kReplyWaitMs - 100);
    EXPECT_LT(tookMs, 3 * kReplyWaitMs);
    EXPECT_TRUE(records[0]->GetPower());
    DropPooled(records);
}

// --- IDs behind one relay address

TEST(FleetEngine, RelayedIdsTakeTheirTurnsInListOrderOverOneConnection) {
    ResetProcessWide();
    zolsim::Simulator relay;
    for (unsigned char id = 1; id <= 3; ++id)
        relay.AddRelayedDisplay(id, 3).SetValue(kCommand12, {static_cast<unsigned char>(20 + id)});
    relay.SetGreeting(zolsim::kPlainGreeting);
    ASSERT_TRUE(relay.StartTcp("127.0.61.1"));
    zolsim::Simulator direct;
    direct.AddDisplay(1);
    ASSERT_TRUE(direct.StartTcp("127.0.61.2"));

    std::vector<std::unique_ptr<CLFDData>> records;
    const int relayedIds[] = {2, 1, 3};
    records.push_back(Record("127.0.61.1", relayedIds[0]));
    records.push_back(Record("127.0.61.2", 1));
    records.push_back(Record("127.0.61.1", relayedIds[1]));
    records.push_back(Record("127.0.61.1", relayedIds[2]));
    for (std::size_t i : {0u, 2u, 3u}) {
        records[i]->SetRelayTarget(3);
        records[i]->SetRelayByte(0);
    }

    Engine engine;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        relay.ClearLog();
        const Sweep sweep(engine, Pointers(records), Command::Execute(kCommand12), NoRetries());
        EXPECT_EQ(sweep.summary.ok, records.size());
        std::vector<int> order;
        for (const zolsim::Request& request : relay.Requests())
            if (!request.relayHeader) {
                order.push_back(request.id);
                EXPECT_EQ(request.relayTarget, 3);
            }
        EXPECT_EQ(order, std::vector<int>(std::begin(relayedIds), std::end(relayedIds)));
        for (std::size_t i : {0u, 2u, 3u})
            EXPECT_EQ(records[i]->GetValue12(), 20 + records[i]->GetDisplayId());
    }
    // One connection for all three IDs, kept from the first run to the second.
    EXPECT_EQ(relay.AcceptedConnections(), 1);
    EXPECT_EQ(engine.OpenConnections(), 2u);
    engine.CloseIdleConnections();
    EXPECT_EQ(engine.OpenConnections(), 0u);
}

// --- the results stream

TEST(FleetEngine, EveryRecordIsReportedOnceWithItsIndexAndTheValuesItsReplyChanged) {
    ResetProcessWide();
    zolsim::Simulator sim;
    sim.AddDisplay(1).SetValue(kCommand14, {0x21});
    sim.AddDisplay(2).SetValue(kCommand14, {0x21});
    ASSERT_TRUE(sim.StartTcp("127.0.62.1"));

    std::vector<std::unique_ptr<CLFDData>> owned;
    owned.push_back(Record("127.0.62.1", 1));
    owned.push_back(Record("300.1.1.1"));
    owned.push_back(Record("127.0.62.1", 2));
    std::vector<ILFDData*> records = Pointers(owned);
    records.insert(records.begin() + 1, nullptr); // a list may hold a gap: it reports, it is not skipped

    Engine engine;
    {
        const Sweep sweep(engine, records, Command::Execute(kStatus), NoRetries());
        for (std::size_t i = 0; i < records.size(); ++i)
            EXPECT_EQ(sweep.results[i].record, records[i]) << i;
        EXPECT_EQ(sweep.results[1].error, ErrorKind::BadAddress);
        EXPECT_EQ(sweep.results[2].error, ErrorKind::BadAddress);
        for (std::size_t i : {0u, 3u}) {
            EXPECT_EQ(sweep.results[i].error, ErrorKind::Ok) << i;
            EXPECT_TRUE(Contains(sweep.results[i].changed, "Power")) << i;
            EXPECT_TRUE(Contains(sweep.results[i].changed, "Value14")) << i;
        }
        EXPECT_EQ(sweep.summary.failed, 2u);
    }
    {
        // Only what the display changed since shows as changed.
        sim.FindDisplay(2)->SetValue(kCommand14, {0x23});
        const Sweep sweep(engine, records, Command::Execute(kStatus), NoRetries());
        EXPECT_TRUE(sweep.results[0].changed.empty());
        EXPECT_EQ(sweep.results[3].changed, std::vector<std::string>{"Value14"});
        EXPECT_EQ(owned[2]->GetValue14(), 0x23);
    }
    {
        sim.FindDisplay(1)->SetValue(kCommand14, {0x23});
        RunOptions options = NoRetries();
        options.reportChanges = false;
        const Sweep sweep(engine, records, Command::Execute(kStatus), options);
        for (const DisplayResult& result : sweep.results)
            EXPECT_TRUE(result.changed.empty()) << result.index;
        EXPECT_EQ(owned[0]->GetValue14(), 0x23); // still decoded into the record
    }
}

TEST(FleetEngine, ADisplayOnAPortOfItsOwnIsReachedThereAndAChangedPortStartsAFreshConnection) {
    ResetProcessWide();
    zolsim::Simulator elsewhere;
    elsewhere.AddDisplay(1);
    ASSERT_TRUE(elsewhere.StartTcp("127.0.66.20", 0));
    zolsim::Simulator usual;
    usual.AddDisplay(1);
    ASSERT_TRUE(usual.StartTcp("127.0.66.20"));

    std::vector<std::unique_ptr<CLFDData>> owned;
    owned.push_back(Record("127.0.66.20"));
    const std::vector<ILFDData*> records = Pointers(owned);
    Engine engine;
    RunOptions options = NoRetries();
    options.ports["127.0.66.20"] = elsewhere.TcpPort();
    {
        const Sweep sweep(engine, records, Command::Execute(kStatus), options);
        EXPECT_EQ(sweep.results[0].error, ErrorKind::Ok);
    }
    EXPECT_EQ(elsewhere.AcceptedConnections(), 1);
    EXPECT_EQ(usual.AcceptedConnections(), 0);
    {
        const Sweep sweep(engine, records, Command::Execute(kStatus), NoRetries());
        EXPECT_EQ(sweep.results[0].error, ErrorKind::Ok);
    }
    EXPECT_EQ(usual.AcceptedConnections(), 1);
    EXPECT_EQ(engine.OpenConnections(), 1u);
}

// --- cancelling

struct CancelRow {
    const char* name;
    bool fromCallback; // else from another thread, a moment after the run began
};

class FleetCancel : public testing::TestWithParam<CancelRow> {};

TEST_P(FleetCancel, ReturnsAtOnceReportsTheRestCancelledAndLeavesNoDescriptorOpen) {
    ResetProcessWide();
    constexpr int kSilent = 12;
    zolsim::Simulator silent;
    silent.AddDisplay(1);
    silent.InjectFault(Every(zolsim::FaultKind::Drop));
    std::vector<std::unique_ptr<CLFDData>> records;
    zolsim::Simulator answering;
    answering.AddDisplay(1);
    ASSERT_TRUE(answering.StartTcp("127.0.63.100"));
    records.push_back(Record("127.0.63.100"));
    for (int i = 1; i <= kSilent; ++i) {
        const std::string address = "127.0.63." + std::to_string(i);
        ASSERT_TRUE(silent.StartTcp(address));
        records.push_back(Record(address));
    }
    const std::size_t descriptorsBefore = OpenDescriptors();

    ZOLFleet::CancelToken cancel;
    std::atomic<long long> cancelledAtMs{-1};
    const auto started = Clock::now();
    auto cancelNow = [&] {
        cancelledAtMs = MsSince(started);
        cancel.Cancel();
    };
    RunOptions options;
    options.retries = 4; // a silent display would take five reply waits
    long long returnedAtMs = 0;
    {
        Engine engine;
        std::thread canceller;
        if (!GetParam().fromCallback)
            canceller = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                cancelNow();
            });
        const Sweep sweep(engine, Pointers(records), Command::Execute(kStatus), options, &cancel,
                          [&](const DisplayResult& result) {
                              if (GetParam().fromCallback && result.error == ErrorKind::Ok)
                                  cancelNow();
                          });
        returnedAtMs = MsSince(started);
        if (canceller.joinable())
            canceller.join();
        EXPECT_EQ(sweep.results[0].error, ErrorKind::Ok);
        for (int i = 1; i <= kSilent; ++i)
            EXPECT_EQ(sweep.results[static_cast<std::size_t>(i)].error, ErrorKind::Cancelled) << i;
        EXPECT_EQ(sweep.summary.cancelled, static_cast<std::size_t>(kSilent));
        EXPECT_EQ(sweep.summary.ok, 1u);
    }
    ASSERT_GE(cancelledAtMs.load(), 0);
    EXPECT_LT(returnedAtMs - cancelledAtMs.load(), 1000) << "the run went on after it was cancelled";
    EXPECT_LE(DescriptorsSettledTo(descriptorsBefore), descriptorsBefore);
}

INSTANTIATE_TEST_SUITE_P(Rows, FleetCancel,
                         testing::Values(CancelRow{"FromTheCallback", true},
                                         CancelRow{"FromAnotherThread", false}),
                         [](const testing::TestParamInfo<CancelRow>& info) { return info.param.name; });

// --- no descriptor left

// In a child process of its own, whose limit cannot be raised: past the run's own loop (its epoll and
// wake-up descriptors) nothing is left, so no connection gets a socket.
TEST(FleetEngine, DisplaysForWhichNoDescriptorIsLeftSayThatAndNothingElse) {
    constexpr int kRecords = 40;
    constexpr int kLoopDescriptors = 2;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::vector<std::unique_ptr<CLFDData>> records;
        for (int i = 1; i <= kRecords; ++i)
            records.push_back(Record("127.0.64." + std::to_string(i)));
        // Holes below the highest descriptor are filled, so that exactly the loop's descriptors are left.
        const int highest = HighestDescriptor();
        for (int fill = 0; fill <= highest; ++fill) {
            const int fd = ::dup(STDERR_FILENO);
            if (fd < 0 || fd > highest) {
                if (fd >= 0)
                    ::close(fd);
                break;
            }
        }
        const auto limitTo = static_cast<rlim_t>(highest + 1 + kLoopDescriptors);
        const rlimit lowered{limitTo, limitTo};
        if (::setrlimit(RLIMIT_NOFILE, &lowered) != 0)
            ::_exit(10);
        std::map<ErrorKind, int> kinds;
        {
            Engine engine;
            RunOptions options = NoRetries();
            options.maxInFlight = kRecords;
            engine.Run(
                Pointers(records), Command::Execute(kStatus),
                [&](const DisplayResult& result) { ++kinds[result.error]; }, options);
        }
        const int without = kinds[ErrorKind::OutOfDescriptors];
        std::fprintf(stderr, "out-of-descriptors %d, refused %d, no-reply %d\n", without,
                     kinds[ErrorKind::Refused], kinds[ErrorKind::NoReply]);
        std::fflush(stderr);
        ::_exit(without == kRecords ? 0 : 11);
    }
    int status = 0;
    pid_t reaped = 0;
    for (int wait = 0; wait < 1000 && reaped == 0; ++wait) {
        reaped = ::waitpid(child, &status, WNOHANG);
        if (reaped == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (reaped == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        FAIL() << "the child did not finish within 10 s";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: the limit could not be lowered; 11: a display said otherwise";
}

// --- several host threads on one engine

TEST(FleetEngine, HostThreadsRunningAtOnceEachGetTheirOwnDisplaysRight) {
    ResetProcessWide();
    constexpr int kThreads = 4;
    constexpr int kRounds = 15;
    std::vector<std::unique_ptr<zolsim::Simulator>> sims;
    for (int t = 0; t < kThreads; ++t) {
        auto sim = std::make_unique<zolsim::Simulator>();
        for (unsigned char id = 1; id <= 2; ++id)
            sim->AddDisplay(id).SetValue(kCommand12, {static_cast<unsigned char>(10 * t + id)});
        ASSERT_TRUE(sim->StartTcp("127.0.65." + std::to_string(t + 1)));
        sims.push_back(std::move(sim));
    }
    // One display every thread asks too: a connection busy in one run is not lent to another.
    zolsim::Simulator shared;
    shared.AddDisplay(1).SetValue(kCommand12, {99});
    ASSERT_TRUE(shared.StartTcp("127.0.65.50"));

    Engine engine;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string address = "127.0.65." + std::to_string(t + 1);
            std::vector<std::unique_ptr<CLFDData>> records;
            records.push_back(Record(address, 1));
            records.push_back(Record("127.0.65.50", 1));
            records.push_back(Record(address, 2));
            const std::vector<ILFDData*> pointers = Pointers(records);
            const int expected[] = {10 * t + 1, 99, 10 * t + 2};
            const auto caller = std::this_thread::get_id();
            for (int round = 0; round < kRounds; ++round) {
                for (auto& record : records)
                    record->SetValue12(-1);
                engine.Run(
                    pointers, Command::Execute(kCommand12),
                    [&](const DisplayResult& result) {
                        const bool right = std::this_thread::get_id() == caller &&
                                           result.error == ErrorKind::Ok && result.status == 1 &&
                                           result.index < 3 && result.record == pointers[result.index];
                        if (!right)
                            ++wrong;
                    },
                    NoRetries());
                for (std::size_t i = 0; i < records.size(); ++i)
                    if (records[i]->GetValue12() != expected[i])
                        ++wrong;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

// --- operations by name

TEST(FleetEngine, AnOperationByNameGivesEachDisplaysStatusAndOutArguments) {
    ResetProcessWide();
    std::vector<std::unique_ptr<zolsim::Simulator>> sims;
    std::vector<std::unique_ptr<CLFDData>> records;
    for (int i = 1; i <= 3; ++i) {
        auto sim = std::make_unique<zolsim::Simulator>();
        sim->AddDisplay(1).SetValue(0x26, {static_cast<unsigned char>(40 + i)});
        if (i == 3)
            sim->InjectFault(Every(zolsim::FaultKind::Nak));
        const std::string address = "127.0.66." + std::to_string(i);
        ASSERT_TRUE(sim->StartTcp(address));
        sims.push_back(std::move(sim));
        records.push_back(Record(address));
    }
    IZOLCommandHandlerFactory::CreateInstance()->SetRetryCount(0);
    Engine engine;
    const Sweep sweep(engine, Pointers(records), Command::Operation("GetCommand26"));
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(sweep.results[i].error, ErrorKind::Ok) << i;
        EXPECT_EQ(sweep.results[i].status, 1u) << i;
        EXPECT_EQ(sweep.results[i].outs, std::vector<int>{41 + static_cast<int>(i)}) << i;
    }
    EXPECT_EQ(sweep.results[2].status, 0u);
    EXPECT_EQ(sweep.results[2].error, ErrorKind::Nak);
    IZOLCommandHandlerFactory::CreateInstance()->SetRetryCount(4);
    DropPooled(records);
}

struct RefusedCommandRow {
    const char* name;
    Command command;
};

TEST(FleetEngine, ACommandNoRecordCouldRunIsRefusedBeforeAnythingIsSent) {
    const RefusedCommandRow rows[] = {
        {"too many data bytes", Command::Execute(kCommand12, std::vector<unsigned char>(2043, 0))},
        {"unknown operation", Command::Operation("NoSuchOperation")},
        {"wrong argument count", Command::Operation("GetCommand26", {"1"})},
    };
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    ASSERT_TRUE(sim.StartTcp("127.0.66.10"));
    std::vector<std::unique_ptr<CLFDData>> records;
    records.push_back(Record("127.0.66.10"));
    Engine engine;
    for (const RefusedCommandRow& row : rows) {
        SCOPED_TRACE(row.name);
        int calls = 0;
        EXPECT_THROW(engine.Run(Pointers(records), row.command, [&](const DisplayResult&) { ++calls; }),
                     std::invalid_argument);
        EXPECT_EQ(calls, 0);
    }
    EXPECT_EQ(sim.AcceptedConnections(), 0);
}

} // namespace
