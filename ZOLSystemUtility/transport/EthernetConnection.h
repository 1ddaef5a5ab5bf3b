#pragma once

// A display reached over TCP (port 1515 by default). The display speaks first: its greeting decides
// between a plain session and a secured one that needs the device PIN.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "ZOLConnection.h"

namespace zol::tls {
class TlsSession;
}

class CZOLEthernetConnection : public IZOLEthernetConnection {
public:
    CZOLEthernetConnection();
    ~CZOLEthernetConnection() override;
    CZOLEthernetConnection(const CZOLEthernetConnection&) = delete;
    CZOLEthernetConnection& operator=(const CZOLEthernetConnection&) = delete;

    bool Initialize() override { return true; }
    void SetAddress(std::string address) override { m_strAddress = std::move(address); }
    std::string GetAddress() override { return m_strAddress; }
    void SetCredential(std::string credential) override { m_strCredential = std::move(credential); }
    std::string GetCredential() override { return m_strCredential; }
    std::string GetConnectionType() override { return ZOL_CONN_TYPE_ETHERNET; }
    bool Connect(int* connectStatus) override;
    void SetEventSink(IConnectionEventSink* sink) override { m_pEventSink.store(sink); }
    void SetEventNotification(bool notify) override { m_bNotify.store(notify); }
    bool IsConnected() override { return m_socket.load() >= 0; }
    int Send(const unsigned char* data, int length) override;
    unsigned char* Receive(int* length, int timeoutMs) override;
    void Close() override;
    void ReleaseResources() override {}
    void Destroy() override { delete this; }
    bool IsBusy() override { return m_bBusy.load(); }
    void SetBusy(bool busy) override { m_bBusy.store(busy); }
    std::string GetLocalAddress() override;
    std::uint32_t SetLinkParameter(std::uint32_t port) override {
        m_nPort.store(port);
        return 0;
    }
    std::uint32_t GetLinkParameter() override { return m_nPort.load(); }

    // Connect calls that failed since the last success.
    std::uint32_t GetConnectFailureCount() const { return m_nConnectFailures.load(); }
    // The last socket error number, or 10049 for an address that is not an IP literal.
    std::uint32_t GetLastErrorCode() const { return m_nLastError.load(); }
    // Connects that timed out (the display neither accepted nor refused) since the object was made.
    std::uint32_t GetConnectTimeoutCount() const { return m_nConnectTimeouts.load(); }
    // The last session-start failure text, e.g. "[TLS PreHandshake - PIN required]".
    std::string GetStatusText();
    // 0 plain, 1 secured.
    std::uint32_t GetSecureMode() const { return m_nSecureMode.load(); }
    // secured session: when on, a new secured session sends the device PIN ("ZOLAUTH<<PIN>>") after the
    // certificate check and fails when the display refuses it. Off by default.
    void SetPinExchange(bool on) { m_bPinExchange.store(on); }
    bool GetPinExchange() const { return m_bPinExchange.load(); }

private:
    bool OpenSocket(const std::string& address, std::uint32_t port, int* connectStatus);
    std::string ReadGreeting(int fd);
    // A greeting and a PIN that do not go together: closes the socket and says why.
    void RefuseSessionStart(const char* statusText, int status, int* connectStatus);
    bool StartSecureSession();
    void FlushStaleReplies(int fd);
    void CloseWithoutNotify();
    void CloseSocket(bool notify);

    std::string m_strAddress = "localhost";
    std::string m_strCredential;
    std::atomic<std::uint32_t> m_nPort{1515};
    std::atomic<std::uint32_t> m_nSecureMode{0};
    std::string m_strLocalAddress;
    std::atomic<int> m_socket{-1};
    std::atomic<IConnectionEventSink*> m_pEventSink{nullptr};
    std::atomic<bool> m_bNotify{true};
    std::atomic<std::uint32_t> m_nLastError{0};
    std::string m_strStatusText;
    std::uint32_t m_nLastCommand = 0xFFFFFFFF;
    std::uint32_t m_nLastDisplayId = 0xFFFFFFFF;
    std::atomic<std::uint32_t> m_nConnectFailures{0};
    std::atomic<std::uint32_t> m_nConnectTimeouts{0};
    std::atomic<bool> m_bConnecting{false};
    std::atomic<bool> m_bBusy{false};
    std::recursive_mutex m_lock; // one exchange step at a time; a sink may call back on the same thread
    std::mutex m_textLock;       // the local address and status texts, read from other threads
    // secured session: the TLS state, guarded by its own lock because Close takes no connection lock
    std::unique_ptr<zol::tls::TlsSession> m_tls;
    std::mutex m_tlsLock;
    std::atomic<bool> m_bPinExchange{false};
};

namespace zol::transport {

// How long a new session waits for the display's greeting.
inline constexpr int kGreetingWaitMs = 50;
// A send blocks at most this long for room in the socket buffer (a display that stopped reading).
inline constexpr int kSendWaitMs = 2000;

// Status texts of a secured start that failed in the server-certificate check, and in the PIN exchange
// (followed by the status).
inline constexpr std::string_view kServerCertificateFailed = "[Server Certificate]";
inline constexpr std::string_view kPinAuthenticationFailed = "[PIN Authentication]";

// Connect time-outs of a connection so far (0 for one that is not an Ethernet connection, or null).
// A command compares the count before and after a send to learn that its connect timed out.
std::uint32_t ConnectTimeouts(IZOLConnection* connection);
// The same for the pooled connection of an address (0 when none is pooled).
std::uint32_t ConnectTimeouts(const std::string& address);

} // namespace zol::transport
