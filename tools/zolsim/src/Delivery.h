// How one reply leaves the display, as a short list of steps. The threaded doors wait and write step by
// step; the event-driven fleet door runs the same steps from its timers, so both deliver alike.
#pragma once

#include "Core.h"

#include <cstddef>
#include <vector>

namespace zolsim {

struct DeliveryStep {
    int waitMs = 0;       // pause before this step, counted from the end of the step before it
    bool close = false;   // close the connection instead of writing
    bool log = false;     // the whole reply enters the reply log when this step runs
    std::size_t from = 0; // the step writes the reply's bytes [from, to)
    std::size_t to = 0;
};

using DeliveryPlan = std::vector<DeliveryStep>;

// A reply's delay, then its bytes: in two parts when split (the gap between them), one byte at a time
// when trickled, and once more when it is to be sent twice; a close comes after the part it lets out
// (none, or the first splitAt bytes and then the split gap). Endless bytes are planned as one write: the
// threaded doors repeat it themselves.
DeliveryPlan PlanDelivery(const Outgoing& reply);

} // namespace zolsim
