#pragma once

// What a person reads when one display did not give the answer asked for.

#include "Arguments.h"

#include "ZOLFleet.h"

#include <string>

namespace zolctl {

// "connection refused on 127.0.0.1 port 1515", "no reply from the display", ...; empty for Ok.
std::string FailureText(ZOLFleet::ErrorKind kind, const Target& target);

// The address as a report shows it: the serial path, or the host with its port when that is not 1515.
std::string AddressText(const Target& target);

} // namespace zolctl
