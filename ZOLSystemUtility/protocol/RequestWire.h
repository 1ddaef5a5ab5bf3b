#pragma once

// The bytes a planned request becomes on the wire: the packet the builder makes from the plan, in the
// record's framing variant, behind a relay header when the request goes through a relay. Pure: both the
// command object (which writes them to a pooled connection) and the fleet engine (which writes them from
// its event loop) take their bytes from here.

#include "protocol/PayloadTable.h"

#include <vector>

namespace zol::payload {

struct Route {
    int framingVariant = 0;
    unsigned char relayByte = 0;
    unsigned char displayId = 0;
    int relayTarget = -1; // below 0: no relay header
};

// The bytes of one write. Empty for the empty frame and for a request that has no compact form (both are
// still written, as a write of no bytes, and their reply awaited). False only when no memory could be had
// for a bulk frame.
bool WireBytes(const Plan& plan, const Route& route, std::vector<unsigned char>& out);

} // namespace zol::payload
