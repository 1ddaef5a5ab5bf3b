// zolctl's inventory: what a file must hold, which displays a selection names, and how a typed address
// becomes the IP literal the library takes.

#include "HostAddress.h"
#include "Inventory.h"
#include "Selection.h"
#include "ZolctlRun.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using zolctl::Inventory;
using zolctl::LoadInventory;

class InventoryFile : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zolctl-inventory-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_directory = pattern;
    }
    void TearDown() override { static_cast<void>(std::system(("rm -rf '" + m_directory + "'").c_str())); }

    std::string Write(const std::string& text, const std::string& name = "inventory.toml") const {
        const std::string path = m_directory + "/" + name;
        std::ofstream(path) << text;
        return path;
    }
    std::string m_directory;
};

TEST_F(InventoryFile, EveryKeyOfADisplayIsReadAndDefaultsFillWhatItLeavesOut) {
    const std::string path = Write(R"(
[defaults]
pin-file = "secrets/wall.pin"
port = 1600

[[display]]
name = "lobby-1"
host = "10.0.0.5"
id = 7
framing = 1
relay-target = 3
relay-byte = 2
model-code = 11
product-family = 12
product-group = 13
product-class = 14
link-variant = 15
block-flag = 1
mac = "00:11:22:33:44:55"
groups = ["lobby", "wall-a"]

[[display]]
name = "kiosk"
serial = "/dev/ttyUSB0"
port = 1515
pin-file = "/etc/zol/kiosk.pin"
)");
    std::string error;
    const std::optional<Inventory> inventory = LoadInventory(path, &error);
    ASSERT_TRUE(inventory) << error;
    ASSERT_EQ(inventory->displays.size(), 2u);
    const zolctl::InventoryDisplay& lobby = inventory->displays[0];
    EXPECT_EQ(lobby.name, "lobby-1");
    EXPECT_EQ(lobby.target.host, "10.0.0.5");
    EXPECT_EQ(lobby.target.port, 1600u);
    EXPECT_TRUE(lobby.portGiven);
    EXPECT_EQ(lobby.pinFile, m_directory + "/secrets/wall.pin");
    EXPECT_EQ(std::vector<int>({lobby.target.id, lobby.target.framing, lobby.target.relayTarget,
                                lobby.target.relayByte, lobby.target.modelCode, lobby.target.productFamily,
                                lobby.target.productGroup, lobby.target.productClass,
                                lobby.target.linkVariant, lobby.target.blockFlag}),
              std::vector<int>({7, 1, 3, 2, 11, 12, 13, 14, 15, 1}));
    EXPECT_EQ(lobby.mac, "00:11:22:33:44:55");
    EXPECT_EQ(lobby.groups, std::vector<std::string>({"lobby", "wall-a"}));
    const zolctl::InventoryDisplay& kiosk = inventory->displays[1];
    EXPECT_EQ(kiosk.target.serial, "/dev/ttyUSB0");
    EXPECT_EQ(kiosk.target.port, 1515u);
    EXPECT_EQ(kiosk.pinFile, "/etc/zol/kiosk.pin");
    EXPECT_EQ(kiosk.target.id, 1);
    EXPECT_TRUE(kiosk.groups.empty());
}

struct BadInventory {
    const char* name;
    const char* text;
    const char* said; // a part of the error, which also names the file and line
    int line;
};

const BadInventory kBadInventories[] = {
    {"not TOML", "[[display]\nname = 1", "", 1},
    {"a PIN kept inline", "[[display]]\nname = \"a\"\nhost = \"10.0.0.1\"\npin = \"1234\"",
     "a PIN is not kept in the inventory", 4},
    {"a misspelt key", "[[display]]\nname = \"a\"\nhots = \"10.0.0.1\"", "unknown key \"hots\"", 3},
    {"an unknown table", "[wall]\nx = 1", "unknown table \"wall\"", 1},
    {"no name", "[[display]]\nhost = \"10.0.0.1\"", "needs a name", 1},
    {"a name with a space", "[[display]]\nname = \"a b\"\nhost = \"10.0.0.1\"", "not \"a b\"", 1},
    {"the name all", "[[display]]\nname = \"all\"\nhost = \"10.0.0.1\"", "needs a name", 1},
    {"host and serial", "[[display]]\nname = \"a\"\nhost = \"10.0.0.1\"\nserial = \"/dev/ttyS0\"",
     "exactly one of host and serial", 1},
    {"neither host nor serial", "[[display]]\nname = \"a\"", "exactly one of host and serial", 1},
    {"an ID out of range", "[[display]]\nname = \"a\"\nhost = \"10.0.0.1\"\nid = 256",
     "id must be an integer from 0 to 255", 4},
    {"a port as text", "[[display]]\nname = \"a\"\nhost = \"10.0.0.1\"\nport = \"1515\"",
     "port must be an integer from 1 to 65535", 4},
    {"a framing out of range", "[[display]]\nname = \"a\"\nhost = \"10.0.0.1\"\nframing = 3",
     "framing must be", 4},
    {"groups as one text", "[[display]]\nname = \"a\"\nhost = \"10.0.0.1\"\ngroups = \"lobby\"",
     "groups must be an array", 4},
    {"a group named all", "[[display]]\nname = \"a\"\nhost = \"10.0.0.1\"\ngroups = [\"all\"]",
     "is not a group name", 4},
    {"two displays of one name",
     "[[display]]\nname = \"a\"\nhost = \"10.0.0.1\"\n[[display]]\nname = \"a\"\nhost = \"10.0.0.2\"",
     "a second display is named \"a\"", 4},
    {"a host in the defaults", "[defaults]\nhost = \"10.0.0.1\"", "belongs to one display", 2},
    {"display as a plain table", "[display]\nname = \"a\"", "[[display]] tables", 1},
};

TEST_F(InventoryFile, AFileThatIsNotAWholeInventoryIsRefusedWithItsLineAndWhy) {
    for (const BadInventory& bad : kBadInventories) {
        const std::string path = Write(bad.text);
        std::string error;
        EXPECT_FALSE(LoadInventory(path, &error)) << bad.name;
        EXPECT_NE(error.find(path + ":" + std::to_string(bad.line) + ":"), std::string::npos)
            << bad.name << ": " << error;
        EXPECT_NE(error.find(bad.said), std::string::npos) << bad.name << ": " << error;
        // The text alone is refused the same way, under the name it is given.
        std::string textError;
        EXPECT_FALSE(zolctl::ParseInventory(bad.text, "wall.toml", &textError)) << bad.name;
        EXPECT_EQ(textError, "wall.toml" + error.substr(path.size())) << bad.name;
    }
    std::string error;
    // An empty file is an inventory without displays.
    const std::optional<Inventory> empty = LoadInventory(Write(""), &error);
    ASSERT_TRUE(empty) << error;
    EXPECT_TRUE(empty->displays.empty());
    EXPECT_FALSE(LoadInventory(m_directory, &error)); // a directory
    EXPECT_NE(error.find("is not a readable file"), std::string::npos) << error;
    EXPECT_FALSE(LoadInventory(m_directory + "/none.toml", &error));
}

TEST_F(InventoryFile, TheFileIsTheOptionElseTheEnvironmentElseTheUsersOwn) {
    const std::string home = m_directory + "/home";
    ASSERT_EQ(std::system(("mkdir -p '" + home + "/.config/zol'").c_str()), 0);
    const char* was = std::getenv("HOME");
    const std::string savedHome = was != nullptr ? was : "";
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("ZOL_INVENTORY");
    EXPECT_EQ(zolctl::FindInventoryFile(""), "");
    std::ofstream(home + "/.config/zol/inventory.toml") << "";
    EXPECT_EQ(zolctl::FindInventoryFile(""), home + "/.config/zol/inventory.toml");
    ::setenv("ZOL_INVENTORY", "/from/environment.toml", 1);
    EXPECT_EQ(zolctl::FindInventoryFile(""), "/from/environment.toml");
    EXPECT_EQ(zolctl::FindInventoryFile("/from/option.toml"), "/from/option.toml");
    ::unsetenv("ZOL_INVENTORY");
    ::setenv("HOME", savedHome.c_str(), 1);
}

// `zolctl targets`: what --target takes, for people and for the shell completions.
TEST_F(InventoryFile, TargetsListsNamesThenGroupsOnceEachThenAll) {
    const std::string path = Write(R"(
[[display]]
name = "b-2"
host = "127.0.96.20"
groups = ["wall", "lobby"]
[[display]]
name = "a-1"
serial = "/dev/ttyUSB0"
groups = ["lobby"]
)");
    const zoltest::Ran text = zoltest::Zolctl({"--inventory", path, "targets"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out, "b-2\na-1\n@wall\n@lobby\nall\n");
    const zoltest::Ran json = zoltest::Zolctl({"--inventory", path, "--json", "targets"});
    EXPECT_EQ(json.json, nlohmann::json::parse(R"({"names": ["b-2", "a-1"], "groups": ["wall", "lobby"]})"));

    const struct {
        const char* what;
        std::vector<std::string> words;
    } refused[] = {
        {"no such file", {"--inventory", m_directory + "/none.toml", "targets"}},
        {"not an inventory", {"--inventory", Write("[[display]]\nname = 3\n", "bad.toml"), "targets"}},
        {"a selector", {"--inventory", path, "--target", "all", "targets"}},
    };
    for (const auto& each : refused) {
        const zoltest::Ran ran = zoltest::Zolctl(each.words);
        EXPECT_EQ(ran.exitCode, 2) << each.what;
        EXPECT_TRUE(ran.out.empty()) << each.what << ": " << ran.out;
    }
}

TEST(InventorySelection, SelectorsNameDisplaysOnceEachInInventoryOrder) {
    Inventory inventory;
    inventory.path = "wall.toml";
    for (const auto& [name, groups] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"a", {"left"}}, {"b", {"left", "top"}}, {"c", {"top"}}, {"d", {}}}) {
        zolctl::InventoryDisplay display;
        display.name = name;
        display.groups = groups;
        inventory.displays.push_back(display);
    }
    struct Case {
        std::vector<std::string> selectors;
        std::string chosen; // names, or the start of the error
    };
    const Case cases[] = {
        {{"c"}, "c"},
        {{"@left"}, "ab"},
        {{"@top", "a"}, "abc"},
        {{"@left", "@top", "b"}, "abc"},
        {{"all"}, "abcd"},
        {{"d", "all"}, "abcd"},
        {{"e"}, "no display of wall.toml is named \"e\""},
        {{"@bottom"}, "no display of wall.toml is in group \"bottom\""},
        {{"a", "@"}, "no display of wall.toml is in group \"\""},
    };
    for (const Case& test : cases) {
        std::string error;
        const auto chosen = zolctl::SelectDisplays(inventory, test.selectors, &error);
        std::string names;
        if (chosen) {
            for (const zolctl::InventoryDisplay* display : *chosen) {
                names += display->name;
            }
        }
        EXPECT_EQ(chosen ? names : error, test.chosen) << test.selectors.front();
    }
}

TEST(HostAddress, TypedAddressesBecomeLiteralsAndPortsOrAClearRefusal) {
    struct Case {
        const char* typed;
        const char* literal; // empty: refused
        int port;            // 0: none named
    };
    const Case cases[] = {
        {"192.0.2.7", "192.0.2.7", 0},
        {"192.0.2.7:1600", "192.0.2.7", 1600},
        {"::1", "::1", 0},
        {"[::1]", "::1", 0},
        {"[::1]:1515", "::1", 1515},
        {"[fd00::5]:7", "fd00::5", 7},
        {"localhost:1600", "127.0.0.1", 1600},
        {"10.0.0.300", "", 0},
        {"10.0.0", "", 0},
        {"192.0.2.7:0", "", 0},
        {"192.0.2.7:65536", "", 0},
        {"192.0.2.7:x", "", 0},
        {":1515", "", 0},
        {"[::1", "", 0},
        {"[::1]1515", "", 0},
        {"[192.0.2.7]", "", 0},
        {"fd00::zz", "", 0},
        {"", "", 0},
    };
    for (const Case& test : cases) {
        std::string error;
        const std::optional<zolctl::HostAddress> address = zolctl::ResolveHost(test.typed, &error);
        if (*test.literal == '\0') {
            EXPECT_FALSE(address) << test.typed;
            EXPECT_FALSE(error.empty()) << test.typed;
            continue;
        }
        ASSERT_TRUE(address) << test.typed << ": " << error;
        EXPECT_EQ(address->literal, test.literal) << test.typed;
        EXPECT_EQ(address->port.value_or(0), static_cast<std::uint32_t>(test.port)) << test.typed;
    }
}

} // namespace
