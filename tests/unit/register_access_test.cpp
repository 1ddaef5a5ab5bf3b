// Register access through a recording basic helper: access modes, word scaling, the register sequences
// and the shadow tables, and how a failed step ends a sequence.

#include "CommunicationHelper.h"
#include "LFDData.h"
#include "helpers/RegisterAccess.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace {

using zol::helpers::RegisterTable;
using zol::helpers::registers::AccessMode;
using zol::helpers::registers::RegisterAccess;
using zol::helpers::registers::RegisterRoad;
using zol::helpers::registers::RegisterState;

// One basic-helper call as the display would see it.
struct Call {
    std::string op;
    int address;
    int mode;
    std::vector<int> values;
    bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Call& c) {
    out << c.op << " 0x" << std::hex << c.address << " mode 0x" << c.mode << " [";
    for (int v : c.values) {
        out << " 0x" << v;
    }
    return out << " ]" << std::dec;
}

// Records every call; the call numbered failAt (counted from 1) fails. Reads answer from `registers`.
class RecordingHelper final : public ICommunicationHelper {
public:
    std::vector<Call> calls;
    std::size_t failAt = 0;
    std::map<int, int> registers;

    bool WriteBlock(int start, const unsigned short* words, int count) override {
        return Log({"block", start, 0x92, std::vector<int>(words, words + count)});
    }
    bool WriteRange(int start, unsigned char mode, const int* values, int count, int) override {
        return Log({"range", start, mode, std::vector<int>(values, values + count)});
    }
    bool WriteShortRange(const int* addresses, unsigned char mode, const int* values, int count,
                         int) override {
        return Log({"short", addresses[0], mode, std::vector<int>(values, values + count)});
    }
    bool WriteRegister(int address, unsigned char mode, int value) override {
        return Log({"write", address, mode, {value}});
    }
    bool WriteRawBlock(int, const unsigned short*, int, unsigned char*) override { return false; }
    bool ReadRegisters(int, unsigned char, unsigned char*, int) override { return false; }
    bool ReadRegister(int address, unsigned char mode, unsigned char* destination) override {
        if (!Log({"read", address, mode, {}})) {
            return false;
        }
        const int value = registers[address];
        destination[0] = static_cast<unsigned char>(value >> 8);
        destination[1] = static_cast<unsigned char>(value);
        return true;
    }
    bool Attach(IZOLCommandHandler*, ILFDData*, IZOLCommand*) override { return true; }
    void Reserved() override {}
    bool WriteTable(int, const int*, int) override { return false; }
    bool WriteRegisterList(const int* addresses, unsigned char mode, const int* values, int count) override {
        std::vector<int> pairs;
        for (int i = 0; i < count; ++i) {
            pairs.push_back(addresses[i]);
            pairs.push_back(values[i]);
        }
        return Log({"list", addresses[0], mode, pairs});
    }
    bool ReadRegisterList(const int* addresses, unsigned char mode, int* destination, int count) override {
        if (!Log({"readlist", addresses[0], mode, {count}})) {
            return false;
        }
        for (int i = 0; i < count; ++i) {
            destination[i] = registers[addresses[i]];
        }
        return true;
    }

private:
    bool Log(Call call) {
        calls.push_back(std::move(call));
        return calls.size() != failAt;
    }
};

class Registers : public testing::Test {
protected:
    RegisterAccess Access() {
        return RegisterAccess(
            RegisterRoad{&basic, &record, nullptr, nullptr},
            RegisterState{doubled, values, coefficients, matrix, matrixValid, primary, secondary});
    }

    RecordingHelper basic;
    CLFDData record;
    std::int32_t doubled = 0;
    std::array<std::int32_t, 17> values{};
    std::array<double, 3> coefficients{};
    std::array<double, 9> matrix{};
    bool matrixValid = false;
    RegisterTable primary;
    RegisterTable secondary;
};

TEST(RegisterAccessModes, EachDeviceBankAndUnitHasItsCode) {
    const struct {
        int device, bank, unit, mode;
    } rows[] = {{1, 0, 0, 0x10}, {1, 0, 1, 0x11}, {1, 1, 0, 0x90}, {1, 1, 1, 0x91}, {1, 1, 2, 0x92},
                {0, 0, 0, 0x00}, {0, 0, 1, 0x01}, {0, 1, 0, 0x80}, {0, 1, 1, 0x81}, {2, 0, 0, 0x99},
                {0, 1, 2, 0x99}, {1, 0, 2, 0x99}, {-1, 0, 0, 0x99}};
    for (const auto& r : rows) {
        EXPECT_EQ(AccessMode(r.device, r.bank, r.unit), r.mode) << r.device << r.bank << r.unit;
    }
}

TEST_F(Registers, WordWritesAreScaledAndOnlyTheDiagonalIsMirrored) {
    const struct {
        int reg, value;
        std::vector<Call> calls;
    } rows[] = {
        {0x41, 4, {{"write", 0x41, 0x90, {512}}}},
        {0x44,
         1,
         {{"write", 0x44, 0x90, {128}},
          {"write", 0x81, 0x80, {0}},
          {"write", 0xC940, 0x80, {0}},
          {"write", 0xC941, 0x80, {0x44}},
          {"write", 0xC942, 0x80, {0x00}},
          {"write", 0xC943, 0x80, {0x80}},
          {"write", 0x81, 0x80, {1}}}},
        {0x60, 511, {{"write", 0x60, 0x90, {0xFF80}}}},
    };
    for (const auto& row : rows) {
        basic.calls.clear();
        EXPECT_EQ(Access().WriteRegisterWord(row.reg, row.value), 1);
        EXPECT_EQ(basic.calls, row.calls) << std::hex << row.reg;
    }
}

TEST_F(Registers, AFailedStepEndsTheSequenceAndKeepsWhatWasWritten) {
    basic.failAt = 3; // the write of the mirror's base register
    EXPECT_EQ(Access().WriteRegisterWord(0x48, 512), 0);
    ASSERT_EQ(basic.calls.size(), 3u);
    EXPECT_EQ(basic.calls[2], (Call{"write", 0xC950, 0x80, {0}}));
    EXPECT_EQ(values[8], 512); // the register itself was written

    basic.calls.clear();
    basic.failAt = 1;
    EXPECT_EQ(Access().WriteRegisterWord(0x48, 4), 0);
    EXPECT_EQ(basic.calls.size(), 1u);
}

TEST_F(Registers, WordReadIsScaledBack) {
    const struct { int raw, value; } rows[] = {{0x0100, 2}, {0xFFFF, 512}, {0x007F, 0}, {0xFF80, 511}};
    for (const auto& row : rows) {
        basic.registers[0x45] = row.raw;
        int value = -1;
        EXPECT_EQ(Access().ReadRegisterWord(0x45, &value), 1);
        EXPECT_EQ(value, row.value) << std::hex << row.raw;
    }
    EXPECT_EQ(basic.calls.back(), (Call{"read", 0x45, 0x10, {}}));

    basic.failAt = basic.calls.size() + 1;
    int untouched = -7;
    EXPECT_EQ(Access().ReadRegisterWord(0x45, &untouched), 0);
    EXPECT_EQ(untouched, -7);
}

TEST_F(Registers, EightRegisterWriteDividesXWithoutParameter1AndRecordsEntry27) {
    const struct {
        int parameter1;
        int model;
        std::vector<int> sent;
        bool primaryRecorded;
    } rows[] = {
        {0, 0x69, {10, 11, 12, 13, 25, 50, 2, 0x0D}, true},
        {1, 0x69, {10, 11, 12, 13, 100, 200, 9, 0x0D}, true},
        {1, 0x4E, {10, 11, 12, 13, 100, 200, 9, 0x0D}, false},
    };
    for (const auto& row : rows) {
        basic.calls.clear();
        primary = {};
        secondary = {};
        record.SetStoredParameter1(row.parameter1);
        record.SetModelCode(row.model);
        EXPECT_EQ(Access().EightRegisterWrite(0x0D, 100, 200, 9, 10, 11, 12, 13), 1);
        ASSERT_EQ(basic.calls.size(), 1u);
        EXPECT_EQ(basic.calls[0], (Call{"short", 0xE5, 0x90, row.sent}));
        const zol::helpers::RegisterEntry entry{0x00, 0x50, 0x00, 0x0D};
        EXPECT_EQ(secondary.entries[27], entry);
        EXPECT_EQ(primary.entries[27] == entry, row.primaryRecorded);
    }
}

TEST_F(Registers, MatrixGoesAsOneRangeAtTheWideConsecutiveMode) {
    const double entries[9] = {1.0, 0.5, 0.0, 0.25, 1.0, 0.0, 0.0, 0.0, 0.999999};
    EXPECT_EQ(Access().WriteMatrix(entries), 1);
    ASSERT_EQ(basic.calls.size(), 1u);
    EXPECT_EQ(basic.calls[0], (Call{"range", 0x40, 0x91, {65535, 32767, 0, 16383, 65535, 0, 0, 0, 65534}}));
    EXPECT_EQ(Access().WriteMatrix(nullptr), 0);
    EXPECT_EQ(basic.calls.size(), 1u);
}

TEST_F(Registers, LoaderStoresTheDisplaysParameters) {
    basic.registers = {{0xF2, 1}, {0xF8, 0x10}, {0x58, 6}, {0x59, 4}};
    EXPECT_EQ(Access().ApplyGeometryRegisters(), 1);
    EXPECT_EQ(record.GetStoredParameter2(), 0x10);
    EXPECT_EQ(doubled, 0x20);
    EXPECT_EQ(record.GetStoredParameter7(), 8 * 6);
    const std::vector<Call> expected{{"read", 0xF2, 0x10, {}},
                                     {"read", 0xF8, 0x10, {}},
                                     {"read", 0x58, 0x10, {}},
                                     {"read", 0x59, 0x10, {}},
                                     {"short", 0xE5, 0x90, {0, 6, 0, 4, 0, 0, 0, 0}}};
    EXPECT_EQ(basic.calls, expected);
}

TEST_F(Registers, RegisterTableWritesHeaderThreePartsAndClears) {
    record.SetStoredParameter3(6);
    record.SetStoredParameter4(4);
    values[0] = 512;
    std::vector<int> block(3 * 3 * 4);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<int>(i);
    }
    EXPECT_EQ(Access().WriteRegisterTable(block.data(), 1, 2), 1);
    ASSERT_EQ(basic.calls.size(), 9u + 6u + 9u + 3u);
    EXPECT_EQ(basic.calls[0], (Call{"write", 0x40, 0x90, {0xFFFF}}));
    EXPECT_EQ(basic.calls[11], (Call{"write", 0xFC, 0x90, {1}}));
    EXPECT_EQ(basic.calls[15], (Call{"write", 0x01, 0x90, {0x40}}));
    EXPECT_EQ(basic.calls[16],
              (Call{"range", 0x101, 0x90, std::vector<int>(block.begin(), block.begin() + 12)}));
    EXPECT_EQ(basic.calls[22],
              (Call{"range", 0x107, 0x90, std::vector<int>(block.begin() + 24, block.end())}));
    EXPECT_EQ(basic.calls.back(), (Call{"write", 0xFB, 0x90, {0}}));

    basic.calls.clear();
    EXPECT_EQ(Access().WriteRegisterTable(block.data(), 0, 2), 0);
    EXPECT_EQ(Access().WriteRegisterTable(nullptr, 1, 2), 0);
    EXPECT_TRUE(basic.calls.empty());
}

TEST_F(Registers, BlockRangeWritesBuiltInBlocksThenTheTables) {
    record.SetStoredParameter2(7);
    EXPECT_EQ(Access().WriteRegisterBlockRange(3, 5, nullptr), 1);
    ASSERT_EQ(basic.calls.size(), 7u);
    EXPECT_EQ(basic.calls[0], (Call{"write", 0x82, 0x80, {0}}));
    const int starts[] = {0xCA00, 0xCAF2, 0xCBE4, 0xCCD6, 0xC904};
    const std::size_t sizes[] = {242, 242, 242, 200, 200};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(basic.calls[1 + i].address, starts[i]);
        EXPECT_EQ(basic.calls[1 + i].mode, 0x81);
        EXPECT_EQ(basic.calls[1 + i].values.size(), sizes[i]);
    }
    EXPECT_EQ(basic.calls[6], (Call{"write", 0x82, 0x80, {1}}));
    EXPECT_EQ(primary.entries[30], (zol::helpers::RegisterEntry{0x00, 0xF8, 0x00, 0x07}));
    EXPECT_EQ(primary.entries[35], (zol::helpers::RegisterEntry{0x00, 0xFD, 0x00, 0x05}));
    // The primary table travels with its recorded entries.
    EXPECT_EQ(basic.calls[4].values[30 * 4 + 1], 0xF8);
}

TEST_F(Registers, FpgaSettingsOnlyForTheirProductGroups) {
    FPGASettingsData data;
    data.m_nFields0To21[21] = 0x0FFF;
    for (int group : {4, 5, 8, 9, 3, 0}) {
        basic.calls.clear();
        record.SetProductGroup(group);
        const bool has = group == 4 || group == 5 || group == 8 || group == 9;
        EXPECT_EQ(Access().WriteFPGASettingsData(&data), has ? 1 : 0) << group;
        EXPECT_EQ(Access().GetFPGASettingsData(&data), has ? 1 : 0) << group;
        EXPECT_EQ(basic.calls.size(), has ? 2u : 0u) << group;
    }
    record.SetProductGroup(4);
    basic.calls.clear();
    data.m_nFields0To21[21] = 0x0FFF; // the reads above filled the record from the (empty) registers
    Access().WriteFPGASettingsData(&data);
    ASSERT_EQ(basic.calls.size(), 1u);
    EXPECT_EQ(basic.calls[0].mode, 0x90);
    EXPECT_EQ(basic.calls[0].values.size(), 44u);
    EXPECT_EQ(basic.calls[0].values.back(), 0x0FFF);
}

} // namespace
