#pragma once

// The last known state of every display: what its polls found, kept between polls and read by the API and
// the metrics. Polls and API requests write it from their own threads; readers get copies.

#include "Wall.h"
#include "WallRun.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace zold {

using SystemTime = std::chrono::system_clock::time_point;

struct DisplayState {
    bool polled = false;       // a command finished (a cancelled one does not count)
    bool responding = false;   // the last command was answered (a NAK is an answer)
    std::optional<bool> power; // from the values; nothing while the display does not answer
    ZOLFleet::ErrorKind error = ZOLFleet::ErrorKind::Ok;
    std::optional<SystemTime> lastSeen;           // when it last answered
    std::optional<std::chrono::microseconds> rtt; // the last answered command's round trip
    Json values = Json::object();                 // every record value a reply stored, the latest of each
};

// The timing of the most recent poll run.
struct SweepState {
    std::chrono::milliseconds duration{0};
    std::optional<SystemTime> completedAt;
};

class StateTable {
public:
    // A result of any command (a poll, a refresh, an operation or a command sent): whether the display
    // answered, when and how fast, and the values its reply stored. A cancelled result tells nothing
    // about the display and is not kept.
    void Record(const std::string& name, const WallResult& result);
    void RecordSweep(std::chrono::milliseconds duration);

    // Forgets displays that are gone from the wall or are now reached another way.
    void Keep(const Wall& previous, const Wall& current);

    DisplayState Find(const std::string& name) const; // a never-polled state for an unknown name
    std::map<std::string, DisplayState> All() const;
    SweepState Sweep() const;

    // Every state and the sweep as of one moment, with the generation they belong to.
    struct Snapshot {
        std::uint64_t generation = 0;
        std::map<std::string, DisplayState> states;
        SweepState sweep;
    };
    Snapshot Take() const;
    // Counts every change of any state or of the sweep: a document rendered at one generation holds as
    // long as this is the same.
    std::uint64_t Generation() const;

private:
    mutable std::mutex m_lock;
    std::map<std::string, DisplayState> m_states;
    SweepState m_sweep;
    std::uint64_t m_generation = 0;
};

} // namespace zold
