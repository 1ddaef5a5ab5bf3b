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

// Sees every exchange this thread drives to its end while it is alive, innermost first: how a caller of
// an operation that runs several commands learns what their replies were (a refusal, say) when the
// operation reports only a status.
class ExchangeWatch {
public:
    ExchangeWatch();
    virtual ~ExchangeWatch();
    ExchangeWatch(const ExchangeWatch&) = delete;
    ExchangeWatch& operator=(const ExchangeWatch&) = delete;
    virtual void OnExchangeDone(const CommandExchange& machine, ILFDData& record) = 0;
    ExchangeWatch* Outer() const { return m_outer; }

private:
    ExchangeWatch* m_outer;
};

} // namespace zol::exchange
