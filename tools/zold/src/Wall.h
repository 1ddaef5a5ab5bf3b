#pragma once

// The displays the service polls, read from the inventory as zolctl reads it for `--target all`: hosts
// resolved, PINs read from their files, one port per host checked.

#include "Config.h"

#include "Arguments.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zold {

struct WallDisplay {
    std::string name;
    std::vector<std::string> groups;
    zolctl::Target target;
    std::string address; // as the API shows it: "host", "host:port" or the serial device
    std::string problem; // why it cannot be polled (its host did not resolve); empty when it can
    std::chrono::milliseconds interval{0};

    // Same name, same way of reaching it and the same PIN: a reload keeps its state and its connection.
    bool SameAs(const WallDisplay& other) const;
};

struct Wall {
    std::vector<WallDisplay> displays; // in inventory order
    // Name to position in `displays`: every poll result looks its display up.
    std::unordered_map<std::string, std::size_t> byName;

    const WallDisplay* Find(const std::string& name) const;
};

// Nothing and *error when the inventory cannot be read or checked; warnings (a PIN file others may read)
// go to *warnings.
std::optional<Wall> LoadWall(const ServiceConfig& config, std::string* error, std::string* warnings);

} // namespace zold
