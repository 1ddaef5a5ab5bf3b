#pragma once

#include <string>

namespace zol::command {

// The display's hardware address from the neighbour table, as lowercase hexadecimal digits without
// separators; empty when the address text is empty, not an IP address, or has no entry.
std::string LookupHardwareAddressText(const std::string& address);

} // namespace zol::command
