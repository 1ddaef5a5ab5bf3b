#pragma once

// The service's figures in the Prometheus text format: per display whether it is up, responding and on,
// the round trips of its commands, errors by kind and how long poll runs take.

#include "Wall.h"
#include "WallState.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace zold {

class Metrics {
public:
    // One display's result of any command: its round trip when it answered, its error kind when not ok.
    void Observe(const WallResult& result);

    // The exposition text: counters and histogram from what was observed, gauges from the state table.
    std::string Render(const Wall& wall, const StateTable& states) const;

private:
    static constexpr std::array<double, 12> kBuckets = {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                        0.1,   0.25,   0.5,   1.0,  2.5,   5.0};
    mutable std::mutex m_lock;
    std::array<std::uint64_t, kBuckets.size()> m_bucketCounts{};
    std::uint64_t m_rttCount = 0;
    double m_rttSum = 0;
    std::map<std::string, std::uint64_t> m_errors; // by error kind name
};

} // namespace zold
