// A connection's byte pipe as the serving loop sees it: plain socket or TLS records.
#pragma once

#include "zolsim/Tls.h"

#include <cstddef>
#include <memory>
#include <string>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace zolsim {

class Channel {
public:
    virtual ~Channel() = default;
    // > 0: bytes read; 0: nothing available now; -1: closed or failed.
    virtual long Read(unsigned char* buffer, std::size_t size) = 0;
    virtual bool Write(const unsigned char* data, std::size_t length, int stopFd) = 0;
    // True when bytes are already buffered inside the channel (poll would not see them).
    virtual bool Buffered() const { return false; }
};

class PlainChannel : public Channel {
public:
    explicit PlainChannel(int fd) : m_fd(fd) {}
    long Read(unsigned char* buffer, std::size_t size) override;
    bool Write(const unsigned char* data, std::size_t length, int stopFd) override;

private:
    int m_fd;
};

// Server-side TLS settings made from a certificate and key.
class TlsServerContext {
public:
    // strictTls12: only TLS 1.2 (the display's command port); otherwise anything from TLS 1.0 on.
    static std::shared_ptr<TlsServerContext> Create(const TlsCredentials& credentials, bool strictTls12,
                                                    std::string& error);
    ~TlsServerContext();
    TlsServerContext(const TlsServerContext&) = delete;
    TlsServerContext& operator=(const TlsServerContext&) = delete;
    SSL_CTX* Get() const { return m_ctx; }

private:
    explicit TlsServerContext(SSL_CTX* ctx) : m_ctx(ctx) {}
    SSL_CTX* m_ctx;
};

class TlsChannel : public Channel {
public:
    TlsChannel(const TlsServerContext& context, int fd);
    ~TlsChannel() override;
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Runs the server handshake; false when it fails, the peer leaves, stop is raised or timeoutMs passes.
    bool Accept(int stopFd, int timeoutMs);
    long Read(unsigned char* buffer, std::size_t size) override;
    bool Write(const unsigned char* data, std::size_t length, int stopFd) override;
    bool Buffered() const override;
    // Sends close-notify (best effort).
    void Shutdown();

private:
    bool WaitFor(int sslError, int stopFd, int timeoutMs);

    int m_fd;
    SSL* m_ssl;
};

} // namespace zolsim
