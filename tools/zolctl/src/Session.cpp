#include "Session.h"

#include "ZOLConnection.h"

namespace zolctl {

namespace {

constexpr int kPowerQueryCode = 0x11;

} // namespace

std::string ConnectStatusText(int connectStatus, const std::string& address) {
    switch (connectStatus) {
    case ZOL_CONNECT_SECURE_FAILED:
        return "the secured session with " + address + " failed (is the PIN right?)";
    case ZOL_CONNECT_PIN_REQUIRED:
        return address + " uses the secured protocol: give its PIN with --pin";
    case ZOL_CONNECT_PIN_NOT_REQUIRED:
        return address + " does not use the secured protocol: leave out --pin";
    case ZOL_CONNECT_PORT_FAILED:
        return "the serial port " + address + " cannot be opened";
    case ZOL_CONNECT_INVALID_ADDRESS:
        return "\"" + address + "\" is not an IPv4 or IPv6 address";
    default:
        return "can not connect to " + address;
    }
}

std::optional<Session> OpenSession(const Request& request, int code, const Json& failedResult,
                                   Outcome& failure) {
    Session session;
    session.handler = IZOLCommandHandlerFactory::CreateInstance();
    session.handler->SetRetryCount(request.target.retries);
    session.record = MakeRecord(request.target);

    const OpenResult opened = OpenPooledConnection(request.target);
    session.connectStatus = opened.connectStatus;
    const bool statusAllows = opened.connectStatus == ZOL_CONNECT_OPENED || code == kPowerQueryCode;
    if (opened.open && statusAllows) {
        return session;
    }
    if (!opened.open) {
        // Nothing stays pooled from a failed attempt: the next command starts afresh.
        ForgetPooledConnection(request.target.Address());
    }
    failure.exitCode = kExitFailure;
    failure.json["result"] = failedResult;
    failure.json["connectStatus"] = opened.connectStatus;
    failure.message = ConnectStatusText(opened.connectStatus, request.target.Address());
    return std::nullopt;
}

} // namespace zolctl
