#pragma once

// Polls every display of the wall on its own interval through one fleet engine. A scheduler thread
// gathers the displays that are due and not already in flight and hands them, as one engine run, to a
// worker of their own: a silent display holds back only the run it is in, and the next round of the
// others goes out on time in another run. Nothing here waits on an HTTP client.

#include "Metrics.h"
#include "Wall.h"
#include "WallState.h"

#include "ZOLFleet.h"

#include <chrono>
#include <condition_variable>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zold {

class Poller {
public:
    Poller(ZOLFleet::Engine& engine, StateTable& states, Metrics& metrics);
    ~Poller();
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    // The displays to poll from now on. Displays that stay the same keep their schedule; new ones are due
    // at once. A run already going finishes, but results of displays no longer in the wall are dropped.
    void SetWall(std::shared_ptr<const Wall> wall);

    void Start();
    // Cancels every run, waits for the workers and the scheduler. Idempotent.
    void Stop();

    // Poll runs started so far (tests).
    std::size_t RunsStarted() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Schedule {
        Clock::time_point due;
        bool inFlight = false;
    };
    struct Worker {
        std::thread thread;
        bool done = false;
    };

    void SchedulerLoop();
    void RunBatch(const std::shared_ptr<const Wall>& wall, const std::vector<const WallDisplay*>& batch,
                  Worker* self);
    void ReapFinishedWorkers(std::unique_lock<std::mutex>& lock);

    ZOLFleet::Engine& m_engine;
    StateTable& m_states;
    Metrics& m_metrics;
    ZOLFleet::CancelToken m_cancel;

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::shared_ptr<const Wall> m_wall;
    std::map<std::string, Schedule> m_schedule;
    std::list<Worker> m_workers;
    std::size_t m_runsStarted = 0;
    bool m_stopping = false;
    std::thread m_scheduler;
};

} // namespace zold
