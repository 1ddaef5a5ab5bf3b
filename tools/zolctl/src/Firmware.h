#pragma once

#include "Arguments.h"
#include "Outcome.h"

#include <ostream>

namespace zolctl {

// The serial firmware update: fills the host's display adapter with the --display entries, opens their
// pooled serial connections (the updater opens nothing itself), uploads FILE and reports progress on
// `progress` - a bar on a terminal, a plain percentage line otherwise.
// JSON: {"result": true|false, "displays": [{"port", "id", "queryConfirmed", "setConfirmed"}]}.
Outcome RunFirmware(const Request& request, std::ostream& progress, bool progressIsTerminal);

} // namespace zolctl
