// How one reply leaves the display, as a short list of steps. The threaded doors wait and write step by
// step; the event-driven fleet door runs the same steps from its timers, so both deliver alike.
#pragma once

#include "Core.h"

#include <array>
#include <cstddef>

namespace zolsim {

struct DeliveryStep {
    int waitMs = 0;       // pause before this step, counted from the end of the step before it
    bool close = false;   // close the connection instead of writing
    bool log = false;     // the whole reply enters the reply log when this step runs
    std::size_t from = 0; // the step writes the reply's bytes [from, to)
    std::size_t to = 0;
};

struct DeliveryPlan {
    std::array<DeliveryStep, 3> steps{};
    std::size_t count = 0;

    const DeliveryStep* begin() const { return steps.data(); }
    const DeliveryStep* end() const { return steps.data() + count; }
};

// A reply's delay, then either the close it asks for or its bytes: in two parts when split (the gap
// between them), and once more when it is to be sent twice.
DeliveryPlan PlanDelivery(const Outgoing& reply);

} // namespace zolsim
