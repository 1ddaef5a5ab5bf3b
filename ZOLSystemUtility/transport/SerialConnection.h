#pragma once

// A display on a serial line. A reader thread of the connection's own collects what arrives and keeps
// the last complete, checksum-valid frame for Receive.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "ZOLConnection.h"
#include "platform/WakeEvent.h"
#include "transport/PacketCompleteness.h"

class CZOLSerialConnection : public IZOLSerialConnection {
public:
    CZOLSerialConnection() = default;
    ~CZOLSerialConnection() override;
    CZOLSerialConnection(const CZOLSerialConnection&) = delete;
    CZOLSerialConnection& operator=(const CZOLSerialConnection&) = delete;

    bool Initialize() override { return true; }
    void SetAddress(std::string portName) override { m_strPortName = std::move(portName); }
    std::string GetAddress() override { return m_strPortName; }
    void SetCredential(std::string credential) override { m_strCredential = std::move(credential); }
    std::string GetCredential() override { return m_strCredential; }
    std::string GetConnectionType() override { return ZOL_CONN_TYPE_SERIAL; }
    bool Connect(int* connectStatus) override;
    void SetEventSink(IConnectionEventSink* sink) override { m_pEventSink.store(sink); }
    void SetEventNotification(bool notify) override { m_bNotify.store(notify); }
    bool IsConnected() override { return m_bConnected.load(); }
    int Send(const unsigned char* data, int length) override;
    unsigned char* Receive(int* length, int timeoutMs) override;
    void Close() override;
    void ReleaseResources() override;
    void Destroy() override { delete this; }
    bool IsBusy() override { return false; }
    void SetBusy(bool) override {}
    std::string GetLocalAddress() override { return {}; }
    std::uint32_t SetLinkParameter(std::uint32_t baudRate) override;
    std::uint32_t GetLinkParameter() override { return m_nBaudRate.load(); }
    std::uint32_t SetPortSettings(std::uint32_t baudRate, std::uint8_t byteSize, std::uint8_t stopBits,
                                  std::uint8_t parity) override;

    // 0, 6 when an operation needed the port and it was not open, or an error number.
    std::uint32_t GetLastErrorCode() const { return m_nLastError.load(); }
    // Whether the port is open (IsConnected keeps meaning "the reader was started" until ReleaseResources).
    bool IsPortOpen() const { return m_fd.load() >= 0; }

private:
    void ReaderLoop(int fd);
    void Publish(const unsigned char* frame, std::size_t length);
    void StopReader();
    void ClosePort();

    std::string m_strPortName = "COM1";
    std::atomic<std::uint32_t> m_nBaudRate{9600};
    std::atomic<std::uint8_t> m_nByteSize{8};
    std::atomic<std::uint8_t> m_nStopBits{0};
    std::atomic<std::uint8_t> m_nParity{0};
    std::atomic<int> m_fd{-1};
    std::atomic<std::uint32_t> m_nLastError{0};
    std::atomic<bool> m_bConnected{false};
    std::atomic<IConnectionEventSink*> m_pEventSink{nullptr};
    std::atomic<bool> m_bNotify{true};
    std::string m_strCredential;

    std::mutex m_portLock; // opening and closing the port and starting and stopping the reader
    std::thread m_reader;
    zol::platform::WakeEvent m_stopReader;

    // The reply the reader publishes, guarded by m_lock.
    std::mutex m_lock;
    std::condition_variable m_replyChanged;
    bool m_bReady = false;
    bool m_bHungUp = false;
    std::uint32_t m_nReplyLength = 0;
    std::array<unsigned char, zol::kSerialReplyCapacity> m_reply{};
};
