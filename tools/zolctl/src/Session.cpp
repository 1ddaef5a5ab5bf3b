#include "Session.h"

#include "ErrorKind.h"

#include "ZOLConnection.h"

namespace zolctl {

namespace {

constexpr int kPowerQueryCode = 0x11;

} // namespace

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
    const ConnectFailure why = ReadConnectFailure(request.target, opened.connectStatus);
    if (!opened.open) {
        // Nothing stays pooled from a failed attempt: the next command starts afresh.
        ForgetPooledConnection(request.target.Address());
    }
    failure.exitCode = kExitFailure;
    failure.json["result"] = failedResult;
    failure.json["connectStatus"] = opened.connectStatus;
    failure.json["error"] = ErrorKindText(ConnectErrorKind(why));
    failure.message = DescribeConnectFailure(why, request.target);
    return std::nullopt;
}

} // namespace zolctl
