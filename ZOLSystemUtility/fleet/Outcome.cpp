#include "fleet/Outcome.h"

#include "ILFDData.h"
#include "ZOLConnection.h"
#include "command/ReplyFrames.h"
#include "transport/EthernetConnection.h"

#include <cerrno>

namespace ZOLFleet {

const char* ErrorKindName(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::Ok:
        return "ok";
    case ErrorKind::Nak:
        return "nak";
    case ErrorKind::NoReply:
        return "no-reply";
    case ErrorKind::Refused:
        return "refused";
    case ErrorKind::Unreachable:
        return "unreachable";
    case ErrorKind::TlsUntrusted:
        return "tls-untrusted";
    case ErrorKind::PinRequired:
        return "pin-required";
    case ErrorKind::PinNotNeeded:
        return "pin-not-needed";
    case ErrorKind::BadAddress:
        return "bad-address";
    case ErrorKind::OutOfDescriptors:
        return "out-of-descriptors";
    case ErrorKind::SerialOpenFailed:
        return "serial-open-failed";
    case ErrorKind::Cancelled:
        return "cancelled";
    }
    return "unknown";
}

} // namespace ZOLFleet

namespace zol::fleet {

using ZOLFleet::ErrorKind;

bool IsNak(const command::Reply& reply, ILFDData& record, unsigned char code) {
    bool nak = false;
    const int position = code == 0xD2 ? 6 : 5;
    command::ForEachFrame(reply.bytes.get(), reply.length, [&](const command::WorkFrame& frame) {
        if (frame.length > position && frame.bytes[2] == static_cast<unsigned char>(record.GetDisplayId()) &&
            frame.bytes[4] == command::kNak && frame.bytes[static_cast<std::size_t>(position)] == code)
            nak = true;
    });
    return nak;
}

ErrorKind Classify(unsigned int status, bool nak, int connectStatus, const ConnectTrace& trace) {
    if (nak)
        return ErrorKind::Nak;
    if (status != 0)
        return ErrorKind::Ok;
    if (trace.outOfDescriptors)
        return ErrorKind::OutOfDescriptors;
    switch (connectStatus) {
    case ZOL_CONNECT_INVALID_ADDRESS:
        return ErrorKind::BadAddress;
    case ZOL_CONNECT_PIN_REQUIRED:
        return ErrorKind::PinRequired;
    case ZOL_CONNECT_PIN_NOT_REQUIRED:
        return ErrorKind::PinNotNeeded;
    case ZOL_CONNECT_SECURE_FAILED:
        return ErrorKind::TlsUntrusted;
    case ZOL_CONNECT_PORT_FAILED:
        return ErrorKind::SerialOpenFailed;
    default:
        break;
    }
    if (trace.timedOut)
        return ErrorKind::Unreachable;
    switch (trace.lastError) {
    case ECONNREFUSED:
        return ErrorKind::Refused;
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ETIMEDOUT:
        return ErrorKind::Unreachable;
    case EMFILE:
    case ENFILE:
        return ErrorKind::OutOfDescriptors;
    default:
        return ErrorKind::NoReply;
    }
}

ConnectTrace TraceOfPooled(const std::string& address) {
    ConnectTrace trace;
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    IZOLConnection* connection = pool != nullptr ? pool->FindConnection(address) : nullptr;
    auto* ethernet = dynamic_cast<CZOLEthernetConnection*>(connection);
    if (ethernet != nullptr && !ethernet->IsConnected()) {
        trace.lastError = static_cast<int>(ethernet->GetLastErrorCode());
        trace.outOfDescriptors = trace.lastError == EMFILE || trace.lastError == ENFILE;
    }
    return trace;
}

} // namespace zol::fleet
