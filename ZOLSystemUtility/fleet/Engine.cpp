#include "ZOLFleet.h"

#include "ILFDData.h"
#include "Logger.h"
#include "ZOLCommandHandler.h"
#include "command/ReplyDecoder.h"
#include "fleet/BlockingLane.h"
#include "fleet/DescriptorBudget.h"
#include "fleet/EventLoop.h"
#include "fleet/Session.h"
#include "helpers/OperationTable.h"
#include "platform/Pause.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

namespace ZOLFleet {

namespace {

constexpr std::size_t kMaxDataLength = 2042;
constexpr int kTurnMs = 50; // the longest a turn of the loop waits: how soon a cancel is seen

} // namespace

Command Command::Execute(unsigned char code, std::vector<unsigned char> data) {
    Command command;
    command.kind = Kind::Execute;
    command.code = code;
    command.data = std::move(data);
    return command;
}

Command Command::Operation(std::string name, std::vector<std::string> arguments) {
    Command command;
    command.kind = Kind::Operation;
    command.operation = std::move(name);
    command.arguments = std::move(arguments);
    return command;
}

class Engine::Impl {
public:
    // The engine's link for an address, checked out for a run; a link busy in another run is not shared:
    // the caller gets a link of its own (kept in `spare`).
    zol::fleet::Link& CheckOut(const std::string& address, const std::string& credential, std::uint32_t port,
                               std::vector<std::unique_ptr<zol::fleet::Link>>& spare) {
        std::lock_guard guard(m_lock);
        std::unique_ptr<zol::fleet::Link>& slot = m_links[address];
        if (slot && slot->busy) {
            spare.push_back(std::make_unique<zol::fleet::Link>());
            spare.back()->address = address;
            spare.back()->credential = credential;
            spare.back()->port = port;
            return *spare.back();
        }
        if (!slot || slot->credential != credential || slot->port != port) {
            // A new PIN or port starts over with a fresh connection.
            slot = std::make_unique<zol::fleet::Link>();
            slot->address = address;
            slot->credential = credential;
            slot->port = port;
        }
        slot->busy = true;
        return *slot;
    }
    // Whether every group's link is open and free to be checked out: such a run needs no new descriptor.
    template <typename Groups> bool AllOpen(const Groups& groups) const {
        std::lock_guard guard(m_lock);
        for (const auto& group : groups) {
            const auto found = m_links.find(group.address);
            if (found == m_links.end() || !found->second || found->second->busy || found->second->fd < 0 ||
                found->second->credential != group.credential || found->second->port != group.port)
                return false;
        }
        return true;
    }
    // A loop for a run: one that served an earlier run still holds its connections' registrations.
    std::unique_ptr<zol::fleet::EventLoop> TakeLoop() {
        {
            std::lock_guard guard(m_lock);
            if (!m_loops.empty()) {
                auto loop = std::move(m_loops.back());
                m_loops.pop_back();
                return loop;
            }
        }
        return std::make_unique<zol::fleet::EventLoop>();
    }
    void GiveBack(std::unique_ptr<zol::fleet::EventLoop> loop) {
        if (!loop || !loop->Ok())
            return;
        loop->EndRun();
        std::lock_guard guard(m_lock);
        m_loops.push_back(std::move(loop));
    }
    void CheckIn(zol::fleet::Link& link) {
        std::lock_guard guard(m_lock);
        link.busy = false;
    }
    std::size_t Open() const {
        std::lock_guard guard(m_lock);
        std::size_t open = 0;
        for (const auto& [address, link] : m_links)
            open += link && link->fd >= 0 ? 1 : 0;
        return open;
    }
    void CloseIdle() {
        std::lock_guard guard(m_lock);
        for (auto& [address, link] : m_links)
            if (link && !link->busy)
                link->Close();
    }

private:
    mutable std::mutex m_lock;
    std::unordered_map<std::string, std::unique_ptr<zol::fleet::Link>> m_links;
    std::vector<std::unique_ptr<zol::fleet::EventLoop>> m_loops; // idle, one per run that ran at once
};

Engine::Engine() : m_impl(std::make_unique<Impl>()) {}
Engine::~Engine() = default;

std::size_t Engine::OpenConnections() const {
    return m_impl->Open();
}

void Engine::CloseIdleConnections() {
    m_impl->CloseIdle();
}

namespace {

void Validate(const Command& command) {
    if (command.kind == Command::Kind::Execute) {
        if (command.data.size() > kMaxDataLength)
            throw std::invalid_argument("a command carries at most 2042 data bytes, not " +
                                        std::to_string(command.data.size()));
        return;
    }
    const zol::helpers::Operation* operation = zol::helpers::FindOperation(command.operation);
    if (operation == nullptr)
        throw std::invalid_argument("unknown operation \"" + command.operation + "\"");
    if (operation->InCount() != command.arguments.size())
        throw std::invalid_argument(command.operation + " takes " + std::to_string(operation->InCount()) +
                                    " arguments, not " + std::to_string(command.arguments.size()));
}

// Where a record's exchanges go: its TCP address, or its serial line; records with the same key share it.
struct Group {
    std::string key;
    bool lane = false; // the blocking roads carry it
    std::string address;
    std::string credential;
    std::uint32_t port = 1515;
    std::vector<std::size_t> indexes;
};

std::vector<Group> GroupRecords(const std::vector<ILFDData*>& records, const Command& command,
                                const RunOptions& options, std::vector<std::size_t>& orphans) {
    std::vector<Group> groups;
    std::unordered_map<std::string, std::size_t> byKey;
    byKey.reserve(records.size());
    for (std::size_t index = 0; index < records.size(); ++index) {
        ILFDData* record = records[index];
        if (record == nullptr) {
            orphans.push_back(index);
            continue;
        }
        std::string address;
        std::string credential;
        record->GetAddress(address);
        record->GetConnectionParameter(credential);
        const bool serial = record->GetConnectionKind() != 1;
        const std::string key = (serial ? "serial:" : "tcp:") + address;
        auto [found, added] = byKey.emplace(key, groups.size());
        if (added) {
            Group group;
            group.key = key;
            group.lane = serial || command.kind == Command::Kind::Operation;
            group.address = address;
            group.credential = credential;
            if (const auto port = options.ports.find(address); port != options.ports.end())
                group.port = port->second;
            groups.push_back(std::move(group));
        }
        groups[found->second].indexes.push_back(index);
    }
    return groups;
}

} // namespace

RunSummary Engine::Run(const std::vector<ILFDData*>& records, const Command& command,
                       const ResultCallback& onResult, const RunOptions& options, const CancelToken* cancel) {
    Validate(command);
    const auto started = std::chrono::steady_clock::now();
    RunSummary summary;
    summary.total = records.size();
    auto report = [&](DisplayResult&& result) {
        if (result.error == ErrorKind::Ok)
            ++summary.ok;
        else if (result.error == ErrorKind::Cancelled)
            ++summary.cancelled;
        else
            ++summary.failed;
        if (onResult)
            onResult(result);
    };

    std::vector<std::size_t> orphans;
    std::vector<Group> groups = GroupRecords(records, command, options, orphans);
    for (const std::size_t index : orphans) {
        DisplayResult result;
        result.index = index;
        result.error = ErrorKind::BadAddress;
        report(std::move(result));
    }

    zol::fleet::RunSettings settings;
    settings.command = &command;
    settings.retries = options.retries.value_or(IZOLCommandHandlerFactory::CreateInstance()->GetRetryCount());
    settings.reportChanges = options.reportChanges;
    settings.displayTypeTags = &zol::command::DefaultDisplayTypeTags();

    // A sweep over connections already open needs no new descriptor: the limits are looked at only when
    // some are to be made (counting what is open costs a listing of every descriptor).
    const std::size_t maxInFlight =
        m_impl->AllOpen(groups)
            ? (options.maxInFlight > 0 ? options.maxInFlight : std::max<std::size_t>(groups.size(), 1))
            : zol::fleet::PrepareDescriptors(groups.size(), options.maxInFlight);
    // Given back to the engine when the run ends, after every session and the blocking roads are gone.
    class LoopLease {
    public:
        explicit LoopLease(Engine::Impl& engine) : m_engine(engine), m_loop(engine.TakeLoop()) {}
        ~LoopLease() { m_engine.GiveBack(std::move(m_loop)); }
        LoopLease(const LoopLease&) = delete;
        LoopLease& operator=(const LoopLease&) = delete;
        zol::fleet::EventLoop& Loop() { return *m_loop; }

    private:
        Engine::Impl& m_engine;
        std::unique_ptr<zol::fleet::EventLoop> m_loop;
    } lease(*m_impl);
    zol::fleet::EventLoop& loop = lease.Loop();
    if (!loop.Ok()) {
        ZOL_LOG_ERROR << "The fleet engine could not make its event loop";
    }
    std::unique_ptr<zol::fleet::BlockingLane> lane;
    auto toLane = [&](std::vector<std::size_t> indexes) {
        if (!lane)
            lane = std::make_unique<zol::fleet::BlockingLane>(loop, records, settings, cancel);
        lane->Add(std::move(indexes));
    };
    std::size_t laneOutstanding = 0;

    zol::fleet::SessionEvents events;
    events.report = report;
    events.delegate = [&](std::vector<std::size_t> indexes) {
        laneOutstanding += indexes.size();
        toLane(std::move(indexes));
    };

    std::deque<Group*> waiting;
    for (Group& group : groups) {
        if (group.lane || !loop.Ok()) {
            laneOutstanding += group.indexes.size();
            toLane(group.indexes);
        } else {
            waiting.push_back(&group);
        }
    }

    std::vector<std::unique_ptr<zol::fleet::Link>> spare;
    std::vector<std::unique_ptr<zol::fleet::Session>> active;
    std::uint64_t nextStart = zol::platform::SteadyMs();
    bool cancelled = false;
    std::size_t finishedSessions = 0;
    events.finished = [&finishedSessions] { ++finishedSessions; };
    // One pass over the sessions, and only after some finished: a sweep of thousands turns the loop often.
    auto retire = [&] {
        if (finishedSessions == 0)
            return;
        finishedSessions = 0;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < active.size(); ++i) {
            if (active[i]->Finished()) {
                zol::fleet::Link& link = active[i]->GetLink();
                active[i].reset();
                m_impl->CheckIn(link);
            } else {
                if (kept != i)
                    active[kept] = std::move(active[i]);
                ++kept;
            }
        }
        active.resize(kept);
    };
    auto drainLane = [&] {
        if (!lane)
            return;
        for (DisplayResult& result : lane->TakeResults()) {
            --laneOutstanding;
            report(std::move(result));
        }
    };

    while (!waiting.empty() || !active.empty() || laneOutstanding > 0) {
        if (!cancelled && cancel != nullptr && cancel->IsCancelled()) {
            cancelled = true;
            for (auto& session : active)
                session->Cancel();
            for (Group* group : waiting)
                for (const std::size_t index : group->indexes) {
                    DisplayResult result;
                    result.record = records[index];
                    result.index = index;
                    result.error = ErrorKind::Cancelled;
                    report(std::move(result));
                }
            waiting.clear();
            if (lane)
                for (DisplayResult& result : lane->Stop()) {
                    --laneOutstanding;
                    report(std::move(result));
                }
        }
        const std::uint64_t now = zol::platform::SteadyMs();
        while (!waiting.empty() && active.size() < maxInFlight && now >= nextStart) {
            Group& group = *waiting.front();
            waiting.pop_front();
            zol::fleet::Link& link = m_impl->CheckOut(group.address, group.credential, group.port, spare);
            if (link.secured) {
                m_impl->CheckIn(link);
                laneOutstanding += group.indexes.size();
                toLane(group.indexes);
                continue;
            }
            active.push_back(
                std::make_unique<zol::fleet::Session>(loop, link, records, group.indexes, settings, events));
            active.back()->Start();
            if (options.stagger.count() > 0)
                nextStart = now + static_cast<std::uint64_t>(options.stagger.count());
        }
        retire();
        drainLane();
        if (waiting.empty() && active.empty() && laneOutstanding == 0)
            break;
        int wait = kTurnMs;
        if (!waiting.empty() && active.size() < maxInFlight && nextStart > now)
            wait = static_cast<int>(std::min<std::uint64_t>(nextStart - now, kTurnMs));
        loop.Turn(wait);
        retire();
        drainLane();
    }
    lane.reset();
    summary.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    return summary;
}

} // namespace ZOLFleet
