#pragma once

// Drives a command exchange on the calling thread: transmits through the command object (which obtains
// the pooled connection, writes and waits for the reply), receives again from the pooled connection and
// sleeps the gaps. This is how Execute and its siblings run.

#include "exchange/CommandExchange.h"

#include <functional>

class IZOLCommand;

namespace zol::exchange {

// `afterSend` runs after every transmit, before its reply is looked at (the handler's cancel check,
// which may throw).
void DriveBlocking(CommandExchange& machine, ILFDData& record, IZOLCommand& command, int* connectStatus,
                   const std::function<void()>& afterSend);

} // namespace zol::exchange
