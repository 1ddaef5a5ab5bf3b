// The first words of a display: its greeting, gathered read by read as the connection does, the session
// start it decides, and the display's answer to the PIN exchange.
//
// Input: flags (bit 0: a PIN is given), the size of each read (1..256), then the bytes the display sends;
// whatever follows the end of the greeting is taken as its answer to the PIN.
// Invariants: the greeting never grows past its limit and holds no zero byte; it is a prefix of what
// arrived, or the default text when nothing did; nothing after a zero byte ever decides anything, neither
// in the greeting nor in the PIN answer; the session start and the PIN status are one of their values.

#include "FuzzSupport.h"

#include "transport/Greeting.h"
#include "transport/TlsSession.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

using zol::transport::SessionStart;

bool IsPinStatus(std::int32_t status) {
    return status == zol::tls::kOk || status == zol::tls::kInternalError ||
           status == zol::tls::kPinRejected || status == zol::tls::kLogonDenied;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zol::fuzz::Input input(data, size);
    const bool hasPin = (input.Byte() & 1) != 0;
    const std::size_t chunk = static_cast<std::size_t>(input.Byte()) + 1;
    const zol::fuzz::Bytes sent = input.Rest();
    const std::string_view stream(reinterpret_cast<const char*>(sent.data()), sent.size());

    // Gathered as the connection reads: at most one chunk and never past the limit per read.
    std::string received;
    std::size_t at = 0;
    while (at < stream.size() && !zol::transport::GreetingComplete(received)) {
        const std::size_t room = std::min(chunk, zol::transport::kGreetingLimit - received.size());
        ZOL_FUZZ_CHECK(room > 0);
        const std::string_view piece = stream.substr(at, room);
        received.append(piece);
        at += piece.size();
    }
    ZOL_FUZZ_CHECK(received.size() <= zol::transport::kGreetingLimit);

    const bool anything = !stream.empty();
    const std::string greeting = zol::transport::GreetingText(received, anything);
    ZOL_FUZZ_CHECK(greeting.find('\0') == std::string::npos);
    if (anything)
        ZOL_FUZZ_CHECK(received.compare(0, greeting.size(), greeting) == 0);
    else
        ZOL_FUZZ_CHECK(greeting == zol::transport::kDefaultGreeting);

    // The greeting is what arrived up to its first zero byte: nothing behind one asks for anything.
    if (anything)
        ZOL_FUZZ_CHECK(greeting == received.substr(0, received.find('\0')));
    const SessionStart start = zol::transport::DecideSessionStart(greeting, hasPin);
    if (hasPin)
        ZOL_FUZZ_CHECK(start == SessionStart::Secured || start == SessionStart::PinNotRequired);
    else
        ZOL_FUZZ_CHECK(start == SessionStart::Plain || start == SessionStart::PinRequired);

    // The PIN answer: what came after the greeting, in a buffer of exactly its size.
    const zol::fuzz::Bytes answer(sent.begin() + static_cast<long>(at), sent.end());
    const std::string_view answerText(reinterpret_cast<const char*>(answer.data()), answer.size());
    const std::int32_t status = zol::tls::PinReplyStatus(answerText);
    ZOL_FUZZ_CHECK(IsPinStatus(status));
    const std::string_view beforeZero = answerText.substr(0, answerText.find('\0'));
    ZOL_FUZZ_CHECK(zol::tls::PinReplyStatus(beforeZero) == status);
    if (beforeZero.find("FAIL") == std::string_view::npos)
        ZOL_FUZZ_CHECK(status == zol::tls::kOk);
    return 0;
}
