#include "transport/EthernetConnection.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

#include "Logger.h"
#include "ZOLCommandHandler.h"
#include "platform/Pause.h"
#include "platform/Socket.h"
#include "transport/ConnectionEvents.h"
#include "transport/Greeting.h"
#include "transport/PacketCompleteness.h"
#include "transport/TlsSession.h"

namespace {

// A TCP connect that the peer neither accepts nor refuses is given up after this long.
constexpr int kConnectWaitMs = 5000;
// Stale bytes before a request for another command or display: two looks of up to 50 ms each.
constexpr int kFlushRounds = 2;
constexpr int kFlushWaitMs = 50;

constexpr const char* kPinNotRequired = "[TLS PreHandshake - PIN not required]";
constexpr const char* kPinRequired = "[TLS PreHandshake - PIN required]";
// secured session: status texts of a secured start that failed, and the wait for the PIN answer
constexpr const char* kClientCredentialsFailed = "[Client Credentials].";
constexpr const char* kClientHandshakeFailed = "[Client Handshake]";
constexpr int kPinReplyWaitMs = 2000;

} // namespace

CZOLEthernetConnection::CZOLEthernetConnection() = default;

CZOLEthernetConnection::~CZOLEthernetConnection() {
    Close();
}

std::string CZOLEthernetConnection::GetLocalAddress() {
    std::lock_guard guard(m_textLock);
    return m_strLocalAddress;
}

std::string CZOLEthernetConnection::GetStatusText() {
    std::lock_guard guard(m_textLock);
    return m_strStatusText;
}

bool CZOLEthernetConnection::OpenSocket(const std::string& address, std::uint32_t port, int* connectStatus) {
    using namespace zol::platform;
    if (connectStatus != nullptr)
        *connectStatus = ZOL_CONNECT_OPENED;
    // A new session replaces an old one on the same object.
    CloseWithoutNotify();

    if (IpLiteralKind(address) == IpKind::None) {
        m_nLastError.store(kErrorBadAddress);
        if (connectStatus != nullptr)
            *connectStatus = ZOL_CONNECT_INVALID_ADDRESS;
        return false;
    }
    m_nLastError.store(0);

    int error = 0;
    const int fd = OpenDualStackSocket(&error);
    if (fd < 0) {
        if (error == EMFILE || error == ENFILE) {
            // Not the display's fault: this process (or the system) has no descriptor left for it.
            ZOL_LOG_WARN << "No file descriptor left for a socket to " << address << " ("
                         << std::strerror(error) << ")";
        }
        m_nLastError.store(static_cast<std::uint32_t>(error));
        return false;
    }
    error = ConnectNumeric(fd, address, port, kConnectWaitMs);
    if (error != 0) {
        ZOL_LOG_INFO << "Can not connect to " << address << " with port " << port;
        if (error == ETIMEDOUT)
            m_nConnectTimeouts.fetch_add(1);
        m_nLastError.store(static_cast<std::uint32_t>(error));
        ::close(fd);
        return false;
    }
    const std::string local = LocalAddressText(fd);
    if (!local.empty()) {
        std::lock_guard guard(m_textLock);
        m_strLocalAddress = local;
    }
    m_socket.store(fd);
    return true;
}

std::string CZOLEthernetConnection::ReadGreeting(int fd) {
    using namespace zol::platform;
    std::string received;
    bool anything = false;
    const std::uint64_t deadline = SteadyMs() + zol::transport::kGreetingWaitMs;
    for (;;) {
        const std::uint64_t now = SteadyMs();
        const int remaining = now >= deadline ? 0 : static_cast<int>(deadline - now);
        const WaitResult ready = WaitReadable(fd, remaining);
        if (ready == WaitResult::Timeout || ready == WaitResult::Error)
            break;
        unsigned char chunk[1024];
        int error = 0;
        const std::size_t room = std::min(sizeof chunk, zol::transport::kGreetingLimit - received.size());
        const long got = ReadSome(fd, chunk, room, &error);
        if (got == 0 || ready == WaitResult::HangUp) {
            // The display hung up: what came so far (perhaps nothing) is the greeting.
            anything = true;
            break;
        }
        if (got < 0) {
            if (error == EAGAIN || error == EWOULDBLOCK)
                continue;
            break;
        }
        anything = true;
        received.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(got));
        if (zol::transport::GreetingComplete(received))
            break;
        if (remaining == 0)
            break;
    }
    if (!anything) {
        ZOL_LOG_INFO << "No string received from server";
    }
    return zol::transport::GreetingText(received, anything);
}

void CZOLEthernetConnection::RefuseSessionStart(const char* statusText, int status, int* connectStatus) {
    m_nSecureMode.store(0);
    CloseWithoutNotify();
    std::lock_guard textGuard(m_textLock);
    m_strStatusText = statusText;
    if (connectStatus != nullptr)
        *connectStatus = status;
}

// --- secured session: credentials, handshake, certificate check and (when switched on) the PIN
bool CZOLEthernetConnection::StartSecureSession() {
    namespace tls = zol::tls;
    auto session = std::make_unique<tls::TlsSession>(m_socket.load(), m_strAddress);
    std::string failure;
    std::int32_t status = tls::kOk;
    if ((status = session->InitClientCredentials()) != tls::kOk) {
        failure = kClientCredentialsFailed + std::to_string(status);
    } else if ((status = session->PerformClientHandshake()) != tls::kOk) {
        failure = kClientHandshakeFailed + std::to_string(status);
    } else if (session->VerifySrvrCertificate() != tls::kOk) {
        failure = zol::transport::kServerCertificateFailed;
    } else if (m_bPinExchange.load() &&
               (status = session->AuthenticatePin(m_strCredential, kPinReplyWaitMs)) != tls::kOk) {
        failure = std::string(zol::transport::kPinAuthenticationFailed) + std::to_string(status);
    }
    if (!failure.empty()) {
        {
            std::lock_guard guard(m_textLock);
            m_strStatusText = failure;
        }
        session.reset();
        CloseWithoutNotify();
        return false;
    }
    std::lock_guard guard(m_tlsLock);
    m_tls = std::move(session);
    return true;
}

bool CZOLEthernetConnection::Connect(int* connectStatus) {
    if (m_bConnecting.exchange(true))
        return false;
    bool ok = false;
    {
        std::lock_guard guard(m_lock);
        const std::string address = m_strAddress;
        const bool hasCredential = !m_strCredential.empty();

        ok = OpenSocket(address, m_nPort.load(), connectStatus);
        if (!ok) {
            ZOL_LOG_INFO << "Can not open socket to " << address;
        } else {
            const std::string greeting = ReadGreeting(m_socket.load());
            ZOL_LOG_INFO << greeting;
            {
                std::lock_guard textGuard(m_textLock);
                m_strStatusText.clear();
            }
            switch (zol::transport::DecideSessionStart(greeting, hasCredential)) {
            case zol::transport::SessionStart::Secured:
                m_nSecureMode.store(1);
                ok = StartSecureSession();
                if (!ok && connectStatus != nullptr)
                    *connectStatus = ZOL_CONNECT_SECURE_FAILED;
                break;
            case zol::transport::SessionStart::PinNotRequired:
                RefuseSessionStart(kPinNotRequired, ZOL_CONNECT_PIN_NOT_REQUIRED, connectStatus);
                ok = false;
                break;
            case zol::transport::SessionStart::PinRequired:
                RefuseSessionStart(kPinRequired, ZOL_CONNECT_PIN_REQUIRED, connectStatus);
                ok = false;
                break;
            case zol::transport::SessionStart::Plain:
                break;
            }
        }

        // Connect and failure events are sent whenever a sink is set.
        namespace ev = zol::events;
        if (ok) {
            ev::Notify(m_pEventSink.load(), address, ZOL_LINK_ETHERNET, ZOL_EVENT_CONNECTED,
                       hasCredential ? ev::kSecureSocketConnected : ev::kSocketConnected);
            m_nConnectFailures.store(0);
        } else {
            ev::Notify(
                m_pEventSink.load(), address, ZOL_LINK_ETHERNET, ZOL_EVENT_FAILURE,
                std::string(hasCredential ? ev::kSecureSocketConnectFailed : ev::kSocketConnectFailed) +
                    GetStatusText());
            m_nConnectFailures.fetch_add(1);
        }
        m_bConnecting.store(false);
    }
    return ok;
}

void CZOLEthernetConnection::FlushStaleReplies(int fd) {
    using namespace zol::platform;
    for (int round = 0; round < kFlushRounds; ++round) {
        const WaitResult ready = WaitReadable(fd, kFlushWaitMs);
        if (ready == WaitResult::Timeout)
            continue;
        if (ready != WaitResult::Ready)
            return;
        unsigned char stale[zol::kEthernetReplyCapacity];
        int error = 0;
        // secured session: stale records are decrypted and dropped; raw reads would break the session
        long got = 0;
        if (m_nSecureMode.load() == 1) {
            std::lock_guard tlsGuard(m_tlsLock);
            got = m_tls ? m_tls->Read(stale, sizeof stale, &error) : 0;
        } else {
            got = ReadSome(fd, stale, sizeof stale, &error);
        }
        if (got > 0) {
            ZOL_LOG_DEBUG << "Drop stale " << zol::HexText(stale, static_cast<std::size_t>(got));
            return;
        }
        if (got == 0)
            return;
    }
}

int CZOLEthernetConnection::Send(const unsigned char* data, int length) {
    if (data == nullptr || length <= 0) {
        ZOL_LOG_WARN << "Send: nothing to send (length " << length << ")";
        return -1;
    }
    std::lock_guard guard(m_lock);
    const int fd = m_socket.load();
    if (fd < 0) {
        m_nLastError.store(ENOTCONN);
        return -1;
    }

    if (length >= 3) {
        const bool otherTarget = data[1] != m_nLastCommand || data[2] != m_nLastDisplayId;
        if (otherTarget && IZOLCommandHandlerFactory::CreateInstance()->GetFlag() != 0)
            FlushStaleReplies(fd);
        m_nLastCommand = data[1];
        m_nLastDisplayId = data[2];
    }

    const auto size = static_cast<std::size_t>(length);
    ZOL_LOG_DEBUG << "Send " << zol::HexText(data, size);
    int result = -1;
    if (m_nSecureMode.load() == 1) {
        // secured session: the bytes leave as encrypted records; a failure counts as a failed encryption
        int error = ENOTCONN;
        long written = -1;
        {
            std::lock_guard tlsGuard(m_tlsLock);
            if (m_tls)
                written = m_tls->Write(data, size, zol::transport::kSendWaitMs, &error);
        }
        if (written < 0) {
            m_nLastError.store(static_cast<std::uint32_t>(error));
            CloseWithoutNotify();
            result = 0;
        } else {
            result = static_cast<int>(written);
        }
    } else {
        int error = 0;
        const long written = zol::platform::WriteAll(fd, data, size, zol::transport::kSendWaitMs, &error);
        if (written < 0) {
            m_nLastError.store(static_cast<std::uint32_t>(error));
            CloseWithoutNotify();
        } else {
            result = static_cast<int>(written);
        }
    }

    if (m_bNotify.load())
        zol::events::Notify(m_pEventSink.load(), m_strAddress, ZOL_LINK_ETHERNET, ZOL_EVENT_DATA_SENT,
                            zol::events::kSocketDataSent, data, size);
    return result;
}

unsigned char* CZOLEthernetConnection::Receive(int* length, int timeoutMs) {
    using namespace zol::platform;
    if (length == nullptr) {
        ZOL_LOG_WARN << "Receive: no length out-parameter";
        return nullptr;
    }
    *length = 0;
    std::lock_guard guard(m_lock);
    const int fd = m_socket.load();
    if (fd < 0) {
        m_nLastError.store(ENOTCONN);
        return nullptr;
    }

    constexpr std::size_t capacity = zol::kEthernetReplyCapacity;
    std::unique_ptr<unsigned char, decltype(&std::free)> buffer(
        static_cast<unsigned char*>(std::calloc(capacity + 1, 1)), &std::free);
    if (!buffer)
        return nullptr;

    // secured session: records are decrypted as they arrive; a record that came in part is completed by
    // later reads, and bytes the session already decrypted are taken before waiting on the socket.
    const bool secure = m_nSecureMode.load() == 1;
    const auto pending = [&] {
        std::lock_guard tlsGuard(m_tlsLock);
        return secure && m_tls && m_tls->HasPending();
    };
    const auto readSome = [&](unsigned char* into, std::size_t room, int* error) -> long {
        if (!secure)
            return ReadSome(fd, into, room, error);
        std::lock_guard tlsGuard(m_tlsLock);
        if (!m_tls) {
            *error = ENOTCONN;
            return -1;
        }
        return m_tls->Read(into, room, error);
    };

    std::size_t have = 0;
    auto verdict = zol::ReplyVerdict::NeedMore;
    bool hungUp = false;
    int lastError = ETIMEDOUT;
    const std::uint64_t deadline = SteadyMs() + static_cast<std::uint64_t>(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        const std::uint64_t now = SteadyMs();
        const int remaining = now >= deadline ? 0 : static_cast<int>(deadline - now);
        const WaitResult ready = pending() ? WaitResult::Ready : WaitReadable(fd, remaining);
        if (ready == WaitResult::Timeout)
            break;
        if (ready == WaitResult::Error) {
            lastError = EBADF;
            break;
        }
        int error = 0;
        const long got = readSome(buffer.get() + have, capacity - have, &error);
        if (got == 0 || (got < 0 && error != EAGAIN && error != EWOULDBLOCK)) {
            // End of stream or a broken connection: nothing more can come.
            hungUp = true;
            lastError = got == 0 ? ECONNRESET : error;
            break;
        }
        if (got > 0) {
            have += static_cast<std::size_t>(got);
            verdict = zol::JudgeIncomingReply(buffer.get(), have, capacity);
            if (verdict != zol::ReplyVerdict::NeedMore)
                break;
        }
        if (remaining == 0)
            break;
    }
    if (hungUp) {
        ZOL_LOG_INFO << "Connection to " << m_strAddress << " ended by the display";
        CloseWithoutNotify();
    }

    if (have > 0) {
        ZOL_LOG_DEBUG << "Receive " << zol::HexText(buffer.get(), have);
        if (m_bNotify.load())
            zol::events::Notify(m_pEventSink.load(), m_strAddress, ZOL_LINK_ETHERNET,
                                ZOL_EVENT_PACKET_RECEIVED, zol::events::kSocketPacketReceived, buffer.get(),
                                have);
    }
    const bool accepted =
        verdict == zol::ReplyVerdict::Valid ||
        (verdict == zol::ReplyVerdict::NeedMore && zol::AcceptAtTimeout(buffer.get(), have, capacity));
    if (!accepted) {
        m_nLastError.store(static_cast<std::uint32_t>(have > 0 ? EBADMSG : lastError));
        return nullptr;
    }
    *length = static_cast<int>(have);
    return buffer.release();
}

void CZOLEthernetConnection::CloseSocket(bool notify) {
    const int fd = m_socket.exchange(-1);
    if (fd < 0)
        return;
    // secured session: close notify goes out while the socket is still open
    std::unique_ptr<zol::tls::TlsSession> session;
    {
        std::lock_guard tlsGuard(m_tlsLock);
        session = std::move(m_tls);
    }
    if (m_nSecureMode.load() == 1 && session) {
        ZOL_LOG_INFO << (notify ? "Close secure session" : "Close secure session without notify");
        session->CloseSecureSession();
    }
    ZOL_LOG_INFO << (notify ? "Close socket" : "Close socket without notify");
    // Shutting down first wakes a receive that is waiting on this socket in another thread.
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
    if (notify)
        zol::events::Notify(m_pEventSink.load(), m_strAddress, ZOL_LINK_ETHERNET, ZOL_EVENT_DISCONNECTED,
                            zol::events::kSocketDisconnected);
}

void CZOLEthernetConnection::Close() {
    CloseSocket(true);
}

void CZOLEthernetConnection::CloseWithoutNotify() {
    CloseSocket(false);
}

namespace zol::transport {

std::uint32_t ConnectTimeouts(IZOLConnection* connection) {
    const auto* ethernet = dynamic_cast<const CZOLEthernetConnection*>(connection);
    return ethernet != nullptr ? ethernet->GetConnectTimeoutCount() : 0;
}

std::uint32_t ConnectTimeouts(const std::string& address) {
    IZOLConnectionPool* pool = IZOLConnectionPoolFactory::CreateInstance();
    return pool != nullptr ? ConnectTimeouts(pool->FindConnection(address)) : 0;
}

} // namespace zol::transport
