#pragma once

// The wall as a file: every display an operator runs, with how it is reached and the groups it is in.
//
//     [defaults]                 # optional: any display key, taken where a display leaves it out
//     pin-file = "wall.pin"      # paths are relative to the inventory file; "~/" is the home directory
//
//     [[display]]
//     name = "lobby-1"           # letters, digits, '.', '_' and '-'; unique
//     host = "10.0.0.5"          # an IP literal, a DNS name, "host:port" or "[v6]:port"; or:
//     # serial = "/dev/ttyUSB0"
//     id = 1                     # display ID 0..255 (default 1)
//     port = 1515                # TCP port (default 1515)
//     framing = 0                # 0, 1 or 2
//     relay-target = -1          # -1: none
//     relay-byte = 0
//     model-code = 0             # also product-family, product-group, product-class, link-variant,
//                                # block-flag: the record's identity values for guarded operations
//     mac = "00:11:22:33:44:55"  # for `wol` without an address
//     groups = ["lobby", "wall-a"]
//
// A PIN is kept only as a file reference (pin-file); a `pin` key is refused so that no PIN sits in a file
// that is shared to describe the wall. Unknown keys are refused too: a misspelt key is never ignored.

#include "Arguments.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zolctl {

struct InventoryDisplay {
    std::string name;
    Target target;          // how it is reached; its host as written, resolved when it is selected
    bool portGiven = false; // `port` was written (a port in the host must then agree with it)
    std::string pinFile;    // resolved to a path; empty: none
    std::string mac;        // as written
    std::vector<std::string> groups;
};

struct Inventory {
    std::string path;
    std::vector<InventoryDisplay> displays; // in file order
};

// Where an inventory comes from, for the messages that ask for one.
inline constexpr const char* kInventorySources =
    "give --inventory FILE, set $ZOL_INVENTORY, or write ~/.config/zol/inventory.toml";

// Reads and checks an inventory's text; `path` is where it came from, for the messages and for the
// pin-file paths written relative to it. Nothing and *error ("PATH:LINE: what") when it is not TOML or
// holds a display that is not whole.
std::optional<Inventory> ParseInventory(std::string_view text, const std::string& path, std::string* error);

// Reads and checks the file. Nothing and *error ("FILE:LINE: what") when it cannot be read, is not TOML,
// or holds a display that is not whole.
std::optional<Inventory> LoadInventory(const std::string& path, std::string* error);

// The file to read: `option` when given, else $ZOL_INVENTORY, else ~/.config/zol/inventory.toml when it
// exists. Empty when there is none.
std::string FindInventoryFile(const std::string& option);

} // namespace zolctl
