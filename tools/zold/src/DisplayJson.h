#pragma once

// The API's documents of the wall's state: one display, every display with the last poll run, and the
// operations a request may name.

#include "Wall.h"
#include "WallState.h"

namespace zold {

// {"name", "groups", "address", "id", "power", "responding", "error", "lastSeen", "lastSeenAgoMs", "rttMs",
// "values"}; lastSeen is UTC with milliseconds ("2026-12-07T12:00:00.123Z").
Json DisplayJson(const WallDisplay& display, const DisplayState& state, SystemTime now);

// {"displays": [...in inventory order], "sweep": {"durationMs", "completedAt"}}.
Json DisplaysJson(const Wall& wall, const StateTable& states);

// {"operations": [{"name", "arguments": [{"name", "syntax"}]}]}: the operations the fleet engine runs by
// name, with the syntax of each in-argument as `zolctl op NAME --help` gives it.
Json OperationsJson();

std::string IsoTime(SystemTime time);

} // namespace zold
