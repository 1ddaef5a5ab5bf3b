#include "ZOLSerialFWUpdater.h"

#include "Logger.h"
#include "WallDataLib.h"
#include "ZOLCommandBuilder.h"
#include "ZOLConnection.h"
#include "ZOLSystemHelper.h"
#include "firmware/FirmwareImage.h"
#include "platform/Pause.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kReplyWaitMs = 2000;
constexpr unsigned kModeSettleMs = 3000;
constexpr unsigned kBlockPauseMs = 1000;
constexpr std::uint32_t kUpdateBaud = 115200;
constexpr std::uint32_t kNormalBaud = 9600;
constexpr int kSerialKind = 2;
constexpr unsigned char kBroadcastId = 0xFE;
constexpr unsigned char kBulkSubCode = 0x90;
constexpr unsigned char kAck = 'A';

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};
using ReplyBuffer = std::unique_ptr<unsigned char, FreeDeleter>;

// A display that takes part in the update: its monitor entry, its serial line and its display ID.
struct Participant {
    CUpdateMonitor* monitor;
    IZOLSerialConnection* connection;
    unsigned char id;
};

// Only displays on a serial line with an open pooled connection take part; the others are skipped.
std::vector<Participant> FindParticipants(std::vector<CUpdateMonitor>& monitors) {
    std::vector<Participant> found;
    IVWDataAdapter* adapter = IVWDataAdapterFactory::CreateInstance();
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    if (adapter == nullptr || pool == nullptr) {
        return found;
    }
    for (CUpdateMonitor& monitor : monitors) {
        ILFDData* record = adapter->GetDisplay(monitor.id);
        if (record == nullptr || record->GetConnectionKind() != kSerialKind) {
            continue;
        }
        std::string address;
        record->GetAddress(address);
        auto* serial = dynamic_cast<IZOLSerialConnection*>(pool->FindConnection(address));
        if (serial == nullptr) {
            continue;
        }
        found.push_back({&monitor, serial, static_cast<unsigned char>(record->GetDisplayId())});
    }
    return found;
}

// Sends one built packet and waits for the display's reply.
ReplyBuffer Exchange(IZOLSerialConnection* connection, CZOLCommandBuilder& builder, int* length) {
    connection->Send(builder.GetCommand(), builder.GetCommandPacketSize());
    *length = 0;
    return ReplyBuffer(connection->Receive(length, kReplyWaitMs));
}

bool IsAcknowledged(const ReplyBuffer& reply, int length) { return reply && length > 4 && reply.get()[4] == kAck; }

// Asks every participant to enter update mode with one request; the first refusal stops the asking.
template <typename MakePacket>
bool RequestMode(const std::vector<Participant>& participants, MakePacket makePacket, const char* what) {
    for (const Participant& p : participants) {
        CZOLCommandBuilder builder;
        makePacket(builder, p.id);
        int length = 0;
        ReplyBuffer reply = Exchange(p.connection, builder, &length);
        if (!IsAcknowledged(reply, length)) {
            ZOL_LOG_WARN << "Firmware update: display " << static_cast<int>(p.id) << " did not acknowledge the "
                         << what;
            return false;
        }
    }
    return true;
}

void SetLineSpeed(const std::vector<IZOLSerialConnection*>& connections, std::uint32_t baud) {
    for (IZOLSerialConnection* connection : connections) {
        connection->SetLinkParameter(baud);
    }
}

} // namespace

CUpdateMonitor::CUpdateMonitor(int displayKey) noexcept : id(displayKey), queryConfirmed(0), setConfirmed(0) {}

CZOLSerialFWUpdater* CZOLSerialFWUpdater::m_pSerialFWUpdater = nullptr;

CZOLSerialFWUpdater::CZOLSerialFWUpdater() : m_pObserver(nullptr) {}

CZOLSerialFWUpdater::CZOLSerialFWUpdater(const CZOLSerialFWUpdater& other) = default;

CZOLSerialFWUpdater& CZOLSerialFWUpdater::operator=(const CZOLSerialFWUpdater& other) = default;

CZOLSerialFWUpdater::~CZOLSerialFWUpdater() = default;

CZOLSerialFWUpdater* CZOLSerialFWUpdater::GetInstance() {
    if (m_pSerialFWUpdater == nullptr) {
        m_pSerialFWUpdater = new (std::nothrow) CZOLSerialFWUpdater(); // NOLINT: the exported singleton
    }
    return m_pSerialFWUpdater;
}

void CZOLSerialFWUpdater::DeleteInstance() {
    delete m_pSerialFWUpdater; // NOLINT: the exported singleton
    m_pSerialFWUpdater = nullptr;
}

void CZOLSerialFWUpdater::SetUpdateMonitorData(std::wstring path, std::vector<CUpdateMonitor> monitors,
                                               ISerialSTM32FWUpgradeProtocolCallBack* observer) {
    m_strFirmwarePath = std::move(path);
    m_vecMonitors = std::move(monitors);
    m_pObserver = observer;
    for (const Participant& p : FindParticipants(m_vecMonitors)) {
        if (std::find(m_vecConnections.begin(), m_vecConnections.end(), p.connection) == m_vecConnections.end()) {
            m_vecConnections.push_back(p.connection);
        }
    }
}

const std::vector<CUpdateMonitor> CZOLSerialFWUpdater::GetUpdateMonitorList() const { return m_vecMonitors; }

bool CZOLSerialFWUpdater::UpdateFirmWare() {
    if (m_vecMonitors.empty() || m_vecConnections.empty() || m_strFirmwarePath.empty() || m_pObserver == nullptr) {
        return false;
    }
    const std::vector<Participant> participants = FindParticipants(m_vecMonitors);

    bool uploaded = false;
    const bool updateMode = RequestMode(
        participants, [](CZOLCommandBuilder& b, unsigned char id) { b.Make1bTwoBytes(id, 0x91, 0x01); },
        "first update-mode request");
    if (updateMode) {
        zol::platform::Pause(kModeSettleMs);
        SetLineSpeed(m_vecConnections, kUpdateBaud);
        const bool secondMode = RequestMode(
            participants, [](CZOLCommandBuilder& b, unsigned char id) { b.MakeD0TwoBytes(id, 0xB0, 0x01); },
            "second update-mode request");
        if (secondMode) {
            zol::platform::Pause(kModeSettleMs);
            uploaded = UploadFirmware();
            zol::platform::Pause(kModeSettleMs);
        }
    }
    // Every line returns to its normal speed, whatever happened above.
    SetLineSpeed(m_vecConnections, kNormalBaud);
    if (!uploaded) {
        return false;
    }

    for (const Participant& p : participants) {
        CZOLCommandBuilder builder;
        builder.MakeGetLEDProductInfoCommand(p.id, 0xC0);
        int length = 0;
        ReplyBuffer reply = Exchange(p.connection, builder, &length);
        if (IsAcknowledged(reply, length) && length > 7 && reply.get()[7] == 1) {
            p.monitor->queryConfirmed = 1;
        }
    }
    for (const Participant& p : participants) {
        CZOLCommandBuilder builder;
        builder.MakeSetLEDProductInfoCommand(p.id, 0xC1, p.monitor->queryConfirmed);
        int length = 0;
        ReplyBuffer reply = Exchange(p.connection, builder, &length);
        if (IsAcknowledged(reply, length)) {
            p.monitor->setConfirmed = 1;
        }
    }
    return true;
}

bool CZOLSerialFWUpdater::UploadFirmware() {
    if (m_strFirmwarePath.empty() || m_pObserver == nullptr) {
        return false;
    }
    std::string path;
    try {
        path = CZOLSystemHelper::WStr2Str(m_strFirmwarePath);
    } catch (const std::range_error&) {
        ZOL_LOG_ERROR << "Firmware update: the image path is not a valid text";
        return false;
    }
    zol::firmware::FirmwareImage image(path);
    if (!image.IsOpen()) {
        ZOL_LOG_ERROR << "Firmware update: can not open " << path;
        return false;
    }
    const std::size_t count = image.BlockCount();
    bool result = false;
    std::vector<unsigned char> block;
    for (std::size_t i = 0; i < count; ++i) {
        if (!image.ReadBlock(i, block)) {
            // The blocks already sent stay sent; the final query tells what the display made of them.
            ZOL_LOG_ERROR << "Firmware update: read error in block " << i << " of " << count;
            return false;
        }
        CZOLCommandBuilder builder;
        std::unique_ptr<unsigned char, FreeDeleter> frame(
            builder.MakeBulkPacket(kBroadcastId, kBulkSubCode, block.data(), static_cast<int>(block.size()),
                                   static_cast<int>(i), static_cast<int>(count)));
        if (!frame) {
            return false;
        }
        for (IZOLSerialConnection* connection : m_vecConnections) {
            connection->Send(frame.get(), builder.GetBulkPacketSize());
        }
        frame.reset();
        m_pObserver->OnProgress(static_cast<int>(static_cast<double>(i + 1) * 100.0 / static_cast<double>(count)));
        zol::platform::Pause(kBlockPauseMs);
        result = true;
    }
    return result;
}
