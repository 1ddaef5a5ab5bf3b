// What the fleet engine reports as changed: values stored through the watch whose value differs from
// what it held before the first store, in list order, the settings block last.

#include "LFDData.h"
#include "fleet/ChangeWatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct Case {
    const char* name;
    std::function<void(ILFDData&)> store;
    std::vector<std::string> changed;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"nothing stored", [](ILFDData&) {}, {}},
        {"same value stored again", [](ILFDData& r) { r.SetValue12(r.GetValue12()); }, {}},
        {"changed and changed back",
         [](ILFDData& r) {
             r.SetValue12(7);
             r.SetValue12(0);
         },
         {}},
        {"stored twice, reported once",
         [](ILFDData& r) {
             r.SetValue12(7);
             r.SetValue12(8);
         },
         {"Value12"}},
        {"list order whatever the order of stores",
         [](ILFDData& r) {
             r.SetValue0D({1, 2, 3, 4, 5, 6});
             r.SetModelName("M");
             r.SetPower(true);
         },
         {"Power", "ModelName", "Value0D"}},
        {"yes/no state, text and list",
         [](ILFDData& r) {
             r.SetResponding(!r.IsResponding());
             r.SetMacAddress("00:11");
             r.SetValue1Bx97Octets({1});
         },
         {"Responding", "MacAddress", "Value1Bx97Octets"}},
        {"settings block reached but left alone", [](ILFDData& r) { (void)r.GetSettingsBlock(); }, {}},
        {"settings block written",
         [](ILFDData& r) {
             r.GetSettingsBlock()[3] = 9;
             r.SetValue12(1);
         },
         {"Value12", "SettingsBlock"}},
    };
    return cases;
}

class ChangeWatchCases : public testing::TestWithParam<Case> {};

TEST_P(ChangeWatchCases, NamesWhatDiffers) {
    CLFDData record;
    zol::fleet::ChangeWatch watch(record);
    GetParam().store(watch);
    EXPECT_EQ(watch.Changed(), GetParam().changed);
}

INSTANTIATE_TEST_SUITE_P(Stores, ChangeWatchCases, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& info) {
                             return "case" + std::to_string(info.index);
                         });

TEST(ChangeWatch, StoresReachTheHostsRecord) {
    CLFDData record;
    zol::fleet::ChangeWatch watch(record);
    watch.SetValue12(5);
    watch.GetSettingsBlock()[0] = 3;
    EXPECT_EQ(record.GetValue12(), 5);
    EXPECT_EQ(record.GetSettingsBlock()[0], 3);
}

} // namespace

namespace {

TEST(ChangeWatch, StoredNamesEveryStoreChangedOrNotAndTheSettingsBlockAReplyReached) {
    CLFDData record;
    zol::fleet::ChangeWatch watch(record);
    watch.SetPower(false); // as it was: stored all the same
    watch.SetValue12(4);
    (void)watch.GetSettingsBlock();
    EXPECT_EQ(watch.Stored(), (std::vector<std::string>{"Power", "Value12", "SettingsBlock"}));
    EXPECT_EQ(watch.Changed(), std::vector<std::string>{"Value12"});
}

} // namespace
