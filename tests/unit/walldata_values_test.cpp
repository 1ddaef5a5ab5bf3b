// The in-memory record and its value list: every value is listed once, each setter reaches exactly its
// own value, the fixed shapes hold, and snapshots, diffs, assignment by name and JSON behave.
#include "LFDData.h"
#include "LFDValueVisitor.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <variant>
#include <vector>

namespace {

// A value of the same kind as `current` that differs from it and from the record's default.
LFDValue DistinctValue(const LFDValue& current, int seed) {
    return std::visit(
        [seed](const auto& held) -> LFDValue {
            using T = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<T, bool>) {
                return !held;
            } else if constexpr (std::is_same_v<T, int>) {
                return held + 1000 + seed;
            } else if constexpr (std::is_same_v<T, std::string>) {
                return held + "text" + std::to_string(seed);
            } else {
                // Blocks keep their size; an empty list gets one entry.
                std::vector<int> changed = held.empty() ? std::vector<int>{0} : held;
                for (int& entry : changed) {
                    entry += 7 + seed;
                }
                return changed;
            }
        },
        current);
}

const LFDValue* Find(const LFDSnapshot& snapshot, const std::string& name) {
    for (const LFDNamedValue& entry : snapshot) {
        if (entry.name == name) {
            return &entry.value;
        }
    }
    return nullptr;
}

TEST(WallDataValues, VisitorListsEveryValueExactlyOnceInListOrder) {
    CLFDData record;
    std::vector<std::string> visited;
    ForEachValue(record, [&visited](const char* name, const auto&) { visited.emplace_back(name); });

    const std::set<std::string> unique(visited.begin(), visited.end());
    EXPECT_EQ(unique.size(), visited.size()) << "a value is listed twice";
    EXPECT_EQ(visited, LFDValues::Names());
    EXPECT_EQ(visited.size(), LFDValues::Count());
    // The values other parts rely on by name are all there.
    for (const char* name :
         {"Power", "Responding", "StatusReceived", "MacAddress", "ModelName", "Value12", "Value21x0Cb",
          "ValueFEBlock", "Value0D", "Value21x30Block", "D2x32Text12", "StoredParameter8", "SettingsBlock"}) {
        EXPECT_EQ(unique.count(name), 1u) << name;
    }
}

TEST(WallDataValues, EverySetterChangesExactlyItsOwnValue) {
    CLFDData record;
    int seed = 0;
    for (const std::string& name : LFDValues::Names()) {
        const LFDSnapshot before = LFDValues::Snapshot(record);
        const LFDValue* old = Find(before, name);
        ASSERT_NE(old, nullptr) << name;
        const LFDValue wanted = DistinctValue(*old, ++seed);

        ASSERT_TRUE(LFDValues::Assign(record, name, wanted)) << name;
        const LFDSnapshot after = LFDValues::Snapshot(record);

        EXPECT_EQ(LFDValues::Changed(before, after), std::vector<std::string>{name});
        const LFDValue* now = Find(after, name);
        ASSERT_NE(now, nullptr) << name;
        EXPECT_TRUE(*now == wanted) << name << " reads back " << LFDValues::ToJson(*now);
    }
}

TEST(WallDataValues, FixedShapesOfTheRecordOperations) {
    CLFDData record;

    // Texts come back through the out-parameter, replacing what it held.
    record.SetModelName("[LED]Wall");
    std::string text = "left over";
    record.GetModelName(text);
    EXPECT_EQ(text, "[LED]Wall");

    // Responding is read with Is, and is the same value the visitor lists.
    record.SetResponding(true);
    EXPECT_TRUE(record.IsResponding());
    EXPECT_EQ(std::get<bool>(*Find(LFDValues::Snapshot(record), "Responding")), true);

    // Stored parameters report the setter's status.
    EXPECT_EQ(record.SetStoredParameter3(-42), 1);
    EXPECT_EQ(record.GetStoredParameter3(), -42);

    // Value83 keeps the scaled value and its second argument.
    record.SetValue83({1230, 7});
    EXPECT_EQ(record.GetValue83(), (IntBlock2{1230, 7}));

    // The settings block is written in place through the reference the record hands out.
    record.GetSettingsBlock()[ILFDData::kSettingsFieldCommand58] = 100;
    const ILFDData& constView = record;
    EXPECT_EQ(constView.GetSettingsBlock()[9], 100);

    record.EndValueC4();
    record.EndValueC4();
    EXPECT_EQ(record.GetEndValueC4Count(), 2);
}

TEST(WallDataValues, DefaultsDescribeAnEnabledEthernetDisplayWithoutRelay) {
    CLFDDataPtr record(CLFDDataFactory::CreateInstance());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->GetConnectionKind(), 1);
    EXPECT_EQ(record->GetDisplayId(), 1);
    EXPECT_LT(record->GetRelayTarget(), 0);
    EXPECT_EQ(record->GetFramingVariant(), 0);
    EXPECT_TRUE(record->IsCommunicationEnabled());
    EXPECT_TRUE(record->IsSelected());
    EXPECT_FALSE(record->IsResponding());
    EXPECT_FALSE(record->IsSupportedD0Sub9D());
    EXPECT_FALSE(record->IsCommandE3Allowed(1, 2));
    int a = 0;
    int b = 0;
    EXPECT_FALSE(record->IsSupportedC8Sub82(&a, &b, nullptr));

    record->SetSupportedD0Sub9D(true);
    record->SetCommandE3Allowed(true);
    record->SetSupportedC8Sub82(true);
    EXPECT_TRUE(record->IsSupportedD0Sub9D());
    EXPECT_TRUE(record->IsCommandE3Allowed(0, 0));
    EXPECT_TRUE(record->IsSupportedC8Sub82(nullptr, nullptr, nullptr));
}

TEST(WallDataValues, CopiesAreIndependent) {
    CLFDData original;
    original.SetAddress("127.0.0.9");
    original.SetValue24(50);
    CLFDData copy(original);
    copy.SetValue24(60);
    copy.SetAddress("127.0.0.10");

    std::string address;
    original.GetAddress(address);
    EXPECT_EQ(address, "127.0.0.9");
    EXPECT_EQ(original.GetValue24(), 50);
    EXPECT_EQ(copy.GetValue24(), 60);
}

TEST(WallDataValues, AssignRefusesWhatDoesNotFit) {
    struct Row {
        const char* what;
        std::string name;
        LFDValue value;
    };
    const std::vector<Row> rows = {
        {"unknown name", "Value99x99", LFDValue{1}},
        {"bool into an int", "Value12", LFDValue{true}},
        {"int into a bool", "Power", LFDValue{1}},
        {"text into an int", "Value24", LFDValue{std::string("5")}},
        {"int into a text", "ModelName", LFDValue{5}},
        {"block too short", "ValueFEBlock", LFDValue{std::vector<int>(8, 1)}},
        {"block too long", "Value0D", LFDValue{std::vector<int>(7, 1)}},
        {"list into an int", "Value14", LFDValue{std::vector<int>{1}}},
    };
    for (const Row& row : rows) {
        CLFDData record;
        const LFDSnapshot before = LFDValues::Snapshot(record);
        EXPECT_FALSE(LFDValues::Assign(record, row.name, row.value)) << row.what;
        EXPECT_TRUE(LFDValues::Changed(before, LFDValues::Snapshot(record)).empty()) << row.what;
    }

    // Lists take any length, blocks exactly theirs.
    CLFDData record;
    EXPECT_TRUE(LFDValues::Assign(record, "ValueD0x82a", LFDValue{std::vector<int>{85, 37, 8}}));
    EXPECT_EQ(record.GetValueD0x82a(), (IntList{85, 37, 8}));
    EXPECT_TRUE(LFDValues::Assign(record, "Value0D", LFDValue{std::vector<int>{1, 2, 3, 4, 5, 6}}));
    EXPECT_EQ(record.GetValue0D(), (IntBlock6{1, 2, 3, 4, 5, 6}));
}

TEST(WallDataValues, ChangedCountsNamesMissingFromEitherSide) {
    const LFDSnapshot before = {{"A", 1}, {"B", true}, {"Gone", 3}};
    const LFDSnapshot after = {{"A", 1}, {"B", false}, {"New", std::string("x")}};
    EXPECT_EQ(LFDValues::Changed(before, after), (std::vector<std::string>{"B", "New", "Gone"}));
    EXPECT_TRUE(LFDValues::Changed(before, before).empty());
}

TEST(WallDataValues, JsonOfEachKind) {
    const std::vector<std::pair<LFDValue, std::string>> rows = {
        {LFDValue{true}, "true"},
        {LFDValue{false}, "false"},
        {LFDValue{-255}, "-255"},
        {LFDValue{std::string("[LCD]A\"b\\c")}, "\"[LCD]A\\\"b\\\\c\""},
        {LFDValue{std::string("a\nb\x01")}, "\"a\\nb\\u0001\""},
        {LFDValue{std::vector<int>{}}, "[]"},
        {LFDValue{std::vector<int>{-1, 0, 65535}}, "[-1,0,65535]"},
    };
    for (const auto& [value, json] : rows) {
        EXPECT_EQ(LFDValues::ToJson(value), json);
    }
}

} // namespace
