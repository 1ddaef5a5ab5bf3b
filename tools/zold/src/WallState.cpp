#include "WallState.h"

namespace zold {

namespace {

bool Answered(ZOLFleet::ErrorKind kind) {
    return kind == ZOLFleet::ErrorKind::Ok || kind == ZOLFleet::ErrorKind::Nak;
}

std::optional<bool> PowerOf(const Json& values) {
    const auto power = values.find("Power");
    if (power == values.end()) {
        return std::nullopt;
    }
    if (power->is_boolean()) {
        return power->get<bool>();
    }
    if (power->is_number_integer()) {
        return power->get<long long>() != 0;
    }
    return std::nullopt;
}

} // namespace

void StateTable::Record(const std::string& name, const WallResult& result) {
    const ZOLFleet::ErrorKind kind = result.result.error;
    if (kind == ZOLFleet::ErrorKind::Cancelled) {
        return;
    }
    const std::lock_guard lock(m_lock);
    ++m_generation;
    DisplayState& state = m_states[name];
    if (Answered(kind)) {
        // A failed exchange stores Power and Responding as false first: only an answer's values are kept.
        state.values.update(result.values);
    }
    state.polled = true;
    state.error = kind;
    state.responding = Answered(kind);
    if (state.responding) {
        state.power = PowerOf(state.values);
        state.lastSeen = std::chrono::system_clock::now();
        state.rtt = result.elapsed;
    } else {
        state.power.reset();
    }
}

void StateTable::RecordSweep(std::chrono::milliseconds duration) {
    const std::lock_guard lock(m_lock);
    ++m_generation;
    m_sweep.duration = duration;
    m_sweep.completedAt = std::chrono::system_clock::now();
}

void StateTable::Keep(const Wall& previous, const Wall& current) {
    const std::lock_guard lock(m_lock);
    ++m_generation;
    for (auto state = m_states.begin(); state != m_states.end();) {
        const WallDisplay* now = current.Find(state->first);
        const WallDisplay* before = previous.Find(state->first);
        const bool unchanged = now != nullptr && before != nullptr && now->SameAs(*before);
        state = unchanged ? std::next(state) : m_states.erase(state);
    }
}

DisplayState StateTable::Find(const std::string& name) const {
    const std::lock_guard lock(m_lock);
    const auto found = m_states.find(name);
    return found == m_states.end() ? DisplayState{} : found->second;
}

std::map<std::string, DisplayState> StateTable::All() const {
    const std::lock_guard lock(m_lock);
    return m_states;
}

SweepState StateTable::Sweep() const {
    const std::lock_guard lock(m_lock);
    return m_sweep;
}

StateTable::Snapshot StateTable::Take() const {
    const std::lock_guard lock(m_lock);
    return {m_generation, m_states, m_sweep};
}

std::uint64_t StateTable::Generation() const {
    const std::lock_guard lock(m_lock);
    return m_generation;
}

} // namespace zold
