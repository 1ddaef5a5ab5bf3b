#pragma once

// The display a request names: its record, and its pooled connection opened by zolctl itself so that the
// connect status is known whatever road the command takes afterwards.

#include "Arguments.h"

#include "LFDData.h"

namespace zolctl {

// An in-memory record describing the target: address, kind, ID, PIN, framing, relay and the identity
// values that guarded operations test.
CLFDDataPtr MakeRecord(const Target& target);

struct OpenResult {
    int connectStatus = 0; // what the connection wrote while opening, or 1 when it was already open
    bool open = false;     // the connection is usable afterwards
};

// Finds or creates the pooled connection for the target and opens it with a status pointer. The TCP port
// is applied before the connection connects; a serial line in a compact or fixed-ID framing runs at
// 115200 baud, as the library sets it when it opens the port itself.
OpenResult OpenPooledConnection(const Target& target);

// A display on a port of its own that turns out to want a secured session is carried by its pooled
// connection: this makes that connection with the port before anything connects it. Fleet engine runs
// call it for every Ethernet display off the default port.
void PreparePooledPort(const Target& target);

// Closes the target's pooled connection and forgets it.
void ForgetPooledConnection(const std::string& address);

} // namespace zolctl
