#include "Selection.h"

#include <algorithm>
#include <set>

namespace zolctl {

std::optional<std::vector<const InventoryDisplay*>>
SelectDisplays(const Inventory& inventory, const std::vector<std::string>& selectors, std::string* error) {
    std::set<const InventoryDisplay*> chosen;
    for (const std::string& selector : selectors) {
        const bool all = selector == "all";
        const bool group = !all && !selector.empty() && selector.front() == '@';
        const std::string name = group ? selector.substr(1) : selector;
        std::size_t matched = 0;
        for (const InventoryDisplay& display : inventory.displays) {
            const bool member = all || (group ? std::find(display.groups.begin(), display.groups.end(),
                                                          name) != display.groups.end()
                                              : display.name == name);
            if (member) {
                chosen.insert(&display);
                ++matched;
            }
        }
        if (matched == 0) {
            *error = (group ? "no display of " + inventory.path + " is in group \"" + name + "\""
                      : all ? inventory.path + " lists no display"
                            : "no display of " + inventory.path + " is named \"" + name + "\"");
            return std::nullopt;
        }
    }
    std::vector<const InventoryDisplay*> displays;
    for (const InventoryDisplay& display : inventory.displays) {
        if (chosen.count(&display) != 0) {
            displays.push_back(&display);
        }
    }
    return displays;
}

} // namespace zolctl
