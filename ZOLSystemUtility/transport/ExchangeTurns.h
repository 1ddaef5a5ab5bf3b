#pragma once

// One exchange at a time on a display address. A pooled connection carries every caller's requests to
// that address (one display, the IDs behind its relay, or the displays on one serial line), and a reply
// does not say which caller asked: two requests in flight at once could each be answered with the other's
// reply. So a caller holds the address's turn from obtaining the connection until its exchange - reply,
// re-receives and retries - is over; callers on other addresses never wait for it.
//
// Turns are recursive: an exchange that runs another on the same address from the same thread (a command
// object's send inside a driven exchange) takes the turn it already holds.

#include <mutex>
#include <string>

namespace zol::transport {

using ExchangeTurn = std::unique_lock<std::recursive_mutex>;

// Waits for the address's turn and holds it until the returned lock is destroyed.
ExchangeTurn TakeExchangeTurn(const std::string& address);

} // namespace zol::transport
