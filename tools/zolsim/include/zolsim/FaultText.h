// Faults as a person orders them on zolsim's command line: "--fault KIND[:COUNT]".
#pragma once

#include "zolsim/Fault.h"

#include <optional>
#include <string>
#include <string_view>

namespace zolsim {

// A delay fault ordered by name holds the reply back this long: past a client's usual 2000 ms wait.
inline constexpr int kNamedDelayMs = 3000;

// "KIND" or "KIND:COUNT". KIND is a fault's name (FaultKindNames); COUNT is how many answered requests
// it applies to (stall-handshake: secured connections; never-read: connections), a whole number from 1,
// default 1. The fault's other fields keep their defaults, except that a delay is kNamedDelayMs. Nothing,
// with a sentence in `error`, for an unknown kind or a bad count.
std::optional<Fault> ParseFaultText(std::string_view text, std::string& error);

// "drop, delay, split, ..." in the order of FaultKind.
std::string FaultKindNames();

} // namespace zolsim
