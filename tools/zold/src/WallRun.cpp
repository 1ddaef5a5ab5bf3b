#include "WallRun.h"

#include "Target.h"

#include "LFDValueVisitor.h"
#include "ZOLConnection.h"

#include <set>

namespace zold {

namespace {

constexpr unsigned char kStatusCode = 0x00;
constexpr std::uint32_t kProtocolPort = 1515;

Json StoredValues(const ILFDData& record, const std::vector<std::string>& changed, bool status) {
    std::set<std::string> wanted(changed.begin(), changed.end());
    if (status) {
        // A display that is off reports zeros, which change nothing: power and presence show always.
        wanted.insert({"Power", "Responding"});
    }
    Json values = Json::object();
    for (const LFDNamedValue& named : LFDValues::Snapshot(record)) {
        if (wanted.count(named.name) != 0) {
            values[named.name] = zolctl::ToJson(named.value);
        }
    }
    return values;
}

} // namespace

ZOLFleet::Command StatusCommand() {
    return ZOLFleet::Command::Execute(kStatusCode);
}

bool IsStatus(const ZOLFleet::Command& command) {
    return command.kind == ZOLFleet::Command::Kind::Execute && command.code == kStatusCode &&
           command.data.empty();
}

ZOLFleet::RunSummary RunOnWall(ZOLFleet::Engine& engine, const std::vector<const WallDisplay*>& displays,
                               const ZOLFleet::Command& command, const WallCallback& onResult,
                               const ZOLFleet::CancelToken* cancel) {
    const auto started = std::chrono::steady_clock::now();
    std::vector<CLFDDataPtr> owned;
    std::vector<ILFDData*> records;
    std::vector<const WallDisplay*> running;
    ZOLFleet::RunOptions options;
    std::size_t unreachable = 0;
    for (const WallDisplay* display : displays) {
        if (!display->problem.empty()) {
            WallResult result;
            result.display = display;
            result.result.connectStatus = ZOL_CONNECT_INVALID_ADDRESS;
            result.result.error = ZOLFleet::ErrorKind::BadAddress;
            onResult(result);
            ++unreachable;
            continue;
        }
        owned.push_back(zolctl::MakeRecord(display->target));
        records.push_back(owned.back().get());
        running.push_back(display);
        if (!display->target.IsSerial() && display->target.port != kProtocolPort) {
            options.ports[display->target.host] = display->target.port;
            zolctl::PreparePooledPort(display->target);
        }
    }
    const bool status = IsStatus(command);
    ZOLFleet::RunSummary summary;
    if (!records.empty()) {
        summary = engine.Run(
            records, command,
            [&](const ZOLFleet::DisplayResult& engineResult) {
                WallResult result;
                result.display = running.at(engineResult.index);
                result.result = engineResult;
                if (engineResult.record != nullptr) {
                    result.values = StoredValues(*engineResult.record, engineResult.changed, status);
                }
                onResult(result);
            },
            options, cancel);
    }
    summary.total += unreachable;
    summary.failed += unreachable;
    summary.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    return summary;
}

} // namespace zold
