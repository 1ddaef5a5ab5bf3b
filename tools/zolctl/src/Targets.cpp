#include "Targets.h"

#include "Inventory.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace zolctl {

Outcome ListTargets(const Request& request) {
    const std::string path = FindInventoryFile(request.inventoryFile);
    if (path.empty()) {
        return UsageOutcome(std::string("no inventory: ") + kInventorySources);
    }
    std::string error;
    const std::optional<Inventory> inventory = LoadInventory(path, &error);
    if (!inventory) {
        return UsageOutcome(error);
    }
    std::vector<std::string> names;
    std::vector<std::string> groups;
    for (const InventoryDisplay& display : inventory->displays) {
        names.push_back(display.name);
        for (const std::string& group : display.groups) {
            if (std::find(groups.begin(), groups.end(), group) == groups.end()) {
                groups.push_back(group);
            }
        }
    }
    Outcome outcome;
    outcome.json["names"] = names;
    outcome.json["groups"] = groups;
    for (const std::string& name : names) {
        outcome.text += name + '\n';
    }
    for (const std::string& group : groups) {
        outcome.text += '@' + group + '\n';
    }
    outcome.text += "all\n";
    return outcome;
}

} // namespace zolctl
