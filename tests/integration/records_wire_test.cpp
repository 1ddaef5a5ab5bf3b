// The exported data records against the simulated display: the bytes each set puts on the wire, the
// fields each get fills from the display's reply, and what happens without a record, a reply or room.

#include "CommunicationHelperExtended.h"
#include "LFDData.h"
#include "ZOLCommandHandler.h"
#include "zolsim/Simulator.h"

#include "SimulatedDisplaySuite.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using zolsim::Bytes;

constexpr char kAddress[] = "127.0.10.1";

struct HelperRelease {
    void operator()(ICommunicationHelperExtended* helper) const { helper->Release(); }
};

class RecordsWire : public zol::testing::SimulatedDisplaySuite<kAddress> {
protected:
    void SetUp() override {
        ResetDisplay();
        PointAtDisplay(record);
        helper.reset(ICommunicationHelperExtendedFactory::CreateInstance(&record));
        ASSERT_NE(helper, nullptr);
    }

    // The data bytes of every request the display saw for this command, in order.
    static std::vector<Bytes> DataOf(unsigned char code) {
        std::vector<Bytes> out;
        for (const auto& request : sim->Requests()) {
            if (!request.relayHeader && request.code == code) {
                out.push_back(request.data);
            }
        }
        return out;
    }
    static zolsim::DisplayModel& Display() { return *sim->FindDisplay(1); }

    CLFDData record;
    std::unique_ptr<ICommunicationHelperExtended, HelperRelease> helper;
};

TEST_F(RecordsWire, ClockSetTravelsBothWays) {
    ClockSet clock{};
    clock.m_nField0 = 2024;
    clock.m_nField1 = 2;
    clock.m_nField2 = 29;
    clock.m_nField3 = 11;
    clock.m_nField4 = 59;
    clock.m_bField5 = true;
    EXPECT_EQ(helper->SetClockSet(&clock), 1);
    ASSERT_EQ(DataOf(0xA7).size(), 1u);
    const Bytes sent = DataOf(0xA7)[0];
    EXPECT_EQ(sent, (Bytes{29, 11, 59, 2, 0x07, 0xE8, 1}));

    ClockSet read{};
    EXPECT_EQ(helper->GetClockSet(&read), 1);
    EXPECT_EQ(
        (std::vector<int>{read.m_nField0, read.m_nField1, read.m_nField2, read.m_nField3, read.m_nField4}),
        (std::vector<int>{2024, 2, 29, 11, 59}));
    EXPECT_TRUE(read.m_bField5);
}

TEST_F(RecordsWire, GetsFillTheirFieldsFromTheDisplay) {
    TimerData timer{};
    EXPECT_EQ(helper->GetTimerData(&timer), 1);
    EXPECT_EQ((std::vector<int>{timer.m_nField0, timer.m_nField1, timer.m_nField4, timer.m_nField11}),
              (std::vector<int>{7, 30, 10, 0x21}));
    EXPECT_TRUE(timer.m_bField3);

    DSTClock dst{};
    EXPECT_EQ(helper->GetDSTClock(&dst), 1);
    EXPECT_EQ(dst.m_nField6, 10);
    EXPECT_TRUE(dst.m_bField12);

    MaintainanceControlStatus status{};
    EXPECT_EQ(helper->GetMaintainanceControlStatus(&status), 1);
    EXPECT_EQ(status.m_nField0, 21);
    EXPECT_TRUE(status.m_bField1);
    EXPECT_EQ(status.m_nFields18To25[7], 13);

    HdmiUHDColor color;
    EXPECT_EQ(helper->GetHdmiUHDColor(&color), 1);
    EXPECT_TRUE(color.m_bField1 && color.m_bField5 && color.m_bField9);
    EXPECT_FALSE(color.m_bField3 || color.m_bField7);

    record.SetValue21x04(6);
    DynamicPeakingData peaking{};
    EXPECT_EQ(helper->GetDynamicPeakingData(&peaking), 1);
    EXPECT_EQ(
        (std::vector<int>{peaking.m_nField0, peaking.m_nFields2To5[3], peaking.m_nField6, peaking.m_nField7}),
        (std::vector<int>{1, 0x0400, 5, 6}));

    InverseToneMappingData tone{};
    EXPECT_EQ(helper->GetInverseToneMappingData(&tone), 1);
    EXPECT_EQ(
        (std::vector<int>{tone.m_nField2, tone.m_nField5, tone.m_nFields6To10[0], tone.m_nFields16To20[4]}),
        (std::vector<int>{500, 100, 0x0010, 0x0250}));
    EXPECT_EQ(DataOf(0x21).size(), 1u + 1u + 4u); // colour, peaking, then one request per tone sub-code

    ColorMappingData mapping{};
    EXPECT_EQ(helper->GetColorMappingData(&mapping), 1);
    EXPECT_EQ((std::vector<int>{mapping.m_nFields1To5[4], mapping.m_nFields6To14[0],
                                mapping.m_nFields15To23[8], mapping.m_nFields36To47[0]}),
              (std::vector<int>{5, 0x0400, 0x0200, 12}));
}

TEST_F(RecordsWire, TimerScanSkipsPacketsWithABadChecksum) {
    // In front of the real reply: a timer acknowledgement whose checksum is wrong.
    zolsim::Fault fault;
    fault.kind = zolsim::FaultKind::GarbagePrefix;
    fault.garbage = {0xAA, 0xFF, 0x01, 0x03, 'A', 0xA4, 23, 0x00};
    fault.onlyCode = 0xA4;
    sim->InjectFault(fault);
    TimerData timer{};
    EXPECT_EQ(helper->GetTimerData(&timer), 1);
    EXPECT_EQ(timer.m_nField0, 7);
}

TEST_F(RecordsWire, BlockRowsAndModules) {
    BlockGradationData gradation;
    EXPECT_EQ(helper->GetBlockGradationData(0x02, &gradation), 1);
    EXPECT_EQ(gradation.m_lstField0, (std::list<int>{0x00, 0x80, 0xFF}));
    EXPECT_EQ(gradation.m_lstField3.back(), 0x03FF);
    EXPECT_EQ(DataOf(0xD0).back(), (Bytes{0xA2, 0x02}));

    BlockRGBData rgb;
    EXPECT_EQ(helper->GetBlockRGBData(0x01, 0x03, &rgb), 1);
    EXPECT_EQ(rgb.m_lstField0, (std::list<int>{0x40, 0xC0}));
    EXPECT_EQ(rgb.m_lstFields1To9[8], (std::list<int>{0x0840, 0x08C0}));
    EXPECT_EQ(DataOf(0xD0).back(), (Bytes{0x9B, 0x01, 0x03, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

    std::vector<ModuleInformation> modules;
    EXPECT_EQ(helper->GetModuleInformation(&modules), 1);
    ASSERT_EQ(modules.size(), 2u);
    EXPECT_EQ(modules[1].m_strField1, L"ZSM55A00018");
    EXPECT_EQ(modules[1].m_strField2, L"1.0.3");
    EXPECT_EQ(DataOf(0xD0).back(), (Bytes{0xA0}));
}

TEST_F(RecordsWire, ModulesOnTheLongRoad) {
    Bytes list{0x01};
    const std::string text = "ZSM46B00001"
                             "2.0.0";
    list.insert(list.end(), text.begin(), text.end());
    Display().SetSubValue(0xD2, 0x43, list);
    record.SetSupportedModuleInformation(true);
    std::vector<ModuleInformation> modules;
    EXPECT_EQ(helper->GetModuleInformation(&modules), 1);
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(modules[0].m_strField2, L"2.0.0");
    EXPECT_EQ(DataOf(0xD2).size(), 1u);
    EXPECT_TRUE(DataOf(0xD0).empty());
    Display().SetSubValue(0xD2, 0x43, {0x00});
}

TEST_F(RecordsWire, BlockSetSendsRowsAndLeavesTheCallersRecord) {
    BlockRGBData rgb;
    rgb.m_lstField0 = {0x10, 0x20};
    for (int w = 0; w < 9; ++w) {
        rgb.m_lstFields1To9[w] = {w, 0x0100 + w};
    }
    EXPECT_EQ(helper->SetBlockRGBData(0x01, 0x02, rgb), 1);
    ASSERT_EQ(DataOf(0xD0).size(), 1u);
    EXPECT_EQ(DataOf(0xD0)[0].size(), 41u);
    EXPECT_EQ(rgb.m_lstField0.size(), 2u);
    EXPECT_EQ(rgb.m_lstFields1To9[8].size(), 2u);

    BlockRGBData back;
    EXPECT_EQ(helper->GetBlockRGBData(0x01, 0x02, &back), 1);
    EXPECT_EQ(back.m_lstField0, rgb.m_lstField0);
    EXPECT_EQ(back.m_lstFields1To9[8], rgb.m_lstFields1To9[8]);
}

TEST_F(RecordsWire, RefusedWithoutTraffic) {
    BlockRGBData tooMany;
    tooMany.m_lstField0.assign(14, 1);
    for (auto& words : tooMany.m_lstFields1To9) {
        words.assign(14, 1);
    }
    BlockGradationData unequal;
    unequal.m_lstField0 = {1, 2};
    unequal.m_lstField1 = {1, 2};
    unequal.m_lstField2 = {1};
    unequal.m_lstField3 = {1, 2};
    const struct {
        const char* what;
        int result;
    } rows[] = {
        {"empty gradation", helper->SetBlockGradationData(0, BlockGradationData())},
        {"unequal gradation", helper->SetBlockGradationData(0, unequal)},
        {"fourteen colour rows", helper->SetBlockRGBData(0, 0, tooMany)},
        {"null clock", helper->GetClockSet(nullptr)},
        {"null clock set", helper->SetClockSet(nullptr)},
        {"null timer", helper->GetTimerData(nullptr)},
        {"null DSTClock", helper->SetDSTClock(nullptr)},
        {"null maintenance", helper->GetMaintainanceControlStatus(nullptr)},
        {"null colour", helper->SetHdmiUHDColor(nullptr)},
        {"null tone mapping", helper->GetInverseToneMappingData(nullptr)},
        {"null modules", helper->GetModuleInformation(nullptr)},
        {"null gradation", helper->GetBlockGradationData(0, nullptr)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.result, 0) << row.what;
    }
    EXPECT_TRUE(sim->Requests().empty());
}

TEST_F(RecordsWire, ARefusedGetLeavesTheRecord) {
    sim->InjectFault({zolsim::FaultKind::Nak, 0, 1, 20, 0, 0, {}, 0xA7, 50});
    ClockSet clock{};
    clock.m_nField0 = 1999;
    EXPECT_EQ(helper->GetClockSet(&clock), 0);
    EXPECT_EQ(clock.m_nField0, 1999);
    sim->ClearFaults();

    // Tone mapping fails on its third request: nothing of the first two replies reaches the record.
    sim->InjectFault({zolsim::FaultKind::None, 0, 1, 20, 0, 0, {}, 0x21, 2});
    sim->InjectFault({zolsim::FaultKind::Nak, 0, 1, 20, 0, 0, {}, 0x21, 50});
    record.SetValue21x03(true);
    InverseToneMappingData tone{};
    EXPECT_EQ(helper->GetInverseToneMappingData(&tone), 0);
    EXPECT_EQ(tone.m_nField2, 0);
    EXPECT_EQ(tone.m_nField0, 1); // taken from the display record before sending
}

TEST_F(RecordsWire, MultiCommandSetsSendEachPart) {
    ColorMappingData mapping{};
    mapping.m_nFields24To35[0] = 42;
    EXPECT_NE(helper->SetColorMappingData(&mapping), 0);
    const auto sent = DataOf(0x21);
    ASSERT_GE(sent.size(), 5u);
    const std::vector<Bytes> tail(sent.end() - 5, sent.end());
    const std::size_t sizes[] = {6, 19, 19, 13, 13};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(tail[i][0], 0x10 + i);
        EXPECT_EQ(tail[i].size(), sizes[i]);
    }
    EXPECT_EQ(tail[3][1], 42);
}

} // namespace
