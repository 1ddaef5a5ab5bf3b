#pragma once

// One fleet engine run over some displays of the wall: every display gets a fresh record, so that runs
// that overlap (a poll and a POST for the same display) share nothing but the engine's connections.

#include "Wall.h"

#include "RecordJson.h"

#include "ZOLFleet.h"

#include <functional>
#include <vector>

namespace zold {

using Json = zolctl::Json;

// The command zolctl's status sends: the display's health status, whose reply stores power and presence.
ZOLFleet::Command StatusCommand();
bool IsStatus(const ZOLFleet::Command& command);

// What the service keeps of one display's result: the engine's result and the record values its reply
// stored (and for a status, Power and Responding whatever they hold).
struct WallResult {
    const WallDisplay* display = nullptr;
    ZOLFleet::DisplayResult result; // its record pointer is dangling after the callback: never read it
    Json values = Json::object();
    // From the start of the run to this result, finer than the engine's whole milliseconds: an answer
    // over a local network takes less than one.
    std::chrono::microseconds elapsed{0};
};

using WallCallback = std::function<void(const WallResult&)>;
// The record values a display is known to hold (its stored state's); an empty object when none.
using WallKnown = std::function<Json(const WallDisplay&)>;

// Runs the command over the displays and calls back once per display, as each finishes (on this thread).
// Each record starts with what `known` gives for its display, so a result's `changed` lists the values
// that differ from those. A display that cannot be reached (its host did not resolve) reports
// bad-address without a run. Throws std::invalid_argument as Engine::Run does for a command no record
// could run.
ZOLFleet::RunSummary RunOnWall(ZOLFleet::Engine& engine, const std::vector<const WallDisplay*>& displays,
                               const ZOLFleet::Command& command, const WallCallback& onResult,
                               const ZOLFleet::CancelToken* cancel, const WallKnown& known = {});

// Milliseconds with three decimals, as the API reports times.
double Milliseconds(std::chrono::microseconds elapsed);

} // namespace zold
