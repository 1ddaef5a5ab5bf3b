#pragma once

// `zolctl targets`: the selectors --target takes from the inventory, for a person and for shell
// completion.

#include "Arguments.h"
#include "Outcome.h"

namespace zolctl {

// One selector a line: each display's name in inventory order, each @GROUP in the order first met, then
// "all". JSON: {"names": [...], "groups": [...]} (groups without the '@'). Exit 2 without an inventory.
Outcome ListTargets(const Request& request);

} // namespace zolctl
