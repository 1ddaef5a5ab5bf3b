#include "FleetRun.h"

#include "Commands.h"
#include "ErrorKind.h"
#include "FailureText.h"
#include "Firmware.h"
#include "FleetReport.h"
#include "Operations.h"
#include "Target.h"

#include "ZOLConnection.h"
#include "ZOLFleet.h"

#include "LFDValueVisitor.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <unistd.h>

namespace zolctl {

namespace {

using Clock = std::chrono::steady_clock;
using ZOLFleet::ErrorKind;

constexpr std::uint32_t kDefaultPort = 1515;
constexpr unsigned char kStatusCode = 0x00;
constexpr std::size_t kSequentialThreads = 4;

long long MillisecondsSince(Clock::time_point started) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
}

// Cancels the run when --deadline passes; a run without one never ends early.
class Deadline {
public:
    Deadline(double seconds, ZOLFleet::CancelToken& cancel) : m_cancel(cancel) {
        if (seconds <= 0) {
            return;
        }
        const auto end = Clock::now() +
                         std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        m_watch = std::thread([this, end] {
            std::unique_lock lock(m_lock);
            if (!m_done.wait_until(lock, end, [this] { return m_finished; })) {
                m_cancel.Cancel();
                m_expired = true;
                m_done.notify_all();
            }
        });
    }
    // Waits until `time`, or less when the deadline passes first (a --stagger gap never outlasts it).
    void WaitUntil(Clock::time_point time) {
        std::unique_lock lock(m_lock);
        m_done.wait_until(lock, time, [this] { return m_expired; });
    }
    ~Deadline() {
        {
            const std::lock_guard lock(m_lock);
            m_finished = true;
        }
        m_done.notify_all();
        if (m_watch.joinable()) {
            m_watch.join();
        }
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    ZOLFleet::CancelToken& m_cancel;
    std::mutex m_lock;
    std::condition_variable m_done;
    bool m_finished = false;
    bool m_expired = false;
    std::thread m_watch;
};

Json StartRow(const FleetDisplay& display) {
    Json row = Json::object();
    row["name"] = display.name;
    row["address"] = AddressText(display.target);
    row["id"] = display.target.id;
    return row;
}

void EndRow(Json& row, ErrorKind kind, const std::string& message, const Target& target,
            long long elapsedMs) {
    row["error"] = ZOLFleet::ErrorKindName(kind);
    if (kind != ErrorKind::Ok) {
        row["message"] = message.empty() ? FailureText(kind, target) : message;
    }
    row["elapsedMs"] = elapsedMs;
}

Json UnrunRow(const FleetDisplay& display, ErrorKind kind, const std::string& message) {
    Json row = StartRow(display);
    row["result"] = nullptr;
    // A display that was never run has no connect status to tell; one that is no address has the library's.
    row["connectStatus"] = kind == ErrorKind::BadAddress ? Json(ZOL_CONNECT_INVALID_ADDRESS) : Json();
    row["values"] = Json::object();
    EndRow(row, kind, message, display.target, 0);
    return row;
}

// The named values of the record, in the record's order.
Json NamedValues(const ILFDData& record, const std::set<std::string>& names) {
    Json values = Json::object();
    for (const LFDNamedValue& named : LFDValues::Snapshot(record)) {
        if (names.count(named.name) != 0) {
            values[named.name] = ToJson(named.value);
        }
    }
    return values;
}

// Operations by name run one connection after another inside the engine too, and there their rows would
// lose what the one-display command reports (a plain value, text and list outs, the connect status):
// they go display by display, as the other commands outside the engine.
bool ThroughTheEngine(const Request& request) {
    return request.command == Command::Status || request.command == Command::Exec;
}

ZOLFleet::Command EngineCommand(const Request& request) {
    if (request.command == Command::Exec) {
        return ZOLFleet::Command::Execute(request.code, request.data);
    }
    return ZOLFleet::Command::Execute(kStatusCode);
}

void RunThroughTheEngine(const Request& request, FleetReport& report) {
    std::vector<CLFDDataPtr> owned;
    std::vector<ILFDData*> records;
    std::vector<std::size_t> positions;
    ZOLFleet::RunOptions options;
    options.retries = request.target.retries;
    options.stagger = std::chrono::milliseconds(request.staggerMs);
    for (std::size_t i = 0; i < request.fleet.size(); ++i) {
        const FleetDisplay& display = request.fleet[i];
        if (!display.problem.empty()) {
            report.Add(i, UnrunRow(display, ErrorKind::BadAddress, display.problem));
            continue;
        }
        owned.push_back(MakeRecord(display.target));
        records.push_back(owned.back().get());
        positions.push_back(i);
        if (!display.target.IsSerial() && display.target.port != kDefaultPort) {
            options.ports[display.target.host] = display.target.port;
            PreparePooledPort(display.target);
        }
    }
    const ZOLFleet::Command command = EngineCommand(request);
    const bool isStatus = request.command == Command::Status;

    ZOLFleet::CancelToken cancel;
    const Deadline deadline(request.deadlineSeconds, cancel);
    ZOLFleet::Engine engine;
    engine.Run(
        records, command,
        [&](const ZOLFleet::DisplayResult& result) {
            const std::size_t position = positions.at(result.index);
            const FleetDisplay& display = request.fleet[position];
            Json row = StartRow(display);
            row["result"] = result.status;
            row["connectStatus"] = result.connectStatus;
            std::set<std::string> names(result.changed.begin(), result.changed.end());
            if (isStatus) {
                // A display that is off reports zeros, which change nothing: power and presence show always.
                names.insert({"Power", "Responding"});
            }
            row["values"] = result.record != nullptr ? NamedValues(*result.record, names) : Json::object();
            EndRow(row, result.error, {}, display.target, result.elapsed.count());
            report.Add(position, std::move(row));
        },
        options, &cancel);
}

// `base` is the run's request without its wall, so that each display copies only its own.
Outcome RunOne(const Request& base, const FleetDisplay& display) {
    Request single = base;
    single.target = display.target;
    switch (base.command) {
    case Command::Raw:
        return RunRaw(single);
    case Command::Refresh:
        return RunRefresh(single);
    case Command::Op:
        return RunOperation(single);
    default: {
        if (display.mac.empty()) {
            Outcome none;
            none.exitCode = kExitFailure;
            none.json["result"] = false;
            none.message = "the inventory gives display \"" + display.name + "\" no mac";
            return none;
        }
        single.mac = display.mac;
        return RunWol(single);
    }
    }
}

ErrorKind KindOf(const Request& request, const Outcome& outcome, const Target& target) {
    if (const auto error = outcome.json.find("error"); error != outcome.json.end() && error->is_string()) {
        for (int kind = 0; kind <= static_cast<int>(ErrorKind::Cancelled); ++kind) {
            if (error->get<std::string>() == ZOLFleet::ErrorKindName(static_cast<ErrorKind>(kind))) {
                return static_cast<ErrorKind>(kind);
            }
        }
    }
    if (request.command == Command::Wol) {
        // Nothing answers a wake-up: it either left this machine or the display has no address to wake.
        return outcome.exitCode == kExitSuccess ? ErrorKind::Ok : ErrorKind::BadAddress;
    }
    const int connectStatus = outcome.json.value("connectStatus", ZOL_CONNECT_OPENED);
    return CommandErrorKind(target, outcome.exitCode == kExitSuccess ? 1U : 0U, outcome.exitCode == kExitNak,
                            connectStatus);
}

// One connection after another on each of a few threads: displays that share an address (IDs behind one
// relay, one serial line) stay on one thread, in selection order.
void RunOneByOne(const Request& request, FleetReport& report) {
    std::vector<std::vector<std::size_t>> lanes;
    std::map<std::string, std::size_t> laneOf;
    for (std::size_t i = 0; i < request.fleet.size(); ++i) {
        const FleetDisplay& display = request.fleet[i];
        if (!display.problem.empty()) {
            report.Add(i, UnrunRow(display, ErrorKind::BadAddress, display.problem));
            continue;
        }
        const auto [found, added] = laneOf.emplace(display.target.Address(), lanes.size());
        if (added) {
            lanes.emplace_back();
        }
        lanes[found->second].push_back(i);
    }
    Request base = request;
    base.fleet.clear();
    base.selectors.clear();
    ZOLFleet::CancelToken cancel;
    Deadline deadline(request.deadlineSeconds, cancel);
    const Clock::time_point started = Clock::now();
    std::mutex reporting;
    std::atomic<std::size_t> nextLane{0};
    std::atomic<std::size_t> starts{0};
    auto work = [&] {
        for (std::size_t lane = nextLane++; lane < lanes.size(); lane = nextLane++) {
            for (const std::size_t position : lanes[lane]) {
                const FleetDisplay& display = request.fleet[position];
                deadline.WaitUntil(started + std::chrono::milliseconds(static_cast<long long>(starts++) *
                                                                       request.staggerMs));
                Json row;
                if (cancel.IsCancelled()) {
                    row = UnrunRow(display, ErrorKind::Cancelled, {});
                } else {
                    const Clock::time_point begun = Clock::now();
                    const Outcome outcome = RunOne(base, display);
                    row = StartRow(display);
                    for (const auto& [key, value] : outcome.json.items()) {
                        if (key != "error") {
                            row[key] = value;
                        }
                    }
                    const ErrorKind kind = KindOf(request, outcome, display.target);
                    EndRow(row, kind, outcome.message, display.target, MillisecondsSince(begun));
                }
                const std::lock_guard lock(reporting);
                report.Add(position, std::move(row));
            }
        }
    };
    std::vector<std::thread> threads;
    const std::size_t count = std::min(kSequentialThreads, lanes.size());
    for (std::size_t i = 1; i < count; ++i) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
}

// The selected serial displays, in one upload.
int RunWallFirmware(const Request& request, std::ostream& out, std::ostream& err) {
    Request single = request;
    single.selectors.clear();
    single.fleet.clear();
    for (const FleetDisplay& display : request.fleet) {
        if (!display.target.IsSerial()) {
            Outcome refused;
            refused.exitCode = kExitUsage;
            refused.message = "firmware updates displays on serial lines; \"" + display.name + "\" is at " +
                              AddressText(display.target);
            refused.json["error"] = refused.message;
            PrintOutcome(refused, request.json, out, err);
            return kExitUsage;
        }
        single.firmwareDisplays.push_back({display.target.serial, display.target.id});
    }
    const Outcome outcome = RunFirmware(single, err, &err == &std::cerr && ::isatty(STDERR_FILENO) != 0);
    PrintOutcome(outcome, request.json, out, err);
    return outcome.exitCode;
}

} // namespace

int RunWall(const Request& request, std::ostream& out, std::ostream& err) {
    if (request.command == Command::Firmware) {
        return RunWallFirmware(request, out, err);
    }
    const ReportForm form = request.jsonLines ? ReportForm::JsonLines
                            : request.json    ? ReportForm::Json
                                              : ReportForm::Table;
    const Clock::time_point started = Clock::now();
    FleetReport report(form, request.fleet.size(), out, err);
    if (ThroughTheEngine(request)) {
        RunThroughTheEngine(request, report);
    } else {
        RunOneByOne(request, report);
    }
    return report.Finish(std::chrono::milliseconds(MillisecondsSince(started)));
}

} // namespace zolctl
