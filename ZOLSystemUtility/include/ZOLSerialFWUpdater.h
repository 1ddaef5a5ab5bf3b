#pragma once

/// \file
/// The serial firmware updater: uploads one firmware image to displays on serial lines, all at once.
/// The host lists the displays (CUpdateMonitor: the key of each display in the host's display adapter),
/// names the image file and supplies a progress observer. Every display must already have an open pooled
/// serial connection: the updater opens nothing itself.
///
/// UpdateFirmWare blocks the calling thread for at least 6 s plus 1 s per 64508-byte block; progress is
/// reported on that thread. No other command may run on the listed displays meanwhile.

#include "ZOLExport.h"

#include <string>
#include <vector>

class IZOLSerialConnection;

/// One display taking part in an update, and what the update confirmed for it.
class ZOL_API CUpdateMonitor {
public:
    /// The display with this key; nothing confirmed yet.
    explicit CUpdateMonitor(int displayKey = 0) noexcept;
    CUpdateMonitor(const CUpdateMonitor&) = default;                ///< Copies every field.
    CUpdateMonitor(CUpdateMonitor&&) noexcept = default;            ///< Copies every field.
    CUpdateMonitor& operator=(const CUpdateMonitor&) = default;     ///< Copies every field.
    CUpdateMonitor& operator=(CUpdateMonitor&&) noexcept = default; ///< Copies every field.
    ~CUpdateMonitor() = default;

    int id;                       ///< key of the display in the host's display adapter
    unsigned char queryConfirmed; ///< 1 when the final product-information query answered 1
    unsigned char setConfirmed;   ///< 1 when the final product-information set was acknowledged
};

/// Implemented by the host; the updater calls only OnProgress, with the percentage of blocks sent.
class ISerialSTM32FWUpgradeProtocolCallBack {
public:
    /// The percentage of blocks sent so far.
    virtual void OnProgress(int percent) = 0;
    /// Deleted by the host.
    virtual ~ISerialSTM32FWUpgradeProtocolCallBack() = default;
};

/// The updater; one instance per process (GetInstance).
class ZOL_API CZOLSerialFWUpdater {
public:
    /// The single instance, created on first use; DeleteInstance ends it.
    static CZOLSerialFWUpdater* GetInstance();
    /// Deletes the instance; the next GetInstance makes a new one.
    static void DeleteInstance();

    /// Stores the image path, the displays and the observer, and adds each taking-part display's pooled
    /// serial connection to the connection list (connections from earlier calls stay listed).
    void SetUpdateMonitorData(std::wstring path, std::vector<CUpdateMonitor> monitors,
                              ISerialSTM32FWUpgradeProtocolCallBack* observer);
    /// The whole update: both mode requests, the upload at 115200 baud, back to 9600 baud, and the final
    /// product-information query and set. False when an input is missing, a display refuses a mode request
    /// or the image cannot be sent.
    bool UpdateFirmWare();
    /// A copy of the monitor list with the flags of the last update.
    const std::vector<CUpdateMonitor> GetUpdateMonitorList() const;

    /// Copies the path, the monitors, the connection list and the observer.
    CZOLSerialFWUpdater(const CZOLSerialFWUpdater& other);
    /// Copies the path, the monitors, the connection list and the observer.
    CZOLSerialFWUpdater& operator=(const CZOLSerialFWUpdater& other);
    /// Owns nothing: the connections stay the pool's.
    ~CZOLSerialFWUpdater();

    /// The single instance, or null before GetInstance.
    static CZOLSerialFWUpdater* m_pSerialFWUpdater;

private:
    CZOLSerialFWUpdater();
    bool UploadFirmware();

    std::wstring m_strFirmwarePath;
    std::vector<CUpdateMonitor> m_vecMonitors;
    std::vector<IZOLSerialConnection*> m_vecConnections;
    ISerialSTM32FWUpgradeProtocolCallBack* m_pObserver;
};
