// ExecuteForDisplays: one command for every display of the host's collection, with the PIN alerts.

#include "ILFDData.h"
#include "Logger.h"
#include "WallDataLib.h"
#include "command/CommandHandler.h"
#include "command/CommandObject.h"
#include "platform/Alert.h"
#include "platform/Pause.h"

#include <vector>

namespace zol::command {

namespace {

// The message for a connect outcome the person has to act on; null for the others.
const char* PinMessage(int connectStatus) {
    switch (connectStatus) {
    case 2:
        return "The entered PIN is incorrect. Please try again.";
    case 3:
        return "Enter the device PIN for connection when the device's Secured Protocol is ON. ";
    case 4:
        return "DEVICE PIN is not needed for connection when the device's Secured Protocol is OFF. ";
    default:
        return nullptr;
    }
}

void AlertPinProblem(ILFDData& record, int connectStatus) {
    const char* message = PinMessage(connectStatus);
    if (message == nullptr) {
        return;
    }
    std::string address;
    record.GetAddress(address);
    platform::ShowAlert("Alert", "LFD " + address + ": " + message);
}

struct ListReleaser {
    IVWDisplayList* list;
    ~ListReleaser() {
        if (list != nullptr) {
            list->Release();
        }
    }
};

} // namespace

unsigned int CZOLCommandHandler::ExecuteForDisplays(bool allDisplays, unsigned char code,
                                                    unsigned char length, const unsigned char* data,
                                                    int* connectStatus) {
    if (data == nullptr && length > 0) {
        ZOL_LOG_WARN << "ExecuteForDisplays: refused " << static_cast<int>(length)
                     << " data bytes without data";
        return 0;
    }
    IVWDataAdapter* adapter = IVWDataAdapterFactory::CreateInstance();
    if (adapter == nullptr) {
        return 0;
    }
    ListReleaser displays{adapter->GetDisplayList()};
    if (displays.list == nullptr) {
        return 0;
    }
    CommandObject command(nullptr, CommandObject::AtEnd::Nothing);
    unsigned int result = 0;
    try {
        displays.list->MoveFirst();
        while (displays.list->MoveNext()) {
            ILFDData* record = displays.list->Current();
            if (record == nullptr || (!allDisplays && !record->IsSelected())) {
                continue;
            }
            if (!record->IsResponding() && code != 0x00) {
                Notify();
                continue;
            }
            // Each display gets its own copy: a command object may keep or change what it is given.
            std::vector<unsigned char> copy(data, data + length);
            if (connectStatus != nullptr) {
                *connectStatus = 1;
            }
            result = Execute(record, code, length, copy.data(), command.Get(), connectStatus, true);
            CheckCancel();
            if (connectStatus != nullptr) {
                AlertPinProblem(*record, *connectStatus);
            }
            Notify();
            if (code == 0xB9) {
                platform::Pause(1000);
            }
        }
    } catch (...) {
        // Cancelled (or failed): nothing of this run counts, and no display is known to respond.
        result = 0;
        displays.list->MoveFirst();
        while (displays.list->MoveNext()) {
            ILFDData* record = displays.list->Current();
            if (record != nullptr && (allDisplays || record->IsSelected())) {
                record->SetResponding(false);
            }
        }
    }
    return result;
}

} // namespace zol::command
