#pragma once

// A command over the displays an inventory selection chose (Request::fleet), reported per display.
//
// status, exec and the operations of the library's table run through the fleet engine: every display at
// once, about one display's wait for the whole wall. raw, refresh, operations with record arguments and
// wol run through the single-display commands, one connection after another on each of a few threads.
// firmware updates the selected serial displays in one upload, as `--display` would.

#include "Arguments.h"

#include <ostream>

namespace zolctl {

// Prints the report (Table, --json or --jsonl) on `out` and the summary on `err`; returns the exit status.
int RunWall(const Request& request, std::ostream& out, std::ostream& err);

} // namespace zolctl
