#pragma once

// `zolctl demo`: starts simulated displays in this process (one on TCP with two more behind a relay, one
// on a pseudo-terminal) and walks through a short tour, each step a zolctl command line with the frames
// it put on the wire. Needs no hardware and no options.

#include "Outcome.h"

#include <ostream>

namespace zolctl {

// Prints the tour on `tour`; the outcome says whether every step did what it should.
Outcome RunDemo(std::ostream& tour);

} // namespace zolctl
