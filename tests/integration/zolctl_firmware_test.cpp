// zolctl's firmware command against the simulated display's update mode on a pseudo-terminal.
#include "Cli.h"
#include "ZOLConnection.h"
#include "platform/Pause.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CliRun {
    int exit = -1;
    std::string out;
    std::string err;
};

CliRun RunCli(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.exit = zolctl::Run(arguments, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

class ZolctlFirmware : public ::testing::Test {
protected:
    void TearDown() override {
        zol::platform::SetPauseHook({});
        IZOLConnectionPoolFactory::DeleteInstance();
        std::filesystem::remove(imagePath);
    }

    std::string imagePath =
        (std::filesystem::temp_directory_path() / ("zolctl_fw_" + std::to_string(::getpid()) + ".bin"))
            .string();
};

TEST_F(ZolctlFirmware, UploadsTheImageAndReportsEachDisplay) {
    zolsim::Simulator sim;
    sim.AddDisplay(3);
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    zolsim::Bytes image(70000);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<unsigned char>(i * 7 + 1);
    }
    std::ofstream(imagePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    // After each block, let the display read it before the updater moves on (pauses are instant here).
    std::size_t blocks = 0;
    zol::platform::SetPauseHook([&](std::uint32_t ms) {
        if (ms == 1000) {
            EXPECT_TRUE(sim.WaitForRequests(2 + ++blocks, 5000));
        }
    });

    const CliRun run = RunCli({"--json", "firmware", imagePath, "--display", path + ":3"});

    EXPECT_EQ(run.exit, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["result"], true);
    ASSERT_EQ(json["displays"].size(), 1u);
    EXPECT_EQ(json["displays"][0]["port"], path);
    EXPECT_EQ(json["displays"][0]["id"], 3);
    EXPECT_EQ(json["displays"][0]["queryConfirmed"], 1);
    EXPECT_EQ(json["displays"][0]["setConfirmed"], 1);
    EXPECT_NE(run.err.find("firmware: 50%\nfirmware: 100%\n"), std::string::npos) << run.err;
    EXPECT_EQ(sim.FindDisplay(3)->FirmwareImage(), image);
}

TEST_F(ZolctlFirmware, UnopenableLineFailsWithoutSending) {
    std::ofstream(imagePath) << "image";
    const CliRun run = RunCli({"--json", "firmware", imagePath, "--display", "/dev/zol-no-such-line:1"});
    EXPECT_EQ(run.exit, 1);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["result"], false);
    EXPECT_EQ(json["displays"][0]["queryConfirmed"], 0);
    EXPECT_NE(run.err.find("/dev/zol-no-such-line"), std::string::npos);
}

TEST_F(ZolctlFirmware, UsageErrors) {
    const std::vector<std::vector<std::string>> rows = {
        {"firmware", "image.bin"},
        {"firmware", "--display", "/dev/ttyS0:1"},
        {"firmware", "image.bin", "--display", "/dev/ttyS0"},
        {"firmware", "image.bin", "--display", "/dev/ttyS0:256"},
        {"firmware", "image.bin", "--display", ":1"},
    };
    for (const auto& row : rows) {
        const CliRun run = RunCli(row);
        EXPECT_EQ(run.exit, 2) << row.back();
        EXPECT_TRUE(run.out.empty());
    }
}

} // namespace
