#include "FleetRoster.h"

namespace zolsim {

std::size_t FleetRoster::AddRange(const AddressRange& range, const FleetOptions& options) {
    auto entry = std::make_unique<Range>();
    entry->addresses = range;
    entry->options = options;
    if (!options.greeting.empty()) {
        entry->greeting = std::make_shared<const Bytes>(options.greeting.begin(), options.greeting.end());
    }
    std::lock_guard guard(m_lock);
    entry->firstIndex = m_cores.size();
    m_cores.resize(m_cores.size() + range.Size());
    m_ranges.push_back(std::move(entry));
    return m_ranges.back()->firstIndex;
}

const FleetRoster::Range* FleetRoster::RangeOf(std::size_t index) const {
    for (const auto& range : m_ranges) {
        if (index >= range->firstIndex && index - range->firstIndex < range->addresses.Size()) {
            return range.get();
        }
    }
    return nullptr;
}

Core& FleetRoster::CoreAt(const Range& range, std::size_t index) {
    std::unique_ptr<Core>& core = m_cores[index];
    if (!core) {
        core = std::make_unique<Core>();
        // Nobody reads a fleet display's log, and a fleet serves for as long as a benchmark runs.
        core->SetKeepLog(false);
        core->SetRequestLog(m_requestLog);
        for (unsigned char id : range.options.ids) {
            core->AddDisplay(id, -1);
        }
        for (const auto& [id, target] : range.options.relayed) {
            core->AddDisplay(id, target);
        }
    }
    return *core;
}

FleetRoster::Serving FleetRoster::Serve(std::size_t index) {
    std::lock_guard guard(m_lock);
    const Range* range = RangeOf(index);
    if (range == nullptr) {
        return {};
    }
    Serving serving;
    serving.greeting = range->greeting;
    serving.greetingDelayMs = range->options.greetingDelayMs;
    serving.address = range->addresses.AddressAt(index - range->firstIndex);
    serving.requestLog = m_requestLog;
    if (RoleAt(range->options, index - range->firstIndex) == AddressRole::Answering) {
        serving.core = &CoreAt(*range, index);
    }
    return serving;
}

void FleetRoster::SetRequestLog(std::shared_ptr<RequestLog> log) {
    std::lock_guard guard(m_lock);
    m_requestLog = std::move(log);
    for (const auto& core : m_cores) {
        if (core) {
            core->SetRequestLog(m_requestLog);
        }
    }
}

void FleetRoster::Withdraw(std::size_t firstIndex) {
    std::lock_guard guard(m_lock);
    for (auto& range : m_ranges) {
        if (range->firstIndex == firstIndex) {
            range->withdrawn = true;
        }
    }
}

Core* FleetRoster::Find(std::uint32_t address) {
    std::lock_guard guard(m_lock);
    for (const auto& range : m_ranges) {
        const AddressRange& addresses = range->addresses;
        if (range->withdrawn || address < addresses.first || address > addresses.last) {
            continue;
        }
        const std::size_t offset = address - addresses.first;
        if (RoleAt(range->options, offset) == AddressRole::Answering) {
            return &CoreAt(*range, range->firstIndex + offset);
        }
    }
    return nullptr;
}

} // namespace zolsim
