#include "transport/Greeting.h"

namespace zol::transport {

bool GreetingComplete(std::string_view received) {
    return received.find('\0') != std::string_view::npos || received.ends_with(">>") ||
           received.size() >= kGreetingLimit;
}

std::string GreetingText(std::string_view received, bool anything) {
    if (!anything)
        return kDefaultGreeting;
    return std::string(received.substr(0, received.find('\0')));
}

SessionStart DecideSessionStart(std::string_view greeting, bool hasCredential) {
    const bool asksForTls = greeting.find("TLS") != std::string_view::npos;
    if (hasCredential)
        return asksForTls ? SessionStart::Secured : SessionStart::PinNotRequired;
    return asksForTls ? SessionStart::PinRequired : SessionStart::Plain;
}

} // namespace zol::transport
