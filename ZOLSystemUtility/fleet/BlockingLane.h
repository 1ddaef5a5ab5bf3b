#pragma once

// The engine's one worker thread: what the event loop does not carry (secured sessions, serial lines,
// operations by name) runs here through the blocking roads, one connection's records after another. Its
// results are handed back to the loop's thread, which reports them.

#include "ZOLFleet.h"
#include "fleet/EventLoop.h"
#include "fleet/Session.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace zol::fleet {

class BlockingLane {
public:
    BlockingLane(EventLoop& loop, const std::vector<ILFDData*>& records, const RunSettings& settings,
                 const ZOLFleet::CancelToken* cancel);
    ~BlockingLane(); // finishes the record in progress and joins
    BlockingLane(const BlockingLane&) = delete;
    BlockingLane& operator=(const BlockingLane&) = delete;

    // Records (by index into the run's list) that share one connection, run in this order.
    void Add(std::vector<std::size_t> indexes);
    // Results that have come in since the last call.
    std::vector<ZOLFleet::DisplayResult> TakeResults();
    // Stops after the record in progress; what was not started is handed back as Cancelled.
    std::vector<ZOLFleet::DisplayResult> Stop();

private:
    void Work();
    ZOLFleet::DisplayResult RunOne(std::size_t index);

    EventLoop& m_loop;
    const std::vector<ILFDData*>& m_records;
    RunSettings m_settings;
    const ZOLFleet::CancelToken* m_cancel;
    std::mutex m_lock;
    std::condition_variable m_wakeUp;
    std::deque<std::vector<std::size_t>> m_jobs;
    std::vector<ZOLFleet::DisplayResult> m_results;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace zol::fleet
