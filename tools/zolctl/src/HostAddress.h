#pragma once

// The address of an Ethernet display as a person types it: an IPv4 or IPv6 literal, a DNS name,
// "host:port" or "[v6]:port". The library takes IP literals only, so names are resolved here first.

#include <cstdint>
#include <optional>
#include <string>

namespace zolctl {

struct HostAddress {
    std::string literal;               // an IPv4 or IPv6 literal, as the library takes it
    std::optional<std::uint32_t> port; // when the text named one
};

// Splits off a port and resolves a name. A name resolves to its first IPv4 address, else its first IPv6
// one. Nothing, and *error saying why, for a text that neither parses nor resolves. A text of digits and
// dots is an IPv4 literal or nothing: "10.0.0.300" is never sent to the resolver.
std::optional<HostAddress> ResolveHost(const std::string& text, std::string* error);

} // namespace zolctl
