#pragma once

// What the service is told: where the inventory is, where it listens, its token and TLS files and how
// often each display is polled. It comes from a TOML file and the command line, the command line winning:
//
//     [service]
//     inventory = "wall.toml"      # paths are relative to the config file
//     listen = "127.0.0.1:8515"
//     token-file = "zold.token"
//     tls-cert = "zold.crt"
//     tls-key = "zold.key"
//     interval = 10                # seconds between polls of a display
//     [groups.lobby]
//     interval = 5                 # the displays of group lobby; a display in several takes the shortest
//
// Unknown keys and tables are refused with FILE:LINE, so that a misspelt key is never ignored.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zold {

inline constexpr std::uint16_t kDefaultPort = 8515;

struct ServiceConfig {
    std::string inventory; // empty: zolctl's own search ($ZOL_INVENTORY, the user's file)
    std::string listenHost = "127.0.0.1";
    std::uint16_t listenPort = kDefaultPort; // 0: any free port (tests)
    std::string tokenFile;                   // empty: every request that changes a display is refused
    std::string tlsCert;                     // both or neither: HTTPS when given
    std::string tlsKey;
    std::chrono::milliseconds interval{10000};
    std::map<std::string, std::chrono::milliseconds> groupIntervals;

    // The poll interval of a display in these groups: the shortest of theirs, else the default.
    std::chrono::milliseconds IntervalFor(const std::vector<std::string>& groups) const;
};

// "127.0.0.1:8515", "[::1]:8515" or "localhost:8515". False for anything else, a port of 0 included
// unless `allowAnyPort`.
bool ParseListen(const std::string& text, std::string* host, std::uint16_t* port, bool allowAnyPort = false);

// Reads the file over `config` (what it leaves out stays as it was). False and *error ("FILE:LINE: what")
// when it cannot be read or holds a key the service does not know.
bool LoadConfigFile(const std::string& path, ServiceConfig& config, std::string* error);

} // namespace zold
