// The serial firmware updater against the simulated display's update mode on real pseudo-terminals.
#include "LFDData.h"
#include "VWDataAdapter.h"
#include "ZOLConnection.h"
#include "ZOLSerialFWUpdater.h"
#include "platform/Pause.h"
#include "zolsim/Simulator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using zolsim::Bytes;

struct Progress : ISerialSTM32FWUpgradeProtocolCallBack {
    std::vector<int> percents;
    void OnProgress(int percent) override { percents.push_back(percent); }
};

Bytes RandomImage(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes image(size);
    for (auto& b : image) {
        b = static_cast<unsigned char>(random());
    }
    return image;
}

class FirmwareUpdate : public ::testing::Test {
protected:
    void TearDown() override {
        zol::platform::SetPauseHook({});
        CZOLSerialFWUpdater::DeleteInstance();
        IZOLConnectionPoolFactory::DeleteInstance();
        ResetProcessWide();
        std::filesystem::remove(imagePath);
    }

    // A display with this ID on a pty of its own simulator, known to the host adapter under `key`, with
    // an open pooled serial connection.
    IZOLSerialConnection* AddSerialDisplay(zolsim::Simulator& sim, const std::string& path, int key,
                                           unsigned char id) {
        records.push_back(CLFDDataPtr(CLFDDataFactory::CreateInstance()));
        CLFDData& record = *records.back();
        record.SetAddress(path);
        record.SetConnectionKind(2);
        record.SetDisplayId(id);
        CVWDataAdapter::Process().AddDisplay(key, &record);
        sim.AddDisplay(id);
        IZOLConnection* connection = IZOLConnectionPoolFactory::CreateInstance()->GetConnection(
            path, "SERIAL", nullptr, "", true, 1);
        EXPECT_NE(connection, nullptr);
        EXPECT_TRUE(connection != nullptr && connection->IsConnected());
        return dynamic_cast<IZOLSerialConnection*>(connection);
    }

    // Pauses stay instant, but after each block the updater waits until the simulated display has read
    // that block, so the line speed the display sees is the one the block was sent at.
    void FollowBlocks(zolsim::Simulator& sim, std::size_t modeRequests) {
        blocksSent = 0;
        zol::platform::SetPauseHook([this, &sim, modeRequests](std::uint32_t ms) {
            if (ms == 1000) {
                ++blocksSent;
                EXPECT_TRUE(sim.WaitForRequests(modeRequests + blocksSent, 5000));
            }
        });
    }

    void WriteImage(const Bytes& image) {
        std::ofstream out(imagePath, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }

    static std::size_t BulkFrames(const zolsim::Simulator& sim) {
        std::size_t count = 0;
        for (const auto& request : sim.Requests()) {
            count += request.code == 0xD1 ? 1 : 0;
        }
        return count;
    }

    std::vector<CLFDDataPtr> records;
    std::size_t blocksSent = 0;
    std::string imagePath = (std::filesystem::temp_directory_path() /
                             ("zol_fw_" + std::to_string(::getpid()) + ".bin")).string();
    Progress progress;
};

struct BlockRow {
    std::size_t size;
    std::vector<int> percents;
};

class FirmwareBlocks : public FirmwareUpdate, public ::testing::WithParamInterface<BlockRow> {};

TEST_P(FirmwareBlocks, ImageArrivesWholeAndBothFlagsAreSet) {
    zolsim::Simulator sim;
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    IZOLSerialConnection* line = AddSerialDisplay(sim, path, 7, 1);
    ASSERT_NE(line, nullptr);
    const Bytes image = RandomImage(GetParam().size, 42);
    WriteImage(image);
    FollowBlocks(sim, 2);

    CZOLSerialFWUpdater* updater = CZOLSerialFWUpdater::GetInstance();
    updater->SetUpdateMonitorData(std::wstring(imagePath.begin(), imagePath.end()), {CUpdateMonitor(7)},
                                  &progress);
    EXPECT_TRUE(updater->UpdateFirmWare());

    EXPECT_EQ(progress.percents, GetParam().percents);
    const zolsim::DisplayModel* display = sim.FindDisplay(1);
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(display->FirmwareComplete());
    EXPECT_EQ(display->Snapshot().firmwareRejectedChunks, 0) << "chunks out of order or below 115200 baud";
    EXPECT_EQ(display->FirmwareImage(), image);
    const auto monitors = updater->GetUpdateMonitorList();
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0].queryConfirmed, 1);

    EXPECT_EQ(monitors[0].setConfirmed, 1);
    EXPECT_EQ(line->GetLinkParameter(), 9600u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FirmwareBlocks,
                         ::testing::Values(BlockRow{64508, {100}}, BlockRow{64509, {50, 100}},
                                           BlockRow{3 * 64508 + 17, {25, 50, 75, 100}}, BlockRow{1, {100}}));

TEST_F(FirmwareUpdate, TwoMonitorsOnOneLineGetEachBlockOnce) {
    zolsim::Simulator sim;
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    AddSerialDisplay(sim, path, 1, 1);
    AddSerialDisplay(sim, path, 2, 2);
    WriteImage(RandomImage(64509, 7));
    FollowBlocks(sim, 4);

    CZOLSerialFWUpdater* updater = CZOLSerialFWUpdater::GetInstance();
    updater->SetUpdateMonitorData(std::wstring(imagePath.begin(), imagePath.end()),
                                  {CUpdateMonitor(1), CUpdateMonitor(2)}, &progress);
    EXPECT_TRUE(updater->UpdateFirmWare());
    EXPECT_EQ(BulkFrames(sim), 2u);
}

TEST_F(FirmwareUpdate, RefusedFirstRequestSendsNoImageAndRestoresTheLine) {
    zolsim::Simulator sim;
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    IZOLSerialConnection* line = AddSerialDisplay(sim, path, 3, 1);
    ASSERT_NE(line, nullptr);
    sim.FindDisplay(1)->SetRule(0x1B, zolsim::rules::Refuse());
    WriteImage(RandomImage(1000, 1));

    CZOLSerialFWUpdater* updater = CZOLSerialFWUpdater::GetInstance();
    updater->SetUpdateMonitorData(std::wstring(imagePath.begin(), imagePath.end()), {CUpdateMonitor(3)},
                                  &progress);
    EXPECT_FALSE(updater->UpdateFirmWare());
    EXPECT_EQ(BulkFrames(sim), 0u);
    EXPECT_TRUE(progress.percents.empty());
    EXPECT_EQ(line->GetLinkParameter(), 9600u);
}

TEST_F(FirmwareUpdate, EmptyOrMissingImageFailsAndRestoresTheLine) {
    for (const bool exists : {true, false}) {
        zolsim::Simulator sim;
        const std::string path = sim.StartPty();
        ASSERT_FALSE(path.empty());
        IZOLSerialConnection* line = AddSerialDisplay(sim, path, 4, 1);
        ASSERT_NE(line, nullptr);
        std::filesystem::remove(imagePath);
        if (exists) {
            WriteImage({});
        }
        CZOLSerialFWUpdater* updater = CZOLSerialFWUpdater::GetInstance();
        updater->SetUpdateMonitorData(std::wstring(imagePath.begin(), imagePath.end()), {CUpdateMonitor(4)},
                                      &progress);
        EXPECT_FALSE(updater->UpdateFirmWare()) << "image exists: " << exists;
        EXPECT_EQ(BulkFrames(sim), 0u);
        EXPECT_EQ(line->GetLinkParameter(), 9600u);
        CZOLSerialFWUpdater::DeleteInstance();
        IZOLConnectionPoolFactory::DeleteInstance();
        ResetProcessWide();
        records.clear();
    }
}

TEST_F(FirmwareUpdate, MissingInputsSendNothing) {
    zolsim::Simulator sim;
    const std::string path = sim.StartPty();
    ASSERT_FALSE(path.empty());
    AddSerialDisplay(sim, path, 5, 1);
    WriteImage(RandomImage(10, 3));
    const std::wstring image(imagePath.begin(), imagePath.end());

    struct Row {
        std::wstring path;
        std::vector<CUpdateMonitor> monitors;
        bool observer;
    };
    const Row rows[] = {{L"", {CUpdateMonitor(5)}, true},
                        {image, {CUpdateMonitor(5)}, false},
                        {image, {}, true}};
    for (const Row& row : rows) {
        CZOLSerialFWUpdater* updater = CZOLSerialFWUpdater::GetInstance();
        updater->SetUpdateMonitorData(row.path, row.monitors, row.observer ? &progress : nullptr);
        EXPECT_FALSE(updater->UpdateFirmWare());
        CZOLSerialFWUpdater::DeleteInstance();
    }
    EXPECT_TRUE(sim.Requests().empty());
}

TEST_F(FirmwareUpdate, DisplaysOnEthernetLeaveNoLineToUpdate) {
    records.push_back(CLFDDataPtr(CLFDDataFactory::CreateInstance()));
    records.back()->SetAddress("127.0.11.1");
    records.back()->SetConnectionKind(1);
    CVWDataAdapter::Process().AddDisplay(9, records.back().get());
    WriteImage(RandomImage(10, 3));

    CZOLSerialFWUpdater* updater = CZOLSerialFWUpdater::GetInstance();
    updater->SetUpdateMonitorData(std::wstring(imagePath.begin(), imagePath.end()), {CUpdateMonitor(9)},
                                  &progress);
    EXPECT_FALSE(updater->UpdateFirmWare());
    EXPECT_TRUE(progress.percents.empty());
}

TEST_F(FirmwareUpdate, CopiesCarryEveryField) {
    CUpdateMonitor monitor(12);
    EXPECT_EQ(monitor.id, 12);
    EXPECT_EQ(monitor.queryConfirmed, 0);
    EXPECT_EQ(monitor.setConfirmed, 0);
    CZOLSerialFWUpdater* updater = CZOLSerialFWUpdater::GetInstance();
    updater->SetUpdateMonitorData(L"/nonexistent", {monitor}, &progress);
    const CZOLSerialFWUpdater copy(*updater);
    ASSERT_EQ(copy.GetUpdateMonitorList().size(), 1u);
    EXPECT_EQ(copy.GetUpdateMonitorList()[0].id, 12);
}

} // namespace
