#include "Inventory.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sys/stat.h>

namespace zolctl {

namespace {

class InventoryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string Where(const std::string& path, const toml::node& node) {
    const toml::source_region& source = node.source();
    return path + ":" + std::to_string(source.begin.line) + ": ";
}

bool GoodName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
               c == '_' || c == '-';
    });
}

std::string Directory(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

std::string ExpandPath(const std::string& path, const std::string& base) {
    if (path.rfind("~/", 0) == 0) {
        const char* home = std::getenv("HOME");
        return std::string(home != nullptr ? home : "") + path.substr(1);
    }
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    return base + "/" + path;
}

// Reads one display's keys from `table` into `display`; the defaults table is read the same way first.
class DisplayReader {
public:
    DisplayReader(const std::string& path, const toml::table& table) : m_path(path), m_table(table) {}

    void Read(InventoryDisplay& display, bool isDefaults) const {
        for (const auto& [key, node] : m_table) {
            const std::string name(key.str());
            if (name == "pin") {
                throw InventoryError(
                    Where(m_path, node) +
                    "a PIN is not kept in the inventory: put it in a file and give pin-file");
            }
            if (isDefaults && (name == "name" || name == "host" || name == "serial" || name == "mac")) {
                throw InventoryError(Where(m_path, node) + "\"" + name +
                                     "\" belongs to one display, not to "
                                     "[defaults]");
            }
            const auto field = Fields().find(name);
            if (field == Fields().end()) {
                throw InventoryError(Where(m_path, node) + "unknown key \"" + name + "\"");
            }
            field->second(*this, node, display);
        }
    }

private:
    using Field = std::function<void(const DisplayReader&, const toml::node&, InventoryDisplay&)>;

    std::string Text(const toml::node& node, const std::string& key) const {
        const std::optional<std::string> value = node.value_exact<std::string>();
        if (!value) {
            throw InventoryError(Where(m_path, node) + key + " must be a string");
        }
        return *value;
    }
    long long Integer(const toml::node& node, const std::string& key, long long minimum,
                      long long maximum) const {
        const std::optional<std::int64_t> value = node.value_exact<std::int64_t>();
        if (!value || *value < minimum || *value > maximum) {
            throw InventoryError(Where(m_path, node) + key + " must be an integer from " +
                                 std::to_string(minimum) + " to " + std::to_string(maximum));
        }
        return *value;
    }
    static Field IntField(int Target::*member, const char* key, long long minimum, long long maximum) {
        return [=](const DisplayReader& reader, const toml::node& node, InventoryDisplay& display) {
            display.target.*member = static_cast<int>(reader.Integer(node, key, minimum, maximum));
        };
    }
    static Field TextField(std::string InventoryDisplay::*member, const char* key) {
        return [=](const DisplayReader& reader, const toml::node& node, InventoryDisplay& display) {
            display.*member = reader.Text(node, key);
        };
    }

    static const std::map<std::string, Field>& Fields() {
        constexpr long long kIntMin = -2147483648LL;
        constexpr long long kIntMax = 2147483647LL;
        static const std::map<std::string, Field> fields = {
            {"name", TextField(&InventoryDisplay::name, "name")},
            {"host", [](const DisplayReader& reader, const toml::node& node,
                        InventoryDisplay& display) { display.target.host = reader.Text(node, "host"); }},
            {"serial",
             [](const DisplayReader& reader, const toml::node& node, InventoryDisplay& display) {
                 display.target.serial = reader.Text(node, "serial");
             }},
            {"mac", TextField(&InventoryDisplay::mac, "mac")},
            {"id", IntField(&Target::id, "id", 0, 255)},
            {"framing", IntField(&Target::framing, "framing", 0, 2)},
            {"relay-target", IntField(&Target::relayTarget, "relay-target", -1, 255)},
            {"relay-byte", IntField(&Target::relayByte, "relay-byte", 0, 255)},
            {"model-code", IntField(&Target::modelCode, "model-code", kIntMin, kIntMax)},
            {"product-family", IntField(&Target::productFamily, "product-family", kIntMin, kIntMax)},
            {"product-group", IntField(&Target::productGroup, "product-group", kIntMin, kIntMax)},
            {"product-class", IntField(&Target::productClass, "product-class", kIntMin, kIntMax)},
            {"link-variant", IntField(&Target::linkVariant, "link-variant", kIntMin, kIntMax)},
            {"block-flag", IntField(&Target::blockFlag, "block-flag", kIntMin, kIntMax)},
            {"port",
             [](const DisplayReader& reader, const toml::node& node, InventoryDisplay& display) {
                 display.target.port = static_cast<std::uint32_t>(reader.Integer(node, "port", 1, 65535));
                 display.portGiven = true;
             }},
            {"pin-file",
             [](const DisplayReader& reader, const toml::node& node, InventoryDisplay& display) {
                 display.pinFile = ExpandPath(reader.Text(node, "pin-file"), Directory(reader.m_path));
             }},
            {"groups",
             [](const DisplayReader& reader, const toml::node& node, InventoryDisplay& display) {
                 const toml::array* groups = node.as_array();
                 if (groups == nullptr) {
                     throw InventoryError(Where(reader.m_path, node) + "groups must be an array of names");
                 }
                 display.groups.clear();
                 for (const toml::node& group : *groups) {
                     const std::string name = reader.Text(group, "a group");
                     if (!GoodName(name) || name == "all") {
                         throw InventoryError(Where(reader.m_path, group) + "\"" + name +
                                              "\" is not a group name (letters, digits, '.', '_', '-')");
                     }
                     display.groups.push_back(name);
                 }
             }},
        };
        return fields;
    }

    const std::string& m_path;
    const toml::table& m_table;
};

void CheckWhole(const std::string& path, const toml::node& where, const InventoryDisplay& display) {
    if (!GoodName(display.name) || display.name == "all") {
        throw InventoryError(Where(path, where) +
                             "a display needs a name of letters, digits, '.', '_' and '-'" +
                             (display.name.empty() ? "" : ", not \"" + display.name + "\""));
    }
    if (display.target.host.empty() == display.target.serial.empty()) {
        throw InventoryError(Where(path, where) + "display \"" + display.name +
                             "\" needs exactly one of host and serial");
    }
}

} // namespace

std::optional<Inventory> ParseInventory(std::string_view text, const std::string& path, std::string* error) {
    try {
        const toml::table document = toml::parse(text, path);
        for (const auto& [key, node] : document) {
            if (key.str() != "display" && key.str() != "defaults") {
                throw InventoryError(Where(path, node) + "unknown table \"" + std::string(key.str()) +
                                     "\" (the inventory holds [defaults] and [[display]])");
            }
        }
        InventoryDisplay defaults;
        if (const toml::node_view<const toml::node> node = document["defaults"]) {
            const toml::table* table = node.as_table();
            if (table == nullptr) {
                throw InventoryError(Where(path, *node.node()) + "defaults must be a table");
            }
            DisplayReader(path, *table).Read(defaults, true);
        }
        Inventory inventory;
        inventory.path = path;
        std::set<std::string> names;
        if (const toml::node_view<const toml::node> node = document["display"]) {
            const toml::array* displays = node.as_array();
            if (displays == nullptr || !displays->is_array_of_tables()) {
                throw InventoryError(Where(path, *node.node()) +
                                     "displays are written as [[display]] tables");
            }
            for (const toml::node& entry : *displays) {
                InventoryDisplay display = defaults;
                DisplayReader(path, *entry.as_table()).Read(display, false);
                CheckWhole(path, entry, display);
                if (!names.insert(display.name).second) {
                    throw InventoryError(Where(path, entry) + "a second display is named \"" + display.name +
                                         "\"");
                }
                inventory.displays.push_back(std::move(display));
            }
        }
        return inventory;
    } catch (const toml::parse_error& failure) {
        *error = path + ":" + std::to_string(failure.source().begin.line) + ": " +
                 std::string(failure.description());
    } catch (const InventoryError& failure) {
        *error = failure.what();
    }
    return std::nullopt;
}

std::optional<Inventory> LoadInventory(const std::string& path, std::string* error) {
    struct stat status {};
    std::ifstream file;
    if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
        file.open(path, std::ios::binary);
    }
    std::string text;
    if (file.is_open()) {
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    if (!file.is_open() || file.bad()) {
        *error = "the inventory \"" + path + "\" is not a readable file";
        return std::nullopt;
    }
    return ParseInventory(text, path, error);
}

std::string FindInventoryFile(const std::string& option) {
    if (!option.empty()) {
        return option;
    }
    if (const char* variable = std::getenv("ZOL_INVENTORY"); variable != nullptr && *variable != '\0') {
        return variable;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        std::string path = std::string(home) + "/.config/zol/inventory.toml";
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0) {
            return path;
        }
    }
    return {};
}

} // namespace zolctl
