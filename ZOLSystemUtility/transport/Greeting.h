#pragma once

// What a display's first words say. Right after the TCP connection is made the display sends a short
// text, and that text decides whether the session stays plain or is secured with TLS and the PIN. The
// bytes come from a display we do not control; these functions read them, and the socket loops (the
// blocking connection and the fleet's event-driven sessions) only gather them.

#include <cstddef>
#include <string>
#include <string_view>

namespace zol::transport {

// What a display that says nothing is taken to have said.
inline constexpr const char* kDefaultGreeting = "ZOLSTART<<NORMAL>>";
// Bytes read at most before the greeting is taken as it stands.
inline constexpr std::size_t kGreetingLimit = 16384;

// True once the bytes gathered so far are the whole greeting: a zero byte ends it, so does a closing
// ">>", and the limit ends any greeting that goes on.
bool GreetingComplete(std::string_view received);

// The greeting: the bytes up to the first zero byte, or the default greeting when the display sent
// nothing (`anything` false). A display that hung up at once did say something: the empty text.
std::string GreetingText(std::string_view received, bool anything);

// How the session goes on from the greeting and whether a PIN was given. A greeting that holds "TLS"
// anywhere asks for the secured session; a PIN and a plain greeting, or no PIN and a secured one, is a
// session that cannot start.
enum class SessionStart {
    Plain,          // no PIN, plain greeting
    Secured,        // PIN given, greeting asks for TLS
    PinRequired,    // greeting asks for TLS, no PIN given
    PinNotRequired, // PIN given, plain greeting
};
SessionStart DecideSessionStart(std::string_view greeting, bool hasCredential);

} // namespace zol::transport
