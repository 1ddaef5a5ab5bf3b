#pragma once

// A command over the displays an inventory selection chose (Request::fleet), reported per display.
//
// status and exec run through the fleet engine: every display at once, about one display's wait for the
// whole wall. raw, refresh, op and wol run through the single-display commands, so that each row holds
// what the one-display command reports: one connection after another on each of four threads.
// firmware updates the selected serial displays in one upload, as `--display` would.

#include "Arguments.h"

#include <ostream>

namespace zolctl {

// Prints the report (Table, --json or --jsonl) on `out` and the summary on `err`; returns the exit status.
int RunWall(const Request& request, std::ostream& out, std::ostream& err);

} // namespace zolctl
