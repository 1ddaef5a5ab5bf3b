// Device classification and the display-ID range record.
#include "LFDDeviceClassTable.h"
#include "VWDataAdapter.h"
#include "WallDataLib.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class WallDataClassify : public ::testing::Test {
protected:
    void SetUp() override { LFDDeviceClassTable::Reset(); }
    void TearDown() override { LFDDeviceClassTable::Reset(); }

    static int Classify(int modelCode, const wchar_t* deviceType) {
        ILFDUtility* utility = ILFDUtilityFactory::CreateInstance();
        const int deviceClass = utility->ClassifyDevice(modelCode, deviceType, nullptr);
        utility->Release();
        return deviceClass;
    }
};

TEST_F(WallDataClassify, BuiltInTable) {
    struct Row {
        int modelCode;
        const wchar_t* deviceType;
        int expected;
    };
    const std::vector<Row> rows = {
        {0, L"LCD", 1},     {86, L"OLED", 1},  {0, L"LED", 2}, {0, L"[LED]", 2},
        {0, L" [led] ", 2}, {0, L"Hybrid", 3}, {0, L"CRT", 0}, {0, L"LEDX", 0},
        {0, L"[LED", 0},    {0, L"", 0},       {0, L"[]", 0},  {0, nullptr, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Classify(row.modelCode, row.deviceType), row.expected)
            << "model " << row.modelCode << " type " << (row.deviceType ? "given" : "null");
    }
}

TEST_F(WallDataClassify, HostEntriesComeFirstAndMayNameAModel) {
    LFDDeviceClassTable::Add(L"PANEL", 5);
    LFDDeviceClassTable::Add(L"[led]", 7, 86);

    EXPECT_EQ(Classify(1, L"panel"), 5);
    EXPECT_EQ(Classify(86, L"LED"), 7) << "the host's model entry wins for its model";
    EXPECT_EQ(Classify(87, L"LED"), 2) << "other models fall through to the built-in entry";

    LFDDeviceClassTable::Add(L"LED", 9);
    EXPECT_EQ(Classify(86, L"LED"), 9) << "the newest entry is asked first";

    ResetProcessWide();
    EXPECT_EQ(Classify(1, L"PANEL"), 0);
    EXPECT_EQ(Classify(86, L"LED"), 2);
}

TEST(WallDataIdRange, DefaultAndGivenValues) {
    const SetIdRange range;
    EXPECT_EQ(range.m_nFirstId, 0);
    EXPECT_EQ(range.m_nLastId, 0);

    const SetIdRange given(-3, 2147483647);
    EXPECT_EQ(given.m_nFirstId, -3);
    EXPECT_EQ(given.m_nLastId, 2147483647);
    static_assert(sizeof(SetIdRange) == 8, "two signed 32-bit values");
}

} // namespace
