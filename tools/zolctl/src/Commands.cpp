#include "Commands.h"

#include "ErrorKind.h"
#include "Numbers.h"
#include "RawReply.h"
#include "RefusalWatch.h"
#include "Session.h"
#include "Target.h"

#include "fleet/ChangeWatch.h"

#include "ZOLConnection.h"

#include <cstdlib>
#include <memory>

namespace zolctl {

namespace {

constexpr unsigned char kStatusCode = 0x00;

struct FreeDeleter {
    void operator()(unsigned char* buffer) const { std::free(buffer); }
};
using ReplyBuffer = std::unique_ptr<unsigned char, FreeDeleter>;

struct Executed {
    unsigned result = 0;
    bool refused = false; // the display answered with a NAK
};

// Execute with the request's data; the handler leaves only by its cancellation, which zolctl never asks for.
// The exchange decodes into `record`: the session's own, or a watch over it.
Executed ExecuteOnce(Session& session, ILFDData& record, unsigned char code,
                     const std::vector<unsigned char>& data) {
    int connectStatus = session.connectStatus;
    const RefusalWatch refusals(record);
    Executed executed;
    try {
        executed.result =
            session.handler->Execute(&record, code, static_cast<int>(data.size()),
                                     data.empty() ? nullptr : data.data(), nullptr, &connectStatus, true);
        session.connectStatus = connectStatus;
    } catch (int) {
        executed.result = 0;
    }
    executed.refused = executed.result == 0 && refusals.Refused();
    return executed;
}

Outcome ReportExecute(const Request& request, const Session& session, const Executed& executed, Json values) {
    Outcome outcome;
    outcome.json["result"] = executed.result;
    outcome.json["connectStatus"] = session.connectStatus;
    outcome.json["values"] = std::move(values);
    if (executed.result != 0) {
        outcome.exitCode = kExitSuccess;
        return outcome;
    }
    outcome.exitCode = executed.refused ? kExitNak : kExitFailure;
    outcome.json["error"] = ErrorKindText(
        CommandErrorKind(request.target, executed.result, executed.refused, session.connectStatus));
    outcome.message =
        executed.refused ? "the display refused the command (NAK)" : "no accepted reply from the display";
    return outcome;
}

const char* AcknowledgementText(Acknowledgement acknowledgement) {
    switch (acknowledgement) {
    case Acknowledgement::Ack:
        return "ack";
    case Acknowledgement::Nak:
        return "nak";
    default:
        return "none";
    }
}

} // namespace

Outcome RunStatus(const Request& request) {
    Outcome failure;
    std::optional<Session> session = OpenSession(request, kStatusCode, 0, failure);
    if (!session) {
        return failure;
    }
    // The watch tells the values the reply stored, whether or not they differ from the record's defaults.
    zol::fleet::ChangeWatch watch(*session->record);
    const Executed executed = ExecuteOnce(*session, watch, kStatusCode, {});
    // Power and presence are always shown: null when nothing said what they are.
    return ReportExecute(
        request, *session, executed,
        StoredValues(LFDValues::Snapshot(*session->record), watch.Stored(), {"Power", "Responding"}, false));
}

Outcome RunExec(const Request& request) {
    Outcome failure;
    std::optional<Session> session = OpenSession(request, request.code, 0, failure);
    if (!session) {
        return failure;
    }
    const LFDSnapshot before = LFDValues::Snapshot(*session->record);
    const Executed executed = ExecuteOnce(*session, *session->record, request.code, request.data);
    const LFDSnapshot after = LFDValues::Snapshot(*session->record);
    return ReportExecute(request, *session, executed, ChangedValues(before, after));
}

Outcome RunRaw(const Request& request) {
    Outcome failure;
    std::optional<Session> session = OpenSession(request, request.code, "none", failure);
    if (!session) {
        failure.json["reply"] = "";
        return failure;
    }
    const ReplyBuffer reply(session->handler->ExecuteRaw(
        session->record.get(), request.code, static_cast<unsigned char>(request.data.size()),
        request.data.empty() ? nullptr : request.data.data(), nullptr));
    const RawReply raw =
        ReadRawReply(reply.get(), AllocatedSize(reply.get()), request.code, request.target.framing);

    Outcome outcome;
    outcome.json["result"] = AcknowledgementText(raw.acknowledgement);
    outcome.json["connectStatus"] = session->connectStatus;
    outcome.json["reply"] = HexText(raw.bytes.data(), raw.bytes.size());
    switch (raw.acknowledgement) {
    case Acknowledgement::Ack:
        outcome.exitCode = kExitSuccess;
        break;
    case Acknowledgement::Nak:
        outcome.exitCode = kExitNak;
        outcome.json["error"] = ErrorKindText(ZOLFleet::ErrorKind::Nak);
        outcome.message = "the display refused the command (NAK)";
        break;
    default:
        outcome.exitCode = kExitFailure;
        outcome.json["error"] =
            ErrorKindText(CommandErrorKind(request.target, 0, false, session->connectStatus));
        outcome.message = "no reply from the display";
        break;
    }
    return outcome;
}

Outcome RunWol(const Request& request) {
    const bool sent = IZOLCommandHandlerFactory::CreateInstance()->WakeOnLan(request.mac);
    Outcome outcome;
    outcome.exitCode = sent ? kExitSuccess : kExitFailure;
    outcome.json["result"] = sent;
    if (!sent) {
        outcome.message = "the Wake-on-LAN packet could not be sent";
    }
    return outcome;
}

Outcome RunProbeFraming(const Request& request) {
    // No pooled connection is opened first: a port that is already in the pool is not probed. One that
    // this process holds open is in use; one left closed is forgotten so that the probe can open it.
    IZOLConnection* pooled =
        IZOLConnectionPoolFactory::CreateInstance()->FindConnection(request.target.serial);
    if (pooled != nullptr && pooled->IsConnected()) {
        Outcome busy;
        busy.exitCode = kExitFailure;
        busy.json["result"] = request.target.framing;
        busy.json["connectStatus"] = ZOL_CONNECT_OPENED;
        busy.message = request.target.serial + " is already open and is not probed";
        return busy;
    }
    if (pooled != nullptr) {
        ForgetPooledConnection(request.target.serial);
    }
    IZOLCommandHandler* handler = IZOLCommandHandlerFactory::CreateInstance();
    handler->SetRetryCount(request.target.retries);
    CLFDDataPtr record = MakeRecord(request.target);
    int connectStatus = ZOL_CONNECT_OPENED;
    handler->DetectFraming(record.get(), &connectStatus);

    Outcome outcome;
    outcome.json["result"] = record->GetFramingVariant();
    outcome.json["connectStatus"] = connectStatus;
    if (connectStatus != ZOL_CONNECT_OPENED) {
        const ConnectFailure why = ReadConnectFailure(request.target, connectStatus);
        outcome.exitCode = kExitFailure;
        outcome.json["error"] = ErrorKindText(ConnectErrorKind(why));
        outcome.message = DescribeConnectFailure(why, request.target);
    }
    return outcome;
}

} // namespace zolctl
