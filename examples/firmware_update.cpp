// A firmware update of displays on serial lines, with its progress.
//
//     firmware_update IMAGE DEVICE:ID [DEVICE:ID ...]
//
// The updater finds the displays through the host's display adapter, and needs each one's serial
// connection open in the pool before it starts. Progress goes to stderr as "firmware: N%".
#include "LFDData.h"
#include "VWDataAdapter.h"
#include "ZOLConnection.h"
#include "ZOLSerialFWUpdater.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kSerial = 2; // the record's connection kind for a serial line

class Progress : public ISerialSTM32FWUpgradeProtocolCallBack {
public:
    void OnProgress(int percent) override { std::fprintf(stderr, "firmware: %d%%\n", percent); }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: firmware_update IMAGE DEVICE:ID [DEVICE:ID ...]\n");
        return 2;
    }
    const std::string image = argv[1];
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    CVWDataAdapter& adapter = CVWDataAdapter::Process();

    // The records outlive the update: the updater reaches the displays through the adapter's keys.
    std::vector<CLFDDataPtr> records;
    std::vector<CUpdateMonitor> monitors;
    for (int i = 2; i < argc; ++i) {
        const std::string display = argv[i];
        const std::size_t colon = display.rfind(':');
        if (colon == std::string::npos) {
            std::fprintf(stderr, "%s: expected DEVICE:ID\n", display.c_str());
            return 2;
        }
        const std::string device = display.substr(0, colon);
        records.emplace_back(CLFDDataFactory::CreateInstance());
        records.back()->SetAddress(device);
        records.back()->SetConnectionKind(kSerial);
        records.back()->SetDisplayId(std::atoi(display.c_str() + colon + 1));
        const int key = i - 1;
        adapter.AddDisplay(key, records.back().get());
        monitors.emplace_back(key);
        IZOLConnection* connection = pool->GetConnection(device, ZOL_KIND_SERIAL, nullptr, "", true, 1);
        if (connection == nullptr || !connection->IsConnected()) {
            std::fprintf(stderr, "cannot open %s\n", device.c_str());
            return 1;
        }
    }

    // The updater takes the image path as a wide string; this example passes ASCII names only.
    const std::wstring path(image.begin(), image.end());
    Progress progress;
    CZOLSerialFWUpdater* updater = CZOLSerialFWUpdater::GetInstance();
    updater->SetUpdateMonitorData(path, monitors, &progress);
    const bool updated = updater->UpdateFirmWare();
    for (const CUpdateMonitor& monitor : updater->GetUpdateMonitorList()) {
        std::printf("display %d: %s (query %d, set %d)\n", monitor.id, updated ? "updated" : "not updated",
                    monitor.queryConfirmed, monitor.setConfirmed);
    }
    CZOLSerialFWUpdater::DeleteInstance();
    for (std::size_t i = 0; i < records.size(); ++i) {
        adapter.RemoveDisplay(static_cast<int>(i) + 1);
    }
    IZOLConnectionPoolFactory::DeleteInstance();
    return updated ? 0 : 1;
}
