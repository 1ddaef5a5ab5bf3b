#pragma once

// Which inventory displays a run is for: --target NAME, @GROUP or all, repeatable.

#include "Inventory.h"

#include <optional>
#include <string>
#include <vector>

namespace zolctl {

// The chosen displays in inventory order, each once however many selectors name it. Nothing and *error
// for a selector that names no display and no group.
std::optional<std::vector<const InventoryDisplay*>>
SelectDisplays(const Inventory& inventory, const std::vector<std::string>& selectors, std::string* error);

} // namespace zolctl
