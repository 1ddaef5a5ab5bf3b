#include "transport/TlsSession.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <memory>
#include <poll.h>

#include "Logger.h"
#include "platform/CertStore.h"
#include "platform/Pause.h"
#include "platform/Socket.h"
#include "transport/TlsSocketBio.h"

namespace zol::tls {

namespace {

// A handshake that keeps trickling in is still given up after this long in all.
constexpr int kHandshakeBudgetMs = 30000;
constexpr int kHandshakeWriteWaitMs = 2000;
constexpr int kPinPauseMs = 100;
constexpr std::size_t kPinReplyCapacity = 16384;

std::string OpenSslReason() {
    const unsigned long code = ERR_peek_last_error();
    if (code == 0)
        return "no detail";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

struct StoreFree {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};
struct StoreContextFree {
    void operator()(X509_STORE_CTX* context) const { X509_STORE_CTX_free(context); }
};
struct CertFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};

std::int32_t ChainStatus(int verifyError) {
    switch (verifyError) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return kCertificateExpired;
    case X509_V_ERR_INVALID_PURPOSE:
        return kWrongUsage;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return kUntrustedRoot;
    default:
        return kInternalError;
    }
}

bool WaitWritable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLOUT, 0};
    return ::poll(&entry, 1, timeoutMs) > 0;
}

} // namespace

std::string PinRequest(const std::string& pin) {
    return "ZOLAUTH<<" + pin + ">>";
}

std::int32_t PinReplyStatus(std::string_view received) {
    const std::string_view reply = received.substr(0, received.find('\0'));
    if (reply.find("FAIL") == std::string_view::npos)
        return kOk;
    if (reply.find("0x00") != std::string_view::npos)
        return kInternalError;
    if (reply.find("0x01") != std::string_view::npos)
        return kPinRejected;
    if (reply.find("0x02") != std::string_view::npos)
        return kLogonDenied;
    return kOk;
}

TlsSession::TlsSession(int fd, std::string address) : m_fd(fd), m_address(std::move(address)) {}

TlsSession::~TlsSession() {
    SSL_free(m_ssl);
    SSL_CTX_free(m_ctx);
}

std::int32_t TlsSession::InitClientCredentials() {
    SSL_CTX_free(m_ctx);
    m_ctx = SSL_CTX_new(TLS_client_method());
    const bool ok = m_ctx != nullptr && SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION) == 1 &&
                    SSL_CTX_set_max_proto_version(m_ctx, TLS1_2_VERSION) == 1;
    if (!ok) {
        ZOL_LOG_ERROR << "AcquireCredentialsHandle Error: " << kInternalError << " (" << OpenSslReason()
                      << ")";
        ERR_clear_error();
        return kInternalError;
    }
    // The chain is checked by hand once the handshake is done, so that each verdict gets its own status.
    SSL_CTX_set_verify(m_ctx, SSL_VERIFY_NONE, nullptr);
    return kOk;
}

void TlsSession::DiscardPlaintext() {
    unsigned char stale[2048];
    std::size_t discarded = 0;
    for (;;) {
        int error = 0;
        const long got = platform::ReadSome(m_fd, stale, sizeof stale, &error);
        if (got <= 0)
            break;
        discarded += static_cast<std::size_t>(got);
    }
    if (discarded > 0) {
        ZOL_LOG_WARN << "Discard " << discarded << " bytes received before the handshake";
    }
}

std::int32_t TlsSession::PerformClientHandshake() {
    if (m_ctx == nullptr) {
        ZOL_LOG_ERROR << "WinSSP Error " << kInternalError << "Fail to Initialize Security Context.";
        return kInternalError;
    }
    DiscardPlaintext();
    SSL_free(m_ssl);
    m_ssl = SSL_new(m_ctx);
    BIO* bio = m_ssl != nullptr ? NewSocketBio(m_fd) : nullptr;
    if (bio == nullptr) {
        ZOL_LOG_ERROR << "WinSSP Error " << kInternalError << "Fail to Initialize Security Context.";
        return kInternalError;
    }
    SSL_set_bio(m_ssl, bio, bio);
    SSL_set_connect_state(m_ssl);
    const std::int32_t status = HandshakeLoop();
    if (status != kOk) {
        ZOL_LOG_ERROR << "Fatal error: " << status;
        SSL_free(m_ssl);
        m_ssl = nullptr;
    }
    ERR_clear_error();
    return status;
}

std::int32_t TlsSession::HandshakeLoop() {
    const std::uint64_t giveUp = platform::SteadyMs() + kHandshakeBudgetMs;
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(m_ssl);
        if (result == 1)
            return kOk;
        const int reason = SSL_get_error(m_ssl, result);
        if (platform::SteadyMs() > giveUp) {
            ZOL_LOG_ERROR << "Winsock Error: Server unexpectedly disconnected or no data found.";
            return kInternalError;
        }
        if (reason == SSL_ERROR_WANT_WRITE) {
            if (!WaitWritable(m_fd, kHandshakeWriteWaitMs)) {
                ZOL_LOG_ERROR << "Winsock Error: " << ETIMEDOUT << "sending handshake data to server.";
                return kInternalError;
            }
            continue;
        }
        if (reason == SSL_ERROR_WANT_READ) {
            // SSL_connect read the socket dry before asking for more, so a wait on the socket is right.
            bool arrived = false;
            for (int attempt = 0; attempt < kHandshakeReadAttempts && !arrived; ++attempt) {
                const platform::WaitResult ready = platform::WaitReadable(m_fd, kHandshakeReadWaitMs);
                if (ready == platform::WaitResult::Error) {
                    ZOL_LOG_ERROR << "Winsock Error: " << EBADF << "reading handshake data from server.";
                    return kInternalError;
                }
                // A hang-up is "arrived" too: the next step reads the end of the stream and fails.
                arrived = ready != platform::WaitResult::Timeout;
            }
            if (!arrived) {
                ZOL_LOG_ERROR << "Winsock Error: Server unexpectedly disconnected or no data found.";
                return kInternalError;
            }
            continue;
        }
        if (reason == SSL_ERROR_SYSCALL || reason == SSL_ERROR_ZERO_RETURN) {
            if (errno != 0 && reason == SSL_ERROR_SYSCALL) {
                ZOL_LOG_ERROR << "Winsock Error: " << errno << "reading handshake data from server.";
            } else {
                ZOL_LOG_ERROR << "Winsock Error: Server unexpectedly disconnected or no data found.";
            }
            return kInternalError;
        }
        ZOL_LOG_ERROR << "WinSSP Error: " << kInternalError << " returned by InitializeSecurityContext. ("
                      << OpenSslReason() << ")";
        return kInternalError;
    }
}

std::int32_t TlsSession::VerifySrvrCertificate() {
    if (m_ssl == nullptr) {
        ZOL_LOG_ERROR << "WinSSP Error: " << kInternalError << " Querying remote certificate.\n";
        return kInternalError;
    }
    ZOL_LOG_INFO << "WinSSP Message: Server Credentials Authenticated.";
    // A verify result of "ok" proves nothing when the server showed no certificate at all.
    std::unique_ptr<X509, CertFree> certificate(SSL_get1_peer_certificate(m_ssl));
    if (!certificate) {
        ZOL_LOG_ERROR << "CertVerifyTimeValidity -- certificate is wrong principal!";
        return kNoCertificate;
    }
    if (X509_cmp_current_time(X509_get0_notBefore(certificate.get())) >= 0 ||
        X509_cmp_current_time(X509_get0_notAfter(certificate.get())) <= 0) {
        ZOL_LOG_ERROR << "CertVerifyTimeValidity -- certificate is expired!";
        return kCertificateExpired;
    }

    std::unique_ptr<X509_STORE, StoreFree> roots(X509_STORE_new());
    std::unique_ptr<X509_STORE_CTX, StoreContextFree> chain(X509_STORE_CTX_new());
    if (!roots || !chain) {
        ZOL_LOG_ERROR << "Win Trust Error: " << kInternalError << " returned by CertGetCertificateChain!";
        return kInternalError;
    }
    platform::LoadStoreCertificates(platform::kRootStoreName, roots.get());
    X509_STORE_set_default_paths(roots.get());
    ERR_clear_error();
    if (X509_STORE_CTX_init(chain.get(), roots.get(), certificate.get(), SSL_get_peer_cert_chain(m_ssl)) !=
        1) {
        ZOL_LOG_ERROR << "Win Trust Error: " << kInternalError << " returned by CertGetCertificateChain!";
        return kInternalError;
    }
    // The certificate must be one a TLS server may use; the name it was issued for is not compared.
    X509_STORE_CTX_set_purpose(chain.get(), X509_PURPOSE_SSL_SERVER);
    if (X509_verify_cert(chain.get()) != 1) {
        const int verifyError = X509_STORE_CTX_get_error(chain.get());
        const std::int32_t status = ChainStatus(verifyError);
        ZOL_LOG_ERROR << "Win Trust Error: " << status << " Certificate chain policy status! ("
                      << X509_verify_cert_error_string(verifyError) << ")";
        ERR_clear_error();
        return status;
    }
    return kOk;
}

std::int32_t TlsSession::AuthenticatePin(const std::string& pin, int replyWaitMs) {
    const std::string request = PinRequest(pin);
    int error = 0;
    ZOL_LOG_INFO << "Send PIN authentication";
    if (Write(reinterpret_cast<const unsigned char*>(request.data()), request.size(), replyWaitMs, &error) <
        0) {
        ZOL_LOG_ERROR << "Winsock Error: " << error << "sending PIN authentication to server.";
        return kInternalError;
    }
    platform::Pause(kPinPauseMs);

    std::string reply(kPinReplyCapacity, '\0');
    long got = -1;
    const std::uint64_t deadline =
        platform::SteadyMs() + static_cast<std::uint64_t>(replyWaitMs < 0 ? 0 : replyWaitMs);
    for (;;) {
        const std::uint64_t now = platform::SteadyMs();
        const int remaining = now >= deadline ? 0 : static_cast<int>(deadline - now);
        if (!HasPending() && platform::WaitReadable(m_fd, remaining) == platform::WaitResult::Timeout)
            break;
        got = Read(reinterpret_cast<unsigned char*>(reply.data()), reply.size(), &error);
        if (got > 0 || got == 0 || error != EAGAIN || remaining == 0)
            break;
    }
    if (got <= 0) {
        // Silence is no consent: a display that does not answer has not accepted the PIN.
        ZOL_LOG_ERROR << "No answer to the PIN authentication";
        return kInternalError;
    }
    reply.resize(static_cast<std::size_t>(got));
    const std::int32_t status = PinReplyStatus(reply);
    if (status != kOk) {
        ZOL_LOG_ERROR << "PIN authentication refused: " << status;
    }
    return status;
}

long TlsSession::Write(const unsigned char* data, std::size_t length, int timeoutMs, int* error) {
    if (m_ssl == nullptr) {
        *error = ENOTCONN;
        return -1;
    }
    const std::uint64_t deadline =
        platform::SteadyMs() + static_cast<std::uint64_t>(timeoutMs < 0 ? 0 : timeoutMs);
    std::size_t written = 0;
    while (written < length) {
        ERR_clear_error();
        const int put = SSL_write(m_ssl, data + written, static_cast<int>(length - written));
        if (put > 0) {
            written += static_cast<std::size_t>(put);
            continue;
        }
        const int reason = SSL_get_error(m_ssl, put);
        const std::uint64_t now = platform::SteadyMs();
        if ((reason == SSL_ERROR_WANT_WRITE || reason == SSL_ERROR_WANT_READ) && now < deadline) {
            pollfd entry{m_fd, static_cast<short>(reason == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN), 0};
            ::poll(&entry, 1, static_cast<int>(deadline - now));
            continue;
        }
        *error = reason == SSL_ERROR_WANT_WRITE || reason == SSL_ERROR_WANT_READ ? ETIMEDOUT
                 : reason == SSL_ERROR_SYSCALL && errno != 0                     ? errno
                                                                                 : EPROTO;
        ERR_clear_error();
        return -1;
    }
    return static_cast<long>(written);
}

long TlsSession::Read(unsigned char* buffer, std::size_t room, int* error) {
    if (m_ssl == nullptr) {
        *error = ENOTCONN;
        return -1;
    }
    if (room == 0) {
        *error = EAGAIN;
        return -1;
    }
    ERR_clear_error();
    errno = 0;
    const int got = SSL_read(m_ssl, buffer, static_cast<int>(room));
    m_starved = false;
    if (got > 0)
        return got;
    const int reason = SSL_get_error(m_ssl, got);
    if (reason == SSL_ERROR_WANT_READ || reason == SSL_ERROR_WANT_WRITE) {
        m_starved = true;
        *error = EAGAIN;
        return -1;
    }
    if (reason == SSL_ERROR_ZERO_RETURN || (reason == SSL_ERROR_SYSCALL && errno == 0))
        return 0;
    *error = reason == SSL_ERROR_SYSCALL ? errno : EPROTO;
    ZOL_LOG_ERROR << "WinSSP Error: " << kInternalError << " returned by DecryptMessage. (" << OpenSslReason()
                  << ")";
    ERR_clear_error();
    return -1;
}

bool TlsSession::HasPending() const {
    // Unprocessed bytes count only until a read found them to be part of a record still on its way.
    return m_ssl != nullptr && (SSL_pending(m_ssl) > 0 || (SSL_has_pending(m_ssl) == 1 && !m_starved));
}

std::int32_t TlsSession::CloseSecureSession() {
    if (m_ssl == nullptr)
        return kInternalError;
    std::int32_t status = kOk;
    BIO* out = SSL_get_wbio(m_ssl);
    const std::uint64_t before = out != nullptr ? BIO_number_written(out) : 0;
    ZOL_LOG_INFO << "Sending close notify";
    ERR_clear_error();
    if (SSL_shutdown(m_ssl) < 0) {
        status = kInternalError;
        ZOL_LOG_WARN << "WinSSP Error: " << status << "sending close notify data to server.";
    } else {
        const std::uint64_t sent = out != nullptr ? BIO_number_written(out) - before : 0;
        ZOL_LOG_INFO << "Winsock Message: " << sent << "bytes of close notify data sent.";
    }
    ERR_clear_error();
    SSL_free(m_ssl);
    m_ssl = nullptr;
    return status;
}

} // namespace zol::tls
