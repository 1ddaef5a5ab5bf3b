#include "Poller.h"

#include "Log.h"

#include <algorithm>

namespace zold {

namespace {

// Runs at once, each with its own event loop and thread: beyond this a new round waits for one to end.
// Runs of answering displays end within a round trip; only a run holding a silent display lasts (its
// waits and retries), and a silent display is in one run at a time, so this is reached only with more
// silent displays than this falling due at different moments.
constexpr std::size_t kMaxRunsAtOnce = 128;
// The scheduler looks again at least this often, so that a missed wake-up costs no more.
constexpr auto kLongestSleep = std::chrono::milliseconds(500);

} // namespace

Poller::Poller(ZOLFleet::Engine& engine, StateTable& states, Metrics& metrics)
    : m_engine(engine), m_states(states), m_metrics(metrics) {}

Poller::~Poller() {
    Stop();
}

void Poller::SetWall(std::shared_ptr<const Wall> wall) {
    {
        const std::lock_guard lock(m_lock);
        std::map<std::string, Schedule> schedule;
        const Clock::time_point now = Clock::now();
        for (const WallDisplay& display : wall->displays) {
            const WallDisplay* before = m_wall ? m_wall->Find(display.name) : nullptr;
            const auto kept = m_schedule.find(display.name);
            if (before != nullptr && before->SameAs(display) && kept != m_schedule.end()) {
                Schedule next = kept->second;
                // A shorter interval than before takes effect now, not after the old one ran out.
                next.due = std::min(next.due, now + display.interval);
                schedule[display.name] = next;
            } else {
                // In flight under its old definition: that run's result is dropped, the new one starts when
                // it ends.
                const bool inFlight = kept != m_schedule.end() && kept->second.inFlight;
                schedule[display.name] = Schedule{now, inFlight};
            }
        }
        m_schedule = std::move(schedule);
        m_wall = std::move(wall);
    }
    m_wake.notify_all();
}

void Poller::Start() {
    const std::lock_guard lock(m_lock);
    if (!m_scheduler.joinable() && !m_stopping) {
        m_scheduler = std::thread([this] { SchedulerLoop(); });
    }
}

void Poller::Stop() {
    {
        const std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_cancel.Cancel();
    m_wake.notify_all();
    if (m_scheduler.joinable()) {
        m_scheduler.join();
    }
    std::list<Worker> workers;
    {
        const std::lock_guard lock(m_lock);
        workers.swap(m_workers);
    }
    for (Worker& worker : workers) {
        if (worker.thread.joinable()) {
            worker.thread.join();
        }
    }
}

std::size_t Poller::RunsStarted() const {
    const std::lock_guard lock(m_lock);
    return m_runsStarted;
}

void Poller::ReapFinishedWorkers(std::unique_lock<std::mutex>& lock) {
    std::list<Worker> finished;
    for (auto worker = m_workers.begin(); worker != m_workers.end();) {
        const auto next = std::next(worker);
        if (worker->done) {
            finished.splice(finished.end(), m_workers, worker);
        }
        worker = next;
    }
    lock.unlock();
    for (Worker& worker : finished) {
        worker.thread.join();
    }
    lock.lock();
}

// The waits here are for an event (a display falling due, a run ending, a stop), not the protocol's fixed
// pauses: a condition variable lets Stop and SetWall cut them short.
void Poller::SchedulerLoop() {
    std::unique_lock lock(m_lock);
    while (!m_stopping) {
        ReapFinishedWorkers(lock);
        const Clock::time_point now = Clock::now();
        Clock::time_point wake = now + kLongestSleep;
        std::vector<const WallDisplay*> batch;
        if (m_wall && m_workers.size() < kMaxRunsAtOnce) {
            for (const WallDisplay& display : m_wall->displays) {
                Schedule& schedule = m_schedule[display.name];
                if (schedule.inFlight) {
                    continue;
                }
                if (schedule.due <= now) {
                    schedule.inFlight = true;
                    // Due again an interval after this start, so a slow run does not drift the schedule.
                    schedule.due = now + display.interval;
                    batch.push_back(&display);
                }
                wake = std::min(wake, schedule.due);
            }
        }
        if (!batch.empty()) {
            ++m_runsStarted;
            Worker& worker = m_workers.emplace_back();
            worker.thread =
                std::thread([this, wall = m_wall, batch, self = &worker] { RunBatch(wall, batch, self); });
        }
        m_wake.wait_until(lock, wake, [this] { return m_stopping; });
    }
}

void Poller::RunBatch(const std::shared_ptr<const Wall>& wall, const std::vector<const WallDisplay*>& batch,
                      Worker* self) {
    auto settle = [&](const WallResult& result) {
        m_metrics.Observe(result);
        bool current = false;
        {
            const std::lock_guard lock(m_lock);
            const WallDisplay* now = m_wall ? m_wall->Find(result.display->name) : nullptr;
            current = now != nullptr && now->SameAs(*result.display);
            if (const auto schedule = m_schedule.find(result.display->name); schedule != m_schedule.end()) {
                schedule->second.inFlight = false;
            }
        }
        if (current) {
            m_states.Record(result.display->name, result);
        }
        m_wake.notify_all();
    };
    try {
        const ZOLFleet::RunSummary summary =
            RunOnWall(m_engine, batch, StatusCommand(), settle, &m_cancel,
                      [this](const WallDisplay& display) { return m_states.Find(display.name).values; });
        if (!m_cancel.IsCancelled()) {
            m_states.RecordSweep(summary.elapsed);
        }
    } catch (const std::exception& failure) {
        // The status command runs on any record; this would be a fault of the engine, not of a display.
        Log(LogLevel::Error, std::string("a poll run failed: ") + failure.what());
        const std::lock_guard lock(m_lock);
        for (const WallDisplay* display : batch) {
            if (const auto schedule = m_schedule.find(display->name); schedule != m_schedule.end()) {
                schedule->second.inFlight = false;
            }
        }
    }
    {
        const std::lock_guard lock(m_lock);
        self->done = true;
    }
    m_wake.notify_all();
    (void)wall; // held so that the displays of the batch outlive a reload
}

} // namespace zold
