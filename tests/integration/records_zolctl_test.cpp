// zolctl's `op` with record arguments and record out-values, against a simulated display in this
// process.

#if __has_include("RecordOperations.h")

#include "Cli.h"

#include "zolsim/Simulator.h"

#include "SimulatedDisplaySuite.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::json;
using Words = std::vector<std::string>;

constexpr char kAddress[] = "127.0.10.4";

struct Ran {
    int exitCode = -1;
    Json json;
};

Ran Zolctl(const Words& command) {
    Words words{"--host", kAddress, "--json"};
    words.insert(words.end(), command.begin(), command.end());
    std::ostringstream out;
    std::ostringstream err;
    Ran ran;
    ran.exitCode = zolctl::Run(words, out, err);
    ran.json = Json::parse(out.str(), nullptr, false);
    return ran;
}

class RecordsZolctl : public zol::testing::SimulatedDisplaySuite<kAddress> {
protected:
    void SetUp() override { ResetDisplay(); }
};

TEST_F(RecordsZolctl, RecordArgumentsAndOutValues) {
    const Ran set = Zolctl({"op", "SetClockSet",
                            R"({"Field0": 2024, "Field1": 2, "Field2": 29, "Field3": 0, "Field4": 0, "Field5": true})"});
    EXPECT_EQ(set.exitCode, 0);
    ASSERT_EQ(sim->Requests().size(), 1u);
    EXPECT_EQ(sim->Requests()[0].data, (zolsim::Bytes{29, 0, 0, 2, 0x07, 0xE8, 1}));

    const Ran get = Zolctl({"op", "GetClockSet"});
    EXPECT_EQ(get.exitCode, 0);
    EXPECT_EQ(get.json["outs"][0]["Field0"], 2024);
    EXPECT_EQ(get.json["outs"][0]["Field5"], true);

    const Ran modules = Zolctl({"op", "GetModuleInformation"});
    EXPECT_EQ(modules.json["outs"][0][1]["Field1"], "ZSM55A00018");
}

TEST_F(RecordsZolctl, BadRecordArgumentsAreUsageErrors) {
    const struct {
        Words command;
        int exitCode;
    } rows[] = {
        {{"op", "SetClockSet", R"({"Yr": 1})"}, 2},
        {{"op", "SetClockSet", "2024"}, 2},
        {{"op", "SetClockSet", R"({"Field0": "soon"})"}, 2},
        {{"op", "SetBlockRGBData", "1", "300", R"({"Field0": [1]})"}, 2},
        {{"op", "SetClockSet", R"({"Field0": 2024})"}, 2}, // every field must be given
        {{"op", "SetBlockGradationData", "1",
          R"({"Field0": [1, 2], "Field1": [1], "Field2": [1, 2], "Field3": [1, 2]})"},
         1}, // refused: unequal lists
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Zolctl(row.command).exitCode, row.exitCode) << row.command.back();
    }
    for (const auto& request : sim->Requests()) {
        EXPECT_NE(request.code, 0xD0);
        EXPECT_NE(request.code, 0xA7);
    }
}

} // namespace

#endif
