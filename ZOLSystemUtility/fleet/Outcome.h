#pragma once

// Telling why a display did not answer, from what its exchange left behind.

#include "ZOLFleet.h"
#include "command/CommandHandler.h"

#include <string>

class ILFDData;

namespace zol::fleet {

// What the connecting left behind for one record (the last attempt counts).
struct ConnectTrace {
    int lastError = 0;     // errno of the last failed connect, 0 after a connect that succeeded
    bool timedOut = false; // a connect neither accepted nor refused in time
    bool outOfDescriptors = false;
};

// True when a frame of the reply is this display's refusal of this command.
bool IsNak(const command::Reply& reply, ILFDData& record, unsigned char code);

ZOLFleet::ErrorKind Classify(unsigned int status, bool nak, int connectStatus, const ConnectTrace& trace);

// The same for a record the blocking roads ran: the trace is read from the pooled connection.
ConnectTrace TraceOfPooled(const std::string& address);

} // namespace zol::fleet
