// The addresses a fleet serves and the display behind each. Every address is a display of its own,
// made when first needed (its first connection, or a test looking at it), so an idle address costs a
// pointer. Thread-safe: the fleet door asks from its thread, tests from theirs.
#pragma once

#include "Core.h"
#include "zolsim/FleetSimulator.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zolsim {

class FleetRoster {
public:
    // What serves a connection accepted on one address.
    struct Serving {
        Core* core = nullptr; // null: a silent display, which reads and never answers
        std::shared_ptr<const Bytes> greeting;
        int greetingDelayMs = 0;
        std::string address;                    // the address the connection came in on
        std::shared_ptr<RequestLog> requestLog; // for a silent display, which has no Core to write it
    };

    // Takes a range's addresses in; returns the roster index of its first address (index + i is the
    // address at i within the range).
    std::size_t AddRange(const AddressRange& range, const FleetOptions& options);
    Serving Serve(std::size_t index);
    // A range that could not be served after all: Find no longer reports its addresses.
    void Withdraw(std::size_t firstIndex);
    // The displays behind an answering address (made when needed); null for any other address.
    Core* Find(std::uint32_t address);
    // Every display, made already or later, writes its requests there (null: nowhere).
    void SetRequestLog(std::shared_ptr<RequestLog> log);

private:
    struct Range {
        AddressRange addresses;
        FleetOptions options;
        std::shared_ptr<const Bytes> greeting;
        std::size_t firstIndex = 0;
        bool withdrawn = false;
    };

    const Range* RangeOf(std::size_t index) const;
    Core& CoreAt(const Range& range, std::size_t index);

    mutable std::mutex m_lock;
    std::vector<std::unique_ptr<Range>> m_ranges;
    std::vector<std::unique_ptr<Core>> m_cores; // by roster index; empty until first needed
    std::shared_ptr<RequestLog> m_requestLog;
};

} // namespace zolsim
