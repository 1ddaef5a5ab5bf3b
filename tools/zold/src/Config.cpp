#include "Config.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace zold {

namespace {

class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A week: longer than any wall wants, short enough that a time point never overflows.
constexpr double kLongestIntervalSeconds = 7.0 * 24 * 3600;
constexpr double kShortestIntervalSeconds = 0.05;

std::string Where(const std::string& path, const toml::node& node) {
    return path + ":" + std::to_string(node.source().begin.line) + ": ";
}

std::string Directory(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

std::string Relative(const std::string& file, const std::string& configPath) {
    if (file.empty() || file.front() == '/') {
        return file;
    }
    return Directory(configPath) + "/" + file;
}

std::string Text(const std::string& path, const toml::node& node, const std::string& key) {
    const std::optional<std::string> value = node.value_exact<std::string>();
    if (!value) {
        throw ConfigError(Where(path, node) + key + " must be a string");
    }
    return *value;
}

std::chrono::milliseconds Interval(const std::string& path, const toml::node& node) {
    std::optional<double> seconds;
    if (const std::optional<std::int64_t> whole = node.value_exact<std::int64_t>()) {
        seconds = static_cast<double>(*whole);
    } else if (const std::optional<double> fraction = node.value_exact<double>()) {
        seconds = *fraction;
    }
    if (!seconds || !std::isfinite(*seconds) || *seconds < kShortestIntervalSeconds ||
        *seconds > kLongestIntervalSeconds) {
        throw ConfigError(Where(path, node) + "interval must be a number of seconds from 0.05 to 604800");
    }
    return std::chrono::milliseconds(std::llround(*seconds * 1000));
}

void ReadService(const std::string& path, const toml::table& table, ServiceConfig& config) {
    for (const auto& [key, node] : table) {
        const std::string name(key.str());
        if (name == "inventory") {
            config.inventory = Relative(Text(path, node, name), path);
        } else if (name == "listen") {
            const std::string listen = Text(path, node, name);
            if (!ParseListen(listen, &config.listenHost, &config.listenPort)) {
                throw ConfigError(Where(path, node) + "listen must be ADDRESS:PORT, not \"" + listen + "\"");
            }
        } else if (name == "token-file") {
            config.tokenFile = Relative(Text(path, node, name), path);
        } else if (name == "tls-cert") {
            config.tlsCert = Relative(Text(path, node, name), path);
        } else if (name == "tls-key") {
            config.tlsKey = Relative(Text(path, node, name), path);
        } else if (name == "interval") {
            config.interval = Interval(path, node);
        } else {
            throw ConfigError(Where(path, node) + "unknown key \"" + name + "\" in [service]");
        }
    }
}

void ReadGroups(const std::string& path, const toml::table& groups, ServiceConfig& config) {
    for (const auto& [group, node] : groups) {
        const toml::table* table = node.as_table();
        if (table == nullptr) {
            throw ConfigError(Where(path, node) + "groups." + std::string(group.str()) + " must be a table");
        }
        for (const auto& [key, value] : *table) {
            if (key.str() != "interval") {
                throw ConfigError(Where(path, value) + "unknown key \"" + std::string(key.str()) +
                                  "\" in [groups." + std::string(group.str()) + "]");
            }
            config.groupIntervals[std::string(group.str())] = Interval(path, value);
        }
    }
}

} // namespace

std::chrono::milliseconds ServiceConfig::IntervalFor(const std::vector<std::string>& groups) const {
    std::optional<std::chrono::milliseconds> shortest;
    for (const std::string& group : groups) {
        if (const auto found = groupIntervals.find(group); found != groupIntervals.end()) {
            shortest = shortest ? std::min(*shortest, found->second) : found->second;
        }
    }
    return shortest.value_or(interval);
}

bool ParseListen(const std::string& text, std::string* host, std::uint16_t* port, bool allowAnyPort) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
        return false;
    }
    std::string address = text.substr(0, colon);
    if (address.front() == '[') {
        if (address.size() < 3 || address.back() != ']') {
            return false;
        }
        address = address.substr(1, address.size() - 2);
    } else if (address.find(':') != std::string::npos) {
        return false; // an IPv6 address goes in brackets, or its last group would read as the port
    }
    const std::string digits = text.substr(colon + 1);
    if (digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const unsigned long value = std::stoul(digits);
    constexpr unsigned long kHighestPort = 65535;
    if (value > kHighestPort || (value == 0 && !allowAnyPort)) {
        return false;
    }
    *host = address;
    *port = static_cast<std::uint16_t>(value);
    return true;
}

bool LoadConfigFile(const std::string& path, ServiceConfig& config, std::string* error) {
    try {
        const toml::table document = toml::parse_file(path);
        for (const auto& [key, node] : document) {
            const toml::table* table = node.as_table();
            if (key.str() == "service" && table != nullptr) {
                ReadService(path, *table, config);
            } else if (key.str() == "groups" && table != nullptr) {
                ReadGroups(path, *table, config);
            } else {
                throw ConfigError(Where(path, node) + "unknown table \"" + std::string(key.str()) +
                                  "\" (the file holds [service] and [groups.NAME])");
            }
        }
        if (config.tlsCert.empty() != config.tlsKey.empty()) {
            throw ConfigError(path + ": tls-cert and tls-key go together");
        }
        return true;
    } catch (const toml::parse_error& failure) {
        // parse_file reports a file it cannot open as a parse error at line 0.
        *error = path + ":" + std::to_string(failure.source().begin.line) + ": " +
                 std::string(failure.description());
    } catch (const ConfigError& failure) {
        *error = failure.what();
    }
    return false;
}

} // namespace zold
