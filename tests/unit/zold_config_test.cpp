// zold's settings: the config file and its refusals, the command line over it, the listen address, and
// the bearer token.

#include "Config.h"
#include "Options.h"
#include "Token.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class ZoldConfig : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() / ("zold-config-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::string Write(const std::string& name, const std::string& text) {
        std::string path = (m_folder / name).string();
        std::ofstream(path) << text;
        return path;
    }
    std::string Folder() const { return m_folder.string(); }

private:
    std::filesystem::path m_folder;
};

TEST_F(ZoldConfig, ReadsEveryKeyWithPathsRelativeToTheFile) {
    const std::string path = Write("zold.toml", "[service]\n"
                                                "inventory = \"wall.toml\"\n"
                                                "listen = \"[::1]:9000\"\n"
                                                "token-file = \"/etc/zold/token\"\n"
                                                "tls-cert = \"c.pem\"\n"
                                                "tls-key = \"k.pem\"\n"
                                                "interval = 2.5\n"
                                                "[groups.lobby]\n"
                                                "interval = 1\n"
                                                "[groups.hall]\n"
                                                "interval = 4\n");
    zold::ServiceConfig config;
    std::string error;
    ASSERT_TRUE(zold::LoadConfigFile(path, config, &error)) << error;
    EXPECT_EQ(config.inventory, Folder() + "/wall.toml");
    EXPECT_EQ(config.listenHost, "::1");
    EXPECT_EQ(config.listenPort, 9000);
    EXPECT_EQ(config.tokenFile, "/etc/zold/token");
    EXPECT_EQ(config.tlsCert, Folder() + "/c.pem");
    EXPECT_EQ(config.interval, std::chrono::milliseconds(2500));
    EXPECT_EQ(config.IntervalFor({}), std::chrono::milliseconds(2500));
    EXPECT_EQ(config.IntervalFor({"other"}), std::chrono::milliseconds(2500));
    EXPECT_EQ(config.IntervalFor({"hall", "lobby"}), std::chrono::seconds(1));
}

TEST_F(ZoldConfig, TheSampleConfigLoads) {
    zold::ServiceConfig config;
    std::string error;
    ASSERT_TRUE(zold::LoadConfigFile(ZOL_SOURCE_DIR "/tools/zold/zold.toml.example", config, &error))
        << error;
    EXPECT_EQ(config.listenHost, "127.0.0.1");
    EXPECT_EQ(config.IntervalFor({"lobby"}), std::chrono::seconds(5));
}

TEST_F(ZoldConfig, RefusesWhatItDoesNotKnowWithFileAndLine) {
    struct Case {
        const char* text;
        const char* where; // "FILE:LINE" suffix of the message
        const char* what;
    };
    const Case cases[] = {
        {"[service]\ninterval = 5\nintreval = 6\n", ":3:", "unknown key \"intreval\""},
        {"[service]\nlisten = \"127.0.0.1\"\n", ":2:", "ADDRESS:PORT"},
        {"[service]\nlisten = \"127.0.0.1:0\"\n", ":2:", "ADDRESS:PORT"},
        {"[service]\nlisten = \"::1:80\"\n", ":2:", "ADDRESS:PORT"},
        {"[service]\ninterval = 0\n", ":2:", "interval"},
        {"[service]\ninterval = -3\n", ":2:", "interval"},
        {"[service]\ninterval = \"10\"\n", ":2:", "interval"},
        {"[service]\ninventory = 3\n", ":2:", "must be a string"},
        {"[service]\ntls-cert = \"c.pem\"\n", ":", "go together"},
        {"[servce]\n", ":1:", "unknown table"},
        {"interval = 5\n", ":1:", "unknown table"},
        {"[groups.lobby]\ninterval = 5\ncolour = 1\n", ":3:", "unknown key \"colour\""},
        {"[groups]\nlobby = 5\n", ":2:", "must be a table"},
        {"[service\n", ":1:", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string path = Write("bad.toml", c.text);
        zold::ServiceConfig config;
        std::string error;
        EXPECT_FALSE(zold::LoadConfigFile(path, config, &error));
        EXPECT_EQ(error.rfind(path + c.where, 0), 0U) << error;
        EXPECT_NE(error.find(c.what), std::string::npos) << error;
    }
}

TEST_F(ZoldConfig, TheCommandLineWinsOverTheFile) {
    const std::string path =
        Write("zold.toml", "[service]\ninventory = \"wall.toml\"\nlisten = \"127.0.0.1:9\"\n"
                           "interval = 30\ntoken-file = \"t\"\n");
    const zold::OptionsResult result =
        zold::ParseOptions({"--config", path, "--listen", "127.0.110.5:0", "--interval", "0.5"});
    ASSERT_EQ(result.status, zold::OptionsStatus::Run) << result.text;
    EXPECT_EQ(result.config.inventory, Folder() + "/wall.toml");
    EXPECT_EQ(result.config.listenHost, "127.0.110.5");
    EXPECT_EQ(result.config.listenPort, 0);
    EXPECT_EQ(result.config.interval, std::chrono::milliseconds(500));
    EXPECT_EQ(result.config.tokenFile, Folder() + "/t");

    const zold::OptionsResult defaults = zold::ParseOptions({});
    ASSERT_EQ(defaults.status, zold::OptionsStatus::Run);
    EXPECT_EQ(defaults.config.listenHost, "127.0.0.1");
    EXPECT_EQ(defaults.config.listenPort, zold::kDefaultPort);
    EXPECT_EQ(defaults.config.interval, std::chrono::seconds(10));
}

TEST_F(ZoldConfig, UsageErrorsAndHelp) {
    struct Case {
        std::vector<std::string> words;
        zold::OptionsStatus status;
        const char* says;
    };
    const Case cases[] = {
        {{"--help"}, zold::OptionsStatus::Help, "--token-file"},
        {{"--version"}, zold::OptionsStatus::Help, "zold "},
        {{"--listen", "nowhere"}, zold::OptionsStatus::Usage, "--listen"},
        {{"--interval", "0"}, zold::OptionsStatus::Usage, "--interval"},
        {{"--interval", "nan"}, zold::OptionsStatus::Usage, "--interval"},
        {{"--tls-cert", "c.pem"}, zold::OptionsStatus::Usage, "tls-key"},
        {{"--config", "/nonexistent/zold.toml"}, zold::OptionsStatus::Usage, "/nonexistent/zold.toml"},
        {{"status"}, zold::OptionsStatus::Usage, "status"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words.front());
        const zold::OptionsResult result = zold::ParseOptions(c.words);
        EXPECT_EQ(result.status, c.status) << result.text;
        EXPECT_NE(result.text.find(c.says), std::string::npos) << result.text;
    }
}

TEST_F(ZoldConfig, TheTokenIsTheFilesFirstLineAndOnlyThatIsAccepted) {
    std::string error;
    std::string warning;
    const std::string path = Write("token", "  s3cret-token \nsecond line\n");
    ::chmod(path.c_str(), 0644);
    const std::optional<zold::BearerToken> token = zold::BearerToken::FromFile(path, &error, &warning);
    ASSERT_TRUE(token) << error;
    EXPECT_NE(warning.find("chmod 600"), std::string::npos) << warning;
    EXPECT_EQ(warning.find("s3cret"), std::string::npos);
    warning.clear();
    ::chmod(path.c_str(), 0600);
    EXPECT_TRUE(zold::BearerToken::FromFile(path, &error, &warning));
    EXPECT_EQ(warning, "");
    struct Case {
        const char* header;
        bool accepted;
    };
    const Case cases[] = {
        {"Bearer s3cret-token", true},
        {"Bearer  s3cret-token ", true},
        {"Bearer s3cret-toke", false},
        {"Bearer s3cret-tokenx", false},
        {"bearer s3cret-token", false},
        {"Basic s3cret-token", false},
        {"s3cret-token", false},
        {"Bearer ", false},
        {"", false},
        {"Bearer second line", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(token->Accepts(c.header), c.accepted) << c.header;
    }
    EXPECT_FALSE(zold::BearerToken::FromFile(Write("blank", " \n"), &error, &warning));
    EXPECT_FALSE(zold::BearerToken::FromFile(Folder() + "/none", &error, &warning));
}

} // namespace
