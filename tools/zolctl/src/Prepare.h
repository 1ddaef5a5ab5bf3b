#pragma once

// What a parsed request still needs before it runs, and what parsing must not do because it touches
// files, the terminal or the resolver: names resolved to IP literals, the PIN read from its source, and
// for --target the inventory read and its displays chosen.

#include "Arguments.h"

#include <optional>
#include <ostream>
#include <string>

namespace zolctl {

// Why a request cannot run: a usage error (exit 2).
struct Unprepared {
    std::string text;
    bool badAddress = false; // --host neither parses nor resolves: its JSON says connectStatus 201 too
};

// Nothing when the request is ready; else the usage error to report. Warnings go to `err`.
std::optional<Unprepared> PrepareRequest(Request& request, std::ostream& err);

} // namespace zolctl
