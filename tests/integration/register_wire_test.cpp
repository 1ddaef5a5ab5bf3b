// Register access against the simulated display's register file: the 0xE1 requests each operation sends,
// in order, and what the registers hold afterwards.

#include "CommunicationHelperExtended.h"
#include "LFDData.h"
#include "zolsim/Simulator.h"

#include "SimulatedDisplaySuite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using zolsim::Bytes;

constexpr char kAddress[] = "127.0.10.2";

struct HelperRelease {
    void operator()(ICommunicationHelperExtended* helper) const { helper->Release(); }
};

// One register request: its access mode, first register and the bytes behind them.
struct RegisterRequest {
    int mode;
    int address;
    Bytes rest;
    bool operator==(const RegisterRequest&) const = default;
};

std::ostream& operator<<(std::ostream& out, const RegisterRequest& r) {
    out << std::hex << "mode 0x" << r.mode << " at 0x" << r.address << " [";
    for (int b : r.rest) {
        out << " " << b;
    }
    return out << " ]" << std::dec;
}

class RegisterWire : public zol::testing::SimulatedDisplaySuite<kAddress> {
protected:
    void SetUp() override {
        ResetDisplay();
        PointAtDisplay(record);
        helper.reset(ICommunicationHelperExtendedFactory::CreateInstance(&record));
        ASSERT_NE(helper, nullptr);
    }

    static std::vector<RegisterRequest> RegisterRequests() {
        std::vector<RegisterRequest> out;
        for (const auto& request : sim->Requests()) {
            if (request.relayHeader || request.code != 0xE1 || request.data.size() < 3) {
                continue;
            }
            out.push_back({request.data[0], (request.data[1] << 8) | request.data[2],
                           Bytes(request.data.begin() + 3, request.data.end())});
        }
        return out;
    }
    static zolsim::DisplayModel& Display() { return *sim->FindDisplay(1); }

    CLFDData record;
    std::unique_ptr<ICommunicationHelperExtended, HelperRelease> helper;
};

TEST_F(RegisterWire, WordWriteOfRegister40IsMirrored) {
    EXPECT_EQ(helper->WriteRegisterWord(0x40, 512), 1);
    const std::vector<RegisterRequest> expected{
        {0x90, 0x40, {0xFF, 0xFF}}, {0x80, 0x81, {0x00}},   {0x80, 0xC930, {0x00}}, {0x80, 0xC931, {0x40}},
        {0x80, 0xC932, {0xFF}},     {0x80, 0xC933, {0xFF}}, {0x80, 0x81, {0x01}},
    };
    EXPECT_EQ(RegisterRequests(), expected);
    EXPECT_EQ(Display().Register(0x40), 0xFFFFu);
    EXPECT_EQ(Display().Register(0xC931), 0x40u);
    EXPECT_EQ(Display().Register(0x81), 1u);
}

TEST_F(RegisterWire, WordWriteOfAnUnmirroredRegister) {
    EXPECT_EQ(helper->WriteRegisterWord(0x41, 4), 1);
    EXPECT_EQ(RegisterRequests(), (std::vector<RegisterRequest>{{0x90, 0x41, {0x02, 0x00}}}));
    EXPECT_EQ(Display().Register(0x41), 512u);
}

TEST_F(RegisterWire, WordReadsAreScaled) {
    const struct {
        unsigned raw;
        int value;
    } rows[] = {{0x0100, 2}, {0xFFFF, 512}, {0x8000, 256}};
    for (const auto& row : rows) {
        Display().SetRegister(0x0123, row.raw);
        int value = -1;
        EXPECT_EQ(helper->ReadRegisterWord(0x0123, &value), 1);
        EXPECT_EQ(value, row.value) << std::hex << row.raw;
    }
    EXPECT_EQ(RegisterRequests().back(), (RegisterRequest{0x10, 0x0123, {}}));
}

TEST_F(RegisterWire, GeometryWithoutParameter1DividesTheXValues) {
    const struct {
        unsigned parameter1;
        int first, second;
        Bytes values; // y0 y1 y2 y3 x1 x2 x3 m, two bytes each
    } rows[] = {
        {0, 100, 40, {0, 0, 0, 6, 0, 0, 0, 4, 0, 25, 0, 10, 0, 0, 0, 0x0D}},
        {1, 100, 40, {0, 0, 0, 6, 0, 0, 0, 4, 0, 100, 0, 40, 0, 0, 0, 0x0D}},
        {1, -8, 40, {0, 0, 0, 6, 0, 0, 0, 4, 0, 8, 0, 40, 0, 0, 0, 0x0E}},
    };
    for (const auto& row : rows) {
        sim->ClearLog();
        Display().SetRegister(0xF2, row.parameter1);
        EXPECT_EQ(helper->SetGeometryRegisters(row.first, row.second), 1);
        const auto requests = RegisterRequests();
        ASSERT_EQ(requests.size(), 5u);
        EXPECT_EQ(requests[4], (RegisterRequest{0x90, 0xE5, row.values}));
        EXPECT_EQ(record.GetStoredParameter3(), 6);
        EXPECT_EQ(helper->GetStoredParameter1(), static_cast<int>(row.parameter1));
    }
    Display().SetRegister(0xF2, 1);
}

TEST_F(RegisterWire, AFailureInTheMiddleStopsTheSequence) {
    sim->InjectFault({zolsim::FaultKind::None, 0, 1, 20, 0, 0, {}, 0xE1, 2});
    sim->InjectFault({zolsim::FaultKind::Nak, 0, 1, 20, 0, 0, {}, 0xE1, 100});
    Display().SetRegister(0x44, 0);
    EXPECT_EQ(helper->WriteRegisterWord(0x44, 512), 0);
    sim->ClearFaults();
    for (const auto& request : RegisterRequests()) {
        EXPECT_NE(request.address, 0xC941) << "the sequence went on after the refused step";
    }
    EXPECT_EQ(RegisterRequests().back().address, 0xC940);
    EXPECT_EQ(Display().Register(0x44), 0xFFFFu); // written before the failure, and kept
}

TEST_F(RegisterWire, MatrixAndInitialisation) {
    double matrix[9] = {1.0, 0, 0, 0, 0.5, 0, 0, 0, 1.0};
    EXPECT_EQ(helper->WriteMatrix(&matrix), 1);
    const auto requests = RegisterRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].mode, 0x91);
    EXPECT_EQ(requests[0].address, 0x40);
    EXPECT_EQ(Display().Register(0x44), 32767u);
    EXPECT_EQ(Display().Register(0x48), 65535u);

    sim->ClearLog();
    EXPECT_EQ(helper->InitializeMatrix(), 1);
    EXPECT_EQ(record.GetSettingsBlock()[4], 512);
    EXPECT_EQ(record.GetStoredParameter2(), 0x10);
    EXPECT_EQ(record.GetStoredParameter4(), 4);
    EXPECT_EQ(RegisterRequests().size(), 4u); // the loader's four reads, nothing written
}

TEST_F(RegisterWire, FpgaSettingsRoundTrip) {
    record.SetProductGroup(5);
    FPGASettingsData data;
    EXPECT_EQ(helper->GetFPGASettingsData(&data), 1);
    EXPECT_EQ(data.m_nFields0To21[2], 0x0100);
    EXPECT_EQ(data.m_nFields0To21[21], 0x0FFF);
    data.m_nFields0To21[5] = 0x1234;
    EXPECT_EQ(helper->WriteFPGASettingsData(&data), 1);
    EXPECT_EQ(Display().Register(0xD105), 0x1234u);

    record.SetProductGroup(2);
    sim->ClearLog();
    EXPECT_EQ(helper->GetFPGASettingsData(&data), 0);
    EXPECT_TRUE(sim->Requests().empty());
}

} // namespace

namespace {

// The default table is recorded, not written; what goes out is the byte-mode sequence between the two
// writes of register 0x81: the argument to 0xC903, then the four values that describe the table.
TEST_F(RegisterWire, DefaultTableWritesItsSequenceBetweenTheLatchWrites) {
    EXPECT_EQ(helper->WriteDefaultRegisterTable(nullptr, nullptr, 0x2A), 1);
    const auto requests = RegisterRequests();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests.front(), (RegisterRequest{0x80, 0x81, {0x00}}));
    EXPECT_EQ(requests[1], (RegisterRequest{0x80, 0xC903, {0x2A}}));
    for (std::size_t i = 2; i < 6; ++i) {
        EXPECT_EQ(requests[i].mode, 0x80);
        EXPECT_GE(requests[i].address, 0xC900);
        EXPECT_LE(requests[i].address, 0xC904);
    }
    EXPECT_EQ(requests.back(), (RegisterRequest{0x80, 0x81, {0x01}}));
    EXPECT_EQ(Display().Register(0xC903), 0x2Au);
}

// Command 0x58 carries the record's 0x58 value; the three diagonal registers then get their stored
// values scaled by it (in hundredths). A refused 0x58 writes no register.
TEST_F(RegisterWire, Command58ScalesTheDiagonalByItsValue) {
    auto& settings = record.GetSettingsBlock();
    settings[ILFDData::kSettingsFieldCommand58] = 50;
    for (int field : {0, 4, 8}) {
        settings[static_cast<std::size_t>(ILFDData::kSettingsFieldRegister40 + field)] = 256;
    }
    EXPECT_EQ(helper->ReadCommand58Registers(), 1);
    const auto all = sim->Requests();
    const auto query = std::find_if(all.begin(), all.end(), [](const auto& r) { return r.code == 0x58; });
    ASSERT_NE(query, all.end());
    EXPECT_EQ(query->data, Bytes{50});
    const auto writes = RegisterRequests();
    for (int address : {0x40, 0x44, 0x48}) {
        const RegisterRequest scaled{0x90, address, {0x40, 0x00}}; // 128, sent as 128 * 128
        EXPECT_NE(std::find(writes.begin(), writes.end(), scaled), writes.end()) << address;
    }

    ResetDisplay();
    sim->InjectFault({.kind = zolsim::FaultKind::Nak, .onlyCode = 0x58});
    EXPECT_EQ(helper->ReadCommand58Registers(), 0);
    EXPECT_TRUE(RegisterRequests().empty());
}

} // namespace
