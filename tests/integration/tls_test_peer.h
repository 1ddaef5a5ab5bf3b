#pragma once

// Peers for secured-session cases the simulated display does not play: a TLS server capped at an old
// protocol version, and a relay that hands the display's bytes on in small pieces. Each serves one
// connection, gives up after a few idle seconds and is joined by its destructor.

#include "zolsim/Tls.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tlstest {

inline int ListenOn(const std::string& address, std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &where.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t size = sizeof where;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size);
    port = ntohs(where.sin_port);
    return fd;
}

// One accepted connection within timeoutMs, or -1.
inline int AcceptOne(int listener, int timeoutMs) {
    pollfd entry{listener, POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) <= 0)
        return -1;
    const int fd = ::accept(listener, nullptr, nullptr);
    timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    return fd;
}

// Greets (when given a greeting), runs a TLS server handshake capped at maxVersion and sends `served`.
class OldTlsServer {
public:
    OldTlsServer(const std::string& address, std::uint16_t port, const zolsim::TlsCredentials& credentials,
                 int maxVersion, std::string greeting, std::string served)
        : m_port(port) {
        m_listener = ListenOn(address, m_port);
        m_ctx = SSL_CTX_new(TLS_server_method());
        SSL_CTX_set_security_level(m_ctx, 0);
        SSL_CTX_set_cipher_list(m_ctx, "DEFAULT:@SECLEVEL=0");
        SSL_CTX_set_min_proto_version(m_ctx, TLS1_VERSION);
        SSL_CTX_set_max_proto_version(m_ctx, maxVersion);
        BIO* certBio =
            BIO_new_mem_buf(credentials.certPem.data(), static_cast<int>(credentials.certPem.size()));
        X509* cert = PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr);
        BIO* keyBio = BIO_new_mem_buf(credentials.keyPem.data(), static_cast<int>(credentials.keyPem.size()));
        EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr);
        SSL_CTX_use_certificate(m_ctx, cert);
        SSL_CTX_use_PrivateKey(m_ctx, key);
        X509_free(cert);
        EVP_PKEY_free(key);
        BIO_free(certBio);
        BIO_free(keyBio);
        if (m_listener >= 0)
            m_thread = std::thread([this, greeting, served] { Serve(greeting, served); });
    }
    ~OldTlsServer() {
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            ::close(m_listener);
        SSL_CTX_free(m_ctx);
    }
    bool Listening() const { return m_listener >= 0; }
    std::uint16_t Port() const { return m_port; }
    bool HandshakeDone() const { return m_handshakeDone.load(); }

private:
    void Serve(const std::string& greeting, const std::string& served) {
        const int fd = AcceptOne(m_listener, 8000);
        if (fd < 0)
            return;
        if (!greeting.empty())
            ::send(fd, greeting.data(), greeting.size(), MSG_NOSIGNAL);
        SSL* ssl = SSL_new(m_ctx);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) == 1) {
            m_handshakeDone = true;
            if (!served.empty())
                SSL_write(ssl, served.data(), static_cast<int>(served.size()));
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        ::close(fd);
    }

    std::uint16_t m_port;
    int m_listener = -1;
    SSL_CTX* m_ctx = nullptr;
    std::atomic<bool> m_handshakeDone{false};
    std::thread m_thread;
};

// Passes one client's bytes to the target at once and the target's bytes back `chunk` bytes at a time,
// gapMs apart: a handshake and replies that trickle in.
class TricklingRelay {
public:
    TricklingRelay(const std::string& address, const std::string& target, std::uint16_t targetPort,
                   std::size_t chunk, int gapMs) {
        m_listener = ListenOn(address, m_port);
        if (m_listener >= 0)
            m_thread = std::thread([=, this] { Relay(target, targetPort, chunk, gapMs); });
    }
    ~TricklingRelay() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            ::close(m_listener);
    }
    std::uint16_t Port() const { return m_port; }
    int Pieces() const { return m_pieces.load(); }

private:
    void Relay(const std::string& target, std::uint16_t targetPort, std::size_t chunk, int gapMs) {
        const int client = AcceptOne(m_listener, 8000);
        if (client < 0)
            return;
        const int display = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(targetPort);
        ::inet_pton(AF_INET, target.c_str(), &where.sin_addr);
        if (::connect(display, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0) {
            char buffer[8192];
            while (!m_stop) {
                pollfd entries[2] = {{client, POLLIN, 0}, {display, POLLIN, 0}};
                if (::poll(entries, 2, 100) <= 0)
                    continue;
                if (entries[0].revents != 0) {
                    const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                    if (got <= 0 || ::send(display, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL) < 0)
                        break;
                }
                if (entries[1].revents != 0) {
                    const ssize_t got = ::recv(display, buffer, sizeof buffer, 0);
                    if (got <= 0)
                        break;
                    for (ssize_t sent = 0; sent < got && !m_stop;) {
                        const std::size_t piece =
                            std::min<std::size_t>(chunk, static_cast<std::size_t>(got - sent));
                        if (::send(client, buffer + sent, piece, MSG_NOSIGNAL) < 0)
                            break;
                        ++m_pieces;
                        sent += static_cast<ssize_t>(piece);
                        std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
                    }
                }
            }
        }
        ::close(display);
        ::close(client);
    }

    std::uint16_t m_port = 0;
    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_pieces{0};
    std::thread m_thread;
};

} // namespace tlstest
