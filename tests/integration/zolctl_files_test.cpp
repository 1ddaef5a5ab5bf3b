// zolctl's file arguments: names beyond ASCII reach the disk as typed, and a firmware image that cannot
// be uploaded is refused before any display hears of it.

#include "Cli.h"
#include "ZolctlRun.h"

#include "ZOLConnection.h"
#include "platform/Pause.h"

#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr const char* kFileDisplay = "127.0.100.20";

using zoltest::Ran;
using zoltest::Zolctl;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ZolctlFiles : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("zolctl-files-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        zol::platform::SetPauseHook({});
        IZOLConnectionPoolFactory::DeleteInstance();
        fs::remove_all(folder);
    }
    // The folder as zolctl gets it: the UTF-8 bytes of the name.
    std::string In(const std::string& utf8Name) const { return folder.string() + "/" + utf8Name; }

    fs::path folder;
};

TEST_F(ZolctlFiles, DownloadWritesTheNameAsTyped) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    sim.SetGreeting(zolsim::kPlainGreeting);
    ASSERT_TRUE(sim.StartTcp(kFileDisplay));
    ASSERT_TRUE(sim.StartFileServer(kFileDisplay));
    sim.SetServedFile("served text");

    const std::vector<std::string> names = {"caf\xC3\xA9.txt", "\xE6\x97\xA5\xE6\x9C\xAC.log", "plain.txt"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const Ran ran = Zolctl({"--json", "--host", kFileDisplay, "download", In(name)});
        EXPECT_EQ(ran.exitCode, 0) << ran.err;
        EXPECT_EQ(ran.json["result"], true) << ran.out;
        EXPECT_EQ(ReadFile(In(name)), "served text\n");
    }
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(folder)) {
        written.push_back(entry.path().filename().string());
    }
    std::sort(written.begin(), written.end());
    std::vector<std::string> expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected) << "no other spelling of a name was written";

    sim.ClearLog();
    const Ran notUtf8 = Zolctl({"--json", "--host", kFileDisplay, "download", In("caf\xE9.txt")});
    EXPECT_EQ(notUtf8.exitCode, 2);
    EXPECT_NE(notUtf8.err.find("not UTF-8"), std::string::npos) << notUtf8.err;
    EXPECT_TRUE(notUtf8.json.is_object()) << "still one JSON object: " << notUtf8.out;
    EXPECT_TRUE(sim.Requests().empty()) << "nothing was asked of the display";
    IZOLConnectionPoolFactory::CreateInstance()->RemoveConnection(kFileDisplay);
}

TEST_F(ZolctlFiles, WordsThatAreNotUtf8StillGiveOneJsonObject) {
    for (const std::vector<std::string>& words : {std::vector<std::string>{"--json", "bogus\xFF"},
                                                  {"--json", "firmware", "fw\xFF.bin", "--display", "x:1"}}) {
        const Ran ran = Zolctl(words);
        EXPECT_EQ(ran.exitCode, 2) << ran.err;
        ASSERT_TRUE(ran.json.is_object()) << ran.out;
        EXPECT_TRUE(ran.json.contains("error"));
    }
}

TEST_F(ZolctlFiles, AnImageThatCannotBeUploadedIsRefusedBeforeAnythingIsSent) {
    zolsim::Simulator sim;
    sim.AddDisplay(1);
    const std::string line = sim.StartPty();
    ASSERT_FALSE(line.empty());
    std::ofstream(In("empty.bin")).flush();
    fs::create_directories(In("folder.bin"));
    std::ofstream(In("locked.bin")) << "image";
    fs::permissions(In("locked.bin"), fs::perms::none);

    struct Row {
        const char* name;
        std::string file;
        const char* said;
    };
    const std::vector<Row> rows = {
        {"missing", In("missing.bin"), "does not exist"},    {"empty", In("empty.bin"), "is empty"},
        {"a directory", In("folder.bin"), "is a directory"}, {"a device", "/dev/null", "not a regular file"},
        {"unreadable", In("locked.bin"), "cannot be read"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (std::string(row.name) == "unreadable" && ::geteuid() == 0) {
            continue; // permissions do not stop the superuser
        }
        const Ran ran = Zolctl({"--json", "firmware", row.file, "--display", line + ":1"});
        EXPECT_EQ(ran.exitCode, 2);
        EXPECT_NE(ran.err.find(row.said), std::string::npos) << ran.err;
        EXPECT_NE(ran.err.find(row.file), std::string::npos) << "names the file";
        EXPECT_TRUE(ran.json.contains("error")) << ran.out;
    }
    EXPECT_TRUE(sim.Requests().empty()) << "no display was switched into update mode";
}

TEST_F(ZolctlFiles, FirmwareImageWithANonAsciiNameIsUploaded) {
    zolsim::Simulator sim;
    sim.AddDisplay(3);
    const std::string line = sim.StartPty();
    ASSERT_FALSE(line.empty());
    const std::string image = "a small image";
    std::ofstream(In("fw-\xC3\xA9.bin"), std::ios::binary) << image;
    std::size_t blocks = 0;
    zol::platform::SetPauseHook([&](std::uint32_t ms) {
        if (ms == 1000) {
            EXPECT_TRUE(sim.WaitForRequests(2 + ++blocks, 5000));
        }
    });

    const Ran ran = Zolctl({"--json", "firmware", In("fw-\xC3\xA9.bin"), "--display", line + ":3"});

    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.json["result"], true) << ran.out;
    EXPECT_EQ(sim.FindDisplay(3)->FirmwareImage(), zolsim::Bytes(image.begin(), image.end()));
}

} // namespace
