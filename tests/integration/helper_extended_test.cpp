// The extended helper as a whole against the simulated display: construction, refusals of bad input
// (nothing may reach the display), operations without traffic, and what RefreshAll fills in the record.

#include "CommunicationHelperExtended.h"
#include "LFDData.h"
#include "LFDValueVisitor.h"
#include "ZOLCommandHandler.h"
#include "platform/Pause.h"
#include "zolsim/Simulator.h"

#include "SimulatedDisplaySuite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kAddress[] = "127.0.4.2";

class HelperExtended : public zol::testing::SimulatedDisplaySuite<kAddress> {
protected:
    void SetUp() override {
        ResetDisplay();
        IZOLCommandHandlerFactory::CreateInstance()->SetRetryCount(1);
        PointAtDisplay(record);
        helper = ICommunicationHelperExtendedFactory::CreateInstance(&record);
        ASSERT_NE(helper, nullptr);
    }
    void TearDown() override {
        if (helper != nullptr) {
            helper->Release();
        }
    }

    static std::size_t Requests() { return sim->Requests().size(); }

    CLFDData record;
    ICommunicationHelperExtended* helper = nullptr;
};

TEST_F(HelperExtended, NoHelperWithoutARecord) {
    EXPECT_EQ(ICommunicationHelperExtendedFactory::CreateInstance(nullptr), nullptr);
}

TEST_F(HelperExtended, ResetMatrixSetsOnesWithoutTraffic) {
    double matrix[9] = {0, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(helper->ResetMatrix(&matrix), 1);
    for (const double entry : matrix) {
        EXPECT_EQ(entry, 1.0);
    }
    EXPECT_EQ(helper->ResetMatrix(nullptr), 1);
    EXPECT_EQ(Requests(), 0u);
}

TEST_F(HelperExtended, BadInputIsRefusedBeforeAnythingIsSent) {
    std::vector<int> entries(85, 1);
    EXPECT_EQ(helper->SetCommand1BSub36List(85, entries.data(), entries.data(), entries.data()), 0);
    EXPECT_EQ(helper->SetCommand1BSub36List(2, nullptr, entries.data(), entries.data()), 0);
    EXPECT_EQ(helper->SetCommand1BSub84Addresses({"10.0.0.1", "10.0.0.300"}), 0);
    EXPECT_EQ(helper->SetCommand1BSub84Addresses({"display.local"}), 0);
    // 64 addresses need 257 data bytes: more than one length byte carries
    EXPECT_EQ(helper->SetCommand1BSub84Addresses(std::vector<std::string>(64, "10.0.0.1")), 0);
    EXPECT_EQ(helper->SendCommand1BRaw(nullptr, 3), 0);
    EXPECT_EQ(helper->SetCommandD0Sub9FBlock(1, 5, nullptr), 0);
    BlockRGBData rows;
    EXPECT_EQ(helper->SetBlockRGBData(1, 2, rows), 0); // no rows
    for (int i = 0; i < 14; ++i) {                     // 3 + 19 x 14 bytes do not fit
        rows.m_lstField0.push_back(i);
    }
    EXPECT_EQ(helper->SetBlockRGBData(1, 2, rows), 0);
    EXPECT_EQ(Requests(), 0u);
}

TEST_F(HelperExtended, AddressListTravelsAsFourBytesEach) {
    EXPECT_EQ(helper->SetCommand1BSub84Addresses({"10.0.0.1", "192.168.1.20"}), 1);
    ASSERT_TRUE(sim->WaitForRequests(1, 1000));
    const auto requests = sim->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].code, 0x1B);
    EXPECT_EQ(requests[0].data, (zolsim::Bytes{0x84, 10, 0, 0, 1, 192, 168, 1, 20}));
}

TEST_F(HelperExtended, NullOutArgumentsAreNotWritten) {
    sim->FindDisplay(1)->SetValue(0xB7, {0, 1, 0, 2, 0, 3, 0, 4});
    int second = 0;
    EXPECT_EQ(helper->GetCommandB7(nullptr, &second, nullptr, nullptr), 1);
    EXPECT_EQ(second, 2);
    EXPECT_EQ(helper->GetCommand40(nullptr), 1);
    EXPECT_EQ(helper->GetCommandA3(nullptr, nullptr, nullptr, nullptr), 1);
}

TEST_F(HelperExtended, BlockRGBRowsTravelAndTheHostsRecordStays) {
    BlockRGBData rows;
    for (int r = 0; r < 2; ++r) {
        rows.m_lstField0.push_back(r + 1);
        for (auto& list : rows.m_lstFields1To9) {
            list.push_back(0x0102);
        }
    }
    EXPECT_EQ(helper->SetBlockRGBData(7, 8, rows), 1);
    ASSERT_TRUE(sim->WaitForRequests(1, 1000));
    const auto requests = sim->Requests();
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_EQ(requests[0].data.size(), 3u + 38u);
    EXPECT_EQ(requests[0].data[0], 0x9B);
    EXPECT_EQ(requests[0].data[3], 1); // row 0: list 0, then nine 16-bit values
    EXPECT_EQ(requests[0].data[4], 0x01);
    EXPECT_EQ(requests[0].data[22], 2);     // row 1
    EXPECT_EQ(rows.m_lstField0.size(), 2u); // the host's copy is untouched
}

TEST_F(HelperExtended, ClockSetField0TravelsHighByteFirst) {
    ClockSet clock{};
    clock.m_nField0 = 2024;
    clock.m_nField2 = 6;
    EXPECT_EQ(helper->SetClockSet(&clock), 1);
    ASSERT_TRUE(sim->WaitForRequests(1, 1000));
    const auto requests = sim->Requests();
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_EQ(requests[0].data.size(), 7u);
    EXPECT_EQ(requests[0].data[4], 0x07);
    EXPECT_EQ(requests[0].data[5], 0xE8);
}

TEST_F(HelperExtended, RefreshAllFillsTheRecord) {
    zolsim::DisplayModel& display = *sim->FindDisplay(1);
    display.SetPower(true);
    display.SetValue(0x71, {36});
    display.SetValue(0x26, {61});
    display.SetValue(0x96, {3});
    display.SetValue(0x79, {4});
    display.SetSubValue(0xC0, 0x0A, {9});
    display.SetSubValue(0xC6, 0x81, {2});
    record.SetRefreshFlagA(false);

    EXPECT_EQ(helper->RefreshAll(0), 1);

    EXPECT_TRUE(record.GetPower());
    EXPECT_TRUE(record.IsResponding());
    std::string text;
    record.GetSerialText(text);
    EXPECT_EQ(text, "ZS55SIM0000001");
    record.GetVersionText(text);
    EXPECT_FALSE(text.empty());
    record.GetModelName(text);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(record.GetValue71(), 36);
    EXPECT_EQ(record.GetValue24(), 50); // class 2 of the 0x71 value: 0x24, 0x25, 0x27, 0x28 are read
    EXPECT_EQ(record.GetValue25(), 50);
    EXPECT_EQ(record.GetValue26(), 61);
    EXPECT_EQ(record.GetValue27(), 50);
    EXPECT_EQ(record.GetValue28(), 50);
    EXPECT_EQ(record.GetValue96(), 3);
    EXPECT_EQ(record.GetValue79(), 4);
    EXPECT_EQ(record.GetValueC0x0A(), 9);
    EXPECT_EQ(record.GetValueC6x81(), 2);

    // The steps for other kinds of display were skipped: no family-7 or 0x21 0x03 request went out.
    for (const auto& request : sim->Requests()) {
        EXPECT_FALSE(request.code == 0x1B && !request.data.empty() && request.data[0] == 0x31);
        EXPECT_FALSE(request.code == 0x21 && !request.data.empty() && request.data[0] == 0x03);
    }
}

TEST_F(HelperExtended, RefreshAllStopsWhenTheDisplayDoesNotAnswer) {
    zolsim::Fault drop;
    drop.kind = zolsim::FaultKind::Drop;
    drop.times = 100;
    sim->InjectFault(drop);
    EXPECT_EQ(helper->RefreshAll(0), 0);
    for (const auto& request : sim->Requests()) {
        EXPECT_EQ(request.code, 0x00); // the status query and its retries only
    }
}

} // namespace
