#pragma once

// The client side of a display's secured session: TLS 1.2 over the connection's already connected,
// non-blocking socket. Credentials, handshake and the server-certificate check are separate steps, each
// returning a security status (0 success) that the connection turns into its status texts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace zol::tls {

// Security statuses. A failure without a code of its own is the internal error.
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kInternalError = static_cast<std::int32_t>(0x80090304u);
inline constexpr std::int32_t kLogonDenied = static_cast<std::int32_t>(0x8009030Cu);
inline constexpr std::int32_t kNoCertificate = static_cast<std::int32_t>(0x80090322u);
inline constexpr std::int32_t kCertificateExpired = static_cast<std::int32_t>(0x80090328u);
inline constexpr std::int32_t kPinRejected = static_cast<std::int32_t>(0x80090340u);
// Chain verdicts of the certificate check.
inline constexpr std::int32_t kUntrustedRoot = static_cast<std::int32_t>(0x800B0109u);
inline constexpr std::int32_t kWrongUsage = static_cast<std::int32_t>(0x800B0110u);

// Each handshake read waits this long for bytes, at most this many times before the peer is given up.
inline constexpr int kHandshakeReadWaitMs = 500;
inline constexpr int kHandshakeReadAttempts = 10;

// "ZOLAUTH<<pin>>": the PIN exchange's request text.
std::string PinRequest(const std::string& pin);
// The display's answer to the PIN exchange as a status, read up to its first zero byte: "FAIL" with "0x00",
// "0x01" or "0x02" is refused, anything else is accepted.
std::int32_t PinReplyStatus(std::string_view received);

class TlsSession {
public:
    // The socket stays the connection's: the session never closes it.
    TlsSession(int fd, std::string address);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // TLS 1.2 client settings; the server's certificate is checked by VerifySrvrCertificate, not here.
    std::int32_t InitClientCredentials();
    // Runs the client handshake. Plaintext bytes already waiting on the socket are discarded first: they
    // belong to the greeting, never to the session.
    std::int32_t PerformClientHandshake();
    // The peer's chain must end in a trusted root, be within its validity and allow a TLS server. The
    // host name is not compared.
    std::int32_t VerifySrvrCertificate();
    // Sends the PIN exchange and checks the display's answer, waiting at most replyWaitMs for it.
    std::int32_t AuthenticatePin(const std::string& pin, int replyWaitMs);

    // Encrypts and sends all bytes, waiting at most timeoutMs for room. Bytes sent, or -1 with *error.
    long Write(const unsigned char* data, std::size_t length, int timeoutMs, int* error);
    // Decrypts what has arrived: >0 bytes, 0 the display ended the session, -1 with *error (EAGAIN:
    // nothing complete yet, a record that arrived in part is kept for the next read).
    long Read(unsigned char* buffer, std::size_t room, int* error);
    // Decrypted bytes that are waiting inside the session, where a poll on the socket cannot see them.
    bool HasPending() const;
    // Sends close notify and ends the session.
    std::int32_t CloseSecureSession();

private:
    void DiscardPlaintext();
    std::int32_t HandshakeLoop();

    int m_fd;
    std::string m_address;
    SSL_CTX* m_ctx = nullptr;
    SSL* m_ssl = nullptr;
    bool m_starved = false; // the last read needed more bytes from the socket
};

} // namespace zol::tls
