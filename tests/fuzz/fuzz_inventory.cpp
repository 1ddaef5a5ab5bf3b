// The inventory of a wall: the TOML text an operator writes, read as zolctl reads the file.
//
// Input: the text.
// Invariants: reading never throws; a refusal names the file and a line; an inventory read holds only
// displays that are whole: a name of letters, digits, '.', '_' and '-' (never "all"), unique, exactly one
// of host and serial, every number within its documented range, group names like display names; a PIN
// never comes from the file.

#include "FuzzSupport.h"

#include "Inventory.h"

#include <set>
#include <string>
#include <string_view>

namespace {

constexpr const char* kPath = "/wall/inventory.toml";

bool GoodName(const std::string& name) {
    if (name.empty() || name == "all")
        return false;
    for (const char c : name) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c >= '0' && c <= '9') && c != '.' && c != '_' && c != '-')
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<zolctl::Inventory> inventory = zol::fuzz::WithoutExceptions(
        "ParseInventory", [&] { return zolctl::ParseInventory(text, kPath, &error); });
    if (!inventory) {
        ZOL_FUZZ_CHECK(error.rfind(std::string(kPath) + ":", 0) == 0);
        return 0;
    }
    ZOL_FUZZ_CHECK(inventory->path == kPath);
    std::set<std::string> names;
    for (const zolctl::InventoryDisplay& display : inventory->displays) {
        ZOL_FUZZ_CHECK(GoodName(display.name));
        ZOL_FUZZ_CHECK(names.insert(display.name).second);
        const zolctl::Target& target = display.target;
        ZOL_FUZZ_CHECK(target.host.empty() != target.serial.empty());
        ZOL_FUZZ_CHECK(target.id >= 0 && target.id <= 255);
        ZOL_FUZZ_CHECK(target.port >= 1 && target.port <= 65535);
        ZOL_FUZZ_CHECK(target.framing >= 0 && target.framing <= 2);
        ZOL_FUZZ_CHECK(target.relayTarget >= -1 && target.relayTarget <= 255);
        ZOL_FUZZ_CHECK(target.relayByte >= 0 && target.relayByte <= 255);
        ZOL_FUZZ_CHECK(target.pin.empty());
        for (const std::string& group : display.groups)
            ZOL_FUZZ_CHECK(GoodName(group));
    }
    return 0;
}
