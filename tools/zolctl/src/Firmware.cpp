#include "Firmware.h"

#include "FirmwareFile.h"

#include "LFDData.h"
#include "VWDataAdapter.h"
#include "ZOLConnection.h"
#include "ZOLSerialFWUpdater.h"

#include "util/Utf8.h"

#include <optional>
#include <string>
#include <vector>

namespace zolctl {

namespace {

constexpr int kSerialKind = 2;

class ProgressPrinter : public ISerialSTM32FWUpgradeProtocolCallBack {
public:
    ProgressPrinter(std::ostream& out, bool terminal) : m_out(out), m_terminal(terminal) {}
    ~ProgressPrinter() override {
        if (m_terminal && m_last >= 0) {
            m_out << '\n';
        }
    }
    ProgressPrinter(const ProgressPrinter&) = delete;
    ProgressPrinter& operator=(const ProgressPrinter&) = delete;

    void OnProgress(int percent) override {
        m_last = percent;
        if (!m_terminal) {
            m_out << "firmware: " << percent << "%\n" << std::flush;
            return;
        }
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        m_out << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << percent << "%"
              << std::flush;
    }

private:
    std::ostream& m_out;
    bool m_terminal;
    int m_last = -1;
};

Json DisplaysJson(const Request& request, const std::vector<CUpdateMonitor>& monitors) {
    Json displays = Json::array();
    for (std::size_t i = 0; i < request.firmwareDisplays.size(); ++i) {
        const FirmwareDisplay& display = request.firmwareDisplays[i];
        int query = 0;
        int set = 0;
        if (i < monitors.size()) {
            query = monitors[i].queryConfirmed;
            set = monitors[i].setConfirmed;
        }
        displays.push_back(
            {{"port", display.port}, {"id", display.id}, {"queryConfirmed", query}, {"setConfirmed", set}});
    }
    return displays;
}

} // namespace

Outcome RunFirmware(const Request& request, std::ostream& progress, bool progressIsTerminal) {
    // Before any display is switched into update mode.
    if (const std::optional<std::string> problem = FirmwareFileProblem(request.firmwareFile)) {
        return UsageOutcome(*problem);
    }
    const std::optional<std::wstring> widePath = zol::util::DecodeUtf8(request.firmwareFile);
    if (!widePath) {
        return UsageOutcome("the firmware image's name \"" + request.firmwareFile + "\" is not UTF-8");
    }
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    CVWDataAdapter& adapter = CVWDataAdapter::Process();

    // The records must outlive the update: the updater finds the displays through the host adapter.
    std::vector<CLFDDataPtr> records;
    std::vector<CUpdateMonitor> monitors;
    std::string unopened;
    for (std::size_t i = 0; i < request.firmwareDisplays.size(); ++i) {
        const FirmwareDisplay& display = request.firmwareDisplays[i];
        records.emplace_back(CLFDDataFactory::CreateInstance());
        CLFDData& record = *records.back();
        record.SetAddress(display.port);
        record.SetConnectionKind(kSerialKind);
        record.SetDisplayId(display.id);
        const int key = static_cast<int>(i) + 1;
        adapter.AddDisplay(key, &record);
        monitors.emplace_back(key);
        IZOLConnection* connection =
            pool != nullptr ? pool->GetConnection(display.port, ZOL_KIND_SERIAL, nullptr, "", true, 1)
                            : nullptr;
        if (connection == nullptr || !connection->IsConnected()) {
            unopened += (unopened.empty() ? "" : ", ") + display.port;
        }
    }

    bool result = false;
    std::vector<CUpdateMonitor> outcomeMonitors = monitors;
    if (unopened.empty()) {
        CZOLSerialFWUpdater* updater = CZOLSerialFWUpdater::GetInstance();
        ProgressPrinter printer(progress, progressIsTerminal);
        updater->SetUpdateMonitorData(*widePath, monitors, &printer);
        result = updater->UpdateFirmWare();
        outcomeMonitors = updater->GetUpdateMonitorList();
        CZOLSerialFWUpdater::DeleteInstance();
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        adapter.RemoveDisplay(static_cast<int>(i) + 1);
    }

    Outcome outcome;
    outcome.exitCode = result ? kExitSuccess : kExitFailure;
    outcome.json["result"] = result;
    outcome.json["displays"] = DisplaysJson(request, outcomeMonitors);
    if (!unopened.empty()) {
        outcome.message = "can not open the serial line(s) " + unopened;
    } else if (!result) {
        outcome.message = "the update failed (a display refused update mode, or stopped answering)";
    }
    return outcome;
}

} // namespace zolctl
