#pragma once

// The API's documents of the wall's state: one display, every display with the last poll run, and the
// operations a request may name.

#include "Wall.h"
#include "WallState.h"

#include <memory>
#include <mutex>
#include <string>

namespace zold {

// {"name", "groups", "address", "id", "power", "responding", "error", "lastSeen", "lastSeenAgoMs", "rttMs",
// "values"}; lastSeen is UTC with milliseconds ("2026-12-07T12:00:00.123Z").
Json DisplayJson(const WallDisplay& display, const DisplayState& state, SystemTime now);

// {"displays": [...in inventory order], "sweep": {"durationMs", "completedAt"}}.
Json DisplaysJson(const Wall& wall, const StateTable::Snapshot& snapshot, SystemTime now);

// The displays document as bytes, rendered again only when the wall or a state changed, or when the one
// rendered is older than kMostDocumentAge: its lastSeenAgoMs values are at most that much behind.
// Requests that come while it renders wait for it; one rendered from a copy taken after a request came
// serves that request as it is.
inline constexpr auto kMostDocumentAge = std::chrono::milliseconds(100);

class DisplaysDocument {
public:
    std::shared_ptr<const std::string> Body(const std::shared_ptr<const Wall>& wall,
                                            const StateTable& states);

private:
    std::mutex m_lock;
    std::shared_ptr<const Wall> m_wall;
    std::uint64_t m_generation = 0;
    std::chrono::steady_clock::time_point m_renderedAt;
    std::shared_ptr<const std::string> m_body;
};

// {"operations": [{"name", "arguments": [{"name", "syntax"}]}]}: the operations the fleet engine runs by
// name, with the syntax of each in-argument as `zolctl op NAME --help` gives it.
Json OperationsJson();

std::string IsoTime(SystemTime time);

} // namespace zold
