#include "ErrorKind.h"

#include "ZOLConnection.h"

#include "fleet/Outcome.h"
#include "platform/SerialPort.h"
#include "transport/EthernetConnection.h"
#include "transport/SerialConnection.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace zolctl {

namespace {

zol::fleet::ConnectTrace TraceOf(const ConnectFailure& failure) {
    zol::fleet::ConnectTrace trace;
    trace.lastError = failure.lastError;
    trace.timedOut = failure.lastError == ETIMEDOUT;
    trace.outOfDescriptors = failure.lastError == EMFILE || failure.lastError == ENFILE;
    return trace;
}

IZOLConnection* Pooled(const Target& target) {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    return pool != nullptr ? pool->FindConnection(target.Address()) : nullptr;
}

std::string Reason(int error) {
    return error != 0 ? std::string(": ") + std::strerror(error) : std::string();
}

std::string SecuredFailureText(const ConnectFailure& failure, const std::string& address) {
    if (failure.certificateRejected) {
        return "the certificate of " + address +
               " is not trusted: add the root certificate it was issued from with `zolctl trust add PEMFILE`";
    }
    if (failure.pinRefused) {
        return address + " refused the PIN: check --pin";
    }
    return "the secured session with " + address + " failed in the TLS handshake" +
           (failure.statusText.empty() ? "" : " " + failure.statusText);
}

std::string SocketFailureText(int error, const std::string& where) {
    switch (error) {
    case ECONNREFUSED:
        return "connection refused on " + where;
    case ETIMEDOUT:
        return "no answer from " + where + " (the connect timed out)";
    case EHOSTUNREACH:
    case ENETUNREACH:
        return where + " cannot be reached" + Reason(error);
    case EMFILE:
    case ENFILE:
        return "no file descriptor left to connect to " + where;
    default:
        return "can not connect to " + where + Reason(error);
    }
}

} // namespace

ConnectFailure ReadConnectFailure(const Target& target, int connectStatus) {
    ConnectFailure failure;
    failure.connectStatus = connectStatus;
    IZOLConnection* connection = Pooled(target);
    if (auto* ethernet = dynamic_cast<CZOLEthernetConnection*>(connection); ethernet != nullptr) {
        failure.statusText = ethernet->GetStatusText();
        failure.certificateRejected = failure.statusText == zol::transport::kServerCertificateFailed;
        failure.pinRefused = failure.statusText.starts_with(zol::transport::kPinAuthenticationFailed);
        if (connectStatus == ZOL_CONNECT_OPENED) {
            failure.lastError = static_cast<int>(ethernet->GetLastErrorCode());
        }
    } else if (auto* serial = dynamic_cast<CZOLSerialConnection*>(connection); serial != nullptr) {
        // 6 is the library's own "port not open", not an errno.
        const std::uint32_t error = serial->GetLastErrorCode();
        failure.lastError = error == zol::platform::kErrorPortNotOpen ? 0 : static_cast<int>(error);
    }
    return failure;
}

ZOLFleet::ErrorKind ConnectErrorKind(const ConnectFailure& failure) {
    return zol::fleet::Classify(0, false, failure.connectStatus, TraceOf(failure));
}

ZOLFleet::ErrorKind CommandErrorKind(const Target& target, unsigned status, bool nak, int connectStatus) {
    zol::fleet::ConnectTrace trace;
    if (status == 0 && !nak) {
        trace = zol::fleet::TraceOfPooled(target.Address());
    }
    return zol::fleet::Classify(status, nak, connectStatus, trace);
}

std::string ErrorKindText(ZOLFleet::ErrorKind kind) {
    return ZOLFleet::ErrorKindName(kind);
}

std::string DescribeConnectFailure(const ConnectFailure& failure, const Target& target) {
    const std::string& address = target.Address();
    switch (failure.connectStatus) {
    case ZOL_CONNECT_SECURE_FAILED:
        return SecuredFailureText(failure, address);
    case ZOL_CONNECT_PIN_REQUIRED:
        return address + " uses the secured protocol: give its PIN with --pin";
    case ZOL_CONNECT_PIN_NOT_REQUIRED:
        return address + " does not use the secured protocol: leave out --pin";
    case ZOL_CONNECT_PORT_FAILED:
        return "the serial port " + address + " cannot be opened" + Reason(failure.lastError);
    case ZOL_CONNECT_INVALID_ADDRESS:
        return "\"" + address + "\" is not an IPv4 or IPv6 address";
    default:
        break;
    }
    if (target.IsSerial()) {
        return "the serial port " + address + " cannot be used" + Reason(failure.lastError);
    }
    return SocketFailureText(failure.lastError, address + " port " + std::to_string(target.port));
}

} // namespace zolctl
