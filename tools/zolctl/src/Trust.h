#pragma once

#include "Arguments.h"
#include "Outcome.h"

namespace zolctl {

// `trust install`: the built-in display roots into the trusted-root store "ROOT".
// `trust add PEMFILE`: every certificate of a PEM file into the same store.
// JSON: {"result": true|false, "store": folder} (add also reports "added": N and "error": code).
Outcome RunTrust(const Request& request);

} // namespace zolctl
