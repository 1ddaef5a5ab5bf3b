#include "FailureText.h"

namespace zolctl {

namespace {

constexpr std::uint32_t kDefaultPort = 1515;

std::string HostWithPort(const Target& target) {
    return target.host + " port " + std::to_string(target.port);
}

} // namespace

std::string AddressText(const Target& target) {
    if (target.IsSerial()) {
        return target.serial;
    }
    if (target.port == kDefaultPort) {
        return target.host;
    }
    const bool v6 = target.host.find(':') != std::string::npos;
    return (v6 ? "[" + target.host + "]" : target.host) + ":" + std::to_string(target.port);
}

std::string FailureText(ZOLFleet::ErrorKind kind, const Target& target) {
    using ZOLFleet::ErrorKind;
    switch (kind) {
    case ErrorKind::Ok:
        return {};
    case ErrorKind::Nak:
        return "the display refused the command (NAK)";
    case ErrorKind::NoReply:
        return "no reply from the display";
    case ErrorKind::Refused:
        return "connection refused on " + HostWithPort(target);
    case ErrorKind::Unreachable:
        return HostWithPort(target) + " cannot be reached";
    case ErrorKind::TlsUntrusted:
        return "the secured session with " + target.host +
               " failed: its certificate is not trusted (add its root with `zolctl trust add PEMFILE`)";
    case ErrorKind::PinRequired:
        return target.host + " uses the secured protocol: give its PIN (--pin-file, $ZOL_PIN, or pin-file in "
                             "the inventory)";
    case ErrorKind::PinNotNeeded:
        return target.host + " does not use the secured protocol: give it no PIN";
    case ErrorKind::BadAddress:
        return "\"" + target.Address() + "\" is not an address a display can be reached at";
    case ErrorKind::OutOfDescriptors:
        return "no file descriptor was left for the connection (raise the limit with ulimit -n)";
    case ErrorKind::SerialOpenFailed:
        return "the serial port " + target.serial + " cannot be opened";
    case ErrorKind::Cancelled:
        return "the deadline passed before the display finished";
    }
    return {};
}

} // namespace zolctl
