#pragma once

// The commands that talk to the display through the command handler directly.

#include "Arguments.h"
#include "Outcome.h"

namespace zolctl {

// Execute 0x00; the status values (Power and Responding always, the others when they changed).
Outcome RunStatus(const Request& request);
// Execute(code, data, verify); the record values the reply changed.
Outcome RunExec(const Request& request);
// ExecuteRaw; "ack", "nak" or "none" and the reply bytes in hex.
Outcome RunRaw(const Request& request);
// The Wake-on-LAN magic packet, broadcast.
Outcome RunWol(const Request& request);
// DetectFraming on the serial line; the variant found.
Outcome RunProbeFraming(const Request& request);

} // namespace zolctl
