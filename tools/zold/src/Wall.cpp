#include "Wall.h"

#include "FailureText.h"
#include "Inventory.h"
#include "Prepare.h"

#include <map>
#include <sstream>

namespace zold {

bool WallDisplay::SameAs(const WallDisplay& other) const {
    const zolctl::Target& a = target;
    const zolctl::Target& b = other.target;
    return name == other.name && a.host == b.host && a.serial == b.serial && a.port == b.port &&
           a.id == b.id && a.pin == b.pin && a.framing == b.framing && a.relayTarget == b.relayTarget &&
           a.relayByte == b.relayByte && problem == other.problem;
}

const WallDisplay* Wall::Find(const std::string& name) const {
    const auto found = byName.find(name);
    return found == byName.end() ? nullptr : &displays.at(found->second);
}

std::optional<Wall> LoadWall(const ServiceConfig& config, std::string* error, std::string* warnings) {
    const std::string path = zolctl::FindInventoryFile(config.inventory);
    if (path.empty()) {
        *error = std::string("zold needs an inventory: ") + zolctl::kInventorySources;
        return std::nullopt;
    }
    // The groups, which the prepared displays do not carry.
    const std::optional<zolctl::Inventory> inventory = zolctl::LoadInventory(path, error);
    if (!inventory) {
        return std::nullopt;
    }
    std::map<std::string, std::vector<std::string>> groups;
    for (const zolctl::InventoryDisplay& display : inventory->displays) {
        groups[display.name] = display.groups;
    }

    zolctl::Request request;
    request.command = zolctl::Command::Status;
    request.selectors = {"all"};
    request.inventoryFile = path;
    std::ostringstream err;
    const std::optional<zolctl::Unprepared> unprepared = zolctl::PrepareRequest(request, err);
    *warnings = err.str();
    if (unprepared) {
        *error = unprepared->text;
        return std::nullopt;
    }
    Wall wall;
    for (zolctl::FleetDisplay& prepared : request.fleet) {
        WallDisplay display;
        display.name = prepared.name;
        display.groups = groups[prepared.name];
        display.address = zolctl::AddressText(prepared.target);
        display.target = std::move(prepared.target);
        display.problem = std::move(prepared.problem);
        display.interval = config.IntervalFor(display.groups);
        wall.byName[display.name] = wall.displays.size();
        wall.displays.push_back(std::move(display));
    }
    return wall;
}

} // namespace zold
