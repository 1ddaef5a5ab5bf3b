#include "WallRun.h"

#include "Target.h"

#include "LFDValueVisitor.h"
#include "ZOLConnection.h"

#include <algorithm>
#include <optional>
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

std::optional<LFDValue> ValueOf(const Json& json) {
    if (json.is_boolean()) {
        return LFDValue(json.get<bool>());
    }
    if (json.is_number_integer()) {
        return LFDValue(json.get<int>());
    }
    if (json.is_string()) {
        return LFDValue(json.get<std::string>());
    }
    if (json.is_array()) {
        std::vector<int> ints;
        for (const Json& item : json) {
            if (!item.is_number_integer()) {
                return std::nullopt;
            }
            ints.push_back(item.get<int>());
        }
        return LFDValue(std::move(ints));
    }
    return std::nullopt;
}

// Values that do not fit the record (none should: they came from one) are left at its defaults.
void Seed(ILFDData& record, const Json& values) {
    if (!values.is_object()) {
        return;
    }
    for (const auto& item : values.items()) {
        if (const std::optional<LFDValue> value = ValueOf(item.value())) {
            LFDValues::Assign(record, item.key(), *value);
        }
    }
}

} // namespace

double Milliseconds(std::chrono::microseconds elapsed) {
    return static_cast<double>(elapsed.count()) / 1000.0;
}

ZOLFleet::Command StatusCommand() {
    return ZOLFleet::Command::Execute(kStatusCode);
}

bool IsStatus(const ZOLFleet::Command& command) {
    return command.kind == ZOLFleet::Command::Kind::Execute && command.code == kStatusCode &&
           command.data.empty();
}

ZOLFleet::RunSummary RunOnWall(ZOLFleet::Engine& engine, const std::vector<const WallDisplay*>& displays,
                               const ZOLFleet::Command& command, const WallCallback& onResult,
                               const ZOLFleet::CancelToken* cancel, const WallKnown& known) {
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
        if (known) {
            Seed(*owned.back(), known(*display));
        }
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
                // The engine's whole milliseconds are cut short: the time lies below the next one. The
                // time since the run started is finer but counts a wait for a free connection too; the
                // smaller of the two is the closer.
                result.elapsed = std::min(std::chrono::duration_cast<std::chrono::microseconds>(
                                              std::chrono::steady_clock::now() - started),
                                          std::chrono::duration_cast<std::chrono::microseconds>(
                                              engineResult.elapsed + std::chrono::milliseconds(1)));
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
