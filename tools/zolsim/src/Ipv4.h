// IPv4 literals as the fleet counts them: host-order numbers, so that a range is first..last.
#pragma once

#include <cstdint>
#include <string>

namespace zolsim {

// False for anything but a dotted-quad IPv4 literal.
bool ParseIpv4(const std::string& text, std::uint32_t& out);

} // namespace zolsim
