#include "Commands.h"

#include "Numbers.h"
#include "RawReply.h"
#include "Session.h"
#include "Target.h"

#include "ZOLConnection.h"

#include <cstdlib>
#include <memory>

namespace zolctl {

namespace {

struct FreeDeleter {
    void operator()(unsigned char* buffer) const { std::free(buffer); }
};
using ReplyBuffer = std::unique_ptr<unsigned char, FreeDeleter>;

// Execute with the request's data; the handler leaves only by its cancellation, which zolctl never asks for.
unsigned ExecuteOnce(Session& session, unsigned char code, const std::vector<unsigned char>& data) {
    int connectStatus = session.connectStatus;
    try {
        const unsigned result =
            session.handler->Execute(session.record.get(), code, static_cast<int>(data.size()),
                                     data.empty() ? nullptr : data.data(), nullptr, &connectStatus, true);
        session.connectStatus = connectStatus;
        return result;
    } catch (int) {
        return 0;
    }
}

Outcome ReportExecute(const Session& session, unsigned result, Json values) {
    Outcome outcome;
    outcome.exitCode = result != 0 ? kExitSuccess : kExitFailure;
    outcome.json["result"] = result;
    outcome.json["connectStatus"] = session.connectStatus;
    outcome.json["values"] = std::move(values);
    if (result == 0) {
        outcome.message = "no accepted reply from the display";
    }
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

Outcome RunExec(const Request& request) {
    Outcome failure;
    std::optional<Session> session = OpenSession(request, request.code, 0, failure);
    if (!session) {
        return failure;
    }
    const LFDSnapshot before = LFDValues::Snapshot(*session->record);
    const unsigned result = ExecuteOnce(*session, request.code, request.data);
    const LFDSnapshot after = LFDValues::Snapshot(*session->record);
    return ReportExecute(*session, result, ChangedValues(before, after));
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
        outcome.message = "the display refused the command (NAK)";
        break;
    default:
        outcome.exitCode = kExitFailure;
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
        outcome.exitCode = kExitFailure;
        outcome.message = ConnectStatusText(connectStatus, request.target.Address());
    }
    return outcome;
}

} // namespace zolctl
