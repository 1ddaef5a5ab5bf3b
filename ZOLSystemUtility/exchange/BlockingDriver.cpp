#include "exchange/BlockingDriver.h"

#include "ILFDData.h"
#include "Logger.h"
#include "ZOLCommand.h"
#include "platform/Pause.h"
#include "transport/EthernetConnection.h"
#include "transport/ExchangeTurns.h"

#include <cstdint>
#include <string>

namespace zol::exchange {

namespace {
thread_local ExchangeWatch* t_watch = nullptr;
} // namespace

ExchangeWatch::ExchangeWatch() : m_outer(t_watch) {
    t_watch = this;
}

ExchangeWatch::~ExchangeWatch() {
    t_watch = m_outer;
}

void DriveBlocking(CommandExchange& machine, ILFDData& record, IZOLCommand& command, int* connectStatus,
                   const std::function<void()>& afterSend) {
    const int framing = record.GetFramingVariant();
    std::string address;
    record.GetAddress(address);
    // The whole exchange - send, re-receives, retries and their gaps - is this caller's alone on the
    // address; the watches below are told after the turn is given back.
    transport::ExchangeTurn turn = transport::TakeExchangeTurn(address);
    Action action = machine.Start();
    while (action.step != Step::Done) {
        switch (action.step) {
        case Step::Transmit: {
            const std::uint32_t timeoutsBefore = transport::ConnectTimeouts(address);
            command::Reply reply;
            reply.bytes.reset(command.SendAndReceive(&reply.length, framing, connectStatus));
            const bool timedOut = !reply.Arrived() && transport::ConnectTimeouts(address) != timeoutsBefore;
            if (afterSend) {
                afterSend();
            }
            if (timedOut) {
                ZOL_LOG_WARN << "Connecting to " << address << " timed out; not tried again for this command";
            }
            action = machine.OnTransmitted(std::move(reply),
                                           timedOut ? Transmitted::ConnectTimedOut : Transmitted::Sent);
            break;
        }
        case Step::ReceiveAgain:
            action = machine.OnReceived(command::ReceiveFromPool(address, action.waitMs));
            break;
        case Step::Pause:
            platform::Pause(static_cast<std::uint32_t>(action.waitMs));
            action = machine.OnPaused();
            break;
        case Step::Done:
            break;
        }
    }
    turn.unlock();
    for (ExchangeWatch* watch = t_watch; watch != nullptr; watch = watch->Outer()) {
        watch->OnExchangeDone(machine, record);
    }
}

} // namespace zol::exchange
