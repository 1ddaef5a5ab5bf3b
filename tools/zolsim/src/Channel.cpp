#include "Channel.h"

#include "Io.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>

namespace zolsim {

long PlainChannel::Read(unsigned char* buffer, std::size_t size) {
    const ssize_t n = ::read(m_fd, buffer, size);
    if (n > 0) {
        return static_cast<long>(n);
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return 0;
    }
    return -1;
}

bool PlainChannel::Write(const unsigned char* data, std::size_t length, int stopFd) {
    return io::WriteAll(m_fd, data, length, stopFd);
}

std::shared_ptr<TlsServerContext> TlsServerContext::Create(const TlsCredentials& credentials,
                                                           bool strictTls12, std::string& error) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (ctx == nullptr) {
        error = "cannot create a TLS context";
        return nullptr;
    }
    std::shared_ptr<TlsServerContext> context(new TlsServerContext(ctx));
    if (strictTls12) {
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
        SSL_CTX_set_max_proto_version(ctx, TLS1_2_VERSION);
    } else {
        // The file server also serves clients that still speak the oldest protocol versions.
        SSL_CTX_set_security_level(ctx, 0);
        SSL_CTX_set_min_proto_version(ctx, TLS1_VERSION);
    }
    BIO* certBio = BIO_new_mem_buf(credentials.certPem.data(), static_cast<int>(credentials.certPem.size()));
    X509* cert = certBio != nullptr ? PEM_read_bio_X509(certBio, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(certBio);
    BIO* keyBio = BIO_new_mem_buf(credentials.keyPem.data(), static_cast<int>(credentials.keyPem.size()));
    EVP_PKEY* key = keyBio != nullptr ? PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(keyBio);
    const bool ok = cert != nullptr && key != nullptr && SSL_CTX_use_certificate(ctx, cert) == 1 &&
                    SSL_CTX_use_PrivateKey(ctx, key) == 1 && SSL_CTX_check_private_key(ctx) == 1;
    X509_free(cert);
    EVP_PKEY_free(key);
    if (!ok) {
        error = "the TLS certificate or key is not usable";
        return nullptr;
    }
    return context;
}

TlsServerContext::~TlsServerContext() {
    SSL_CTX_free(m_ctx);
}

TlsChannel::TlsChannel(const TlsServerContext& context, int fd) : m_fd(fd), m_ssl(SSL_new(context.Get())) {
    if (m_ssl != nullptr) {
        SSL_set_fd(m_ssl, fd);
    }
}

TlsChannel::~TlsChannel() {
    SSL_free(m_ssl);
}

bool TlsChannel::WaitFor(int sslError, int stopFd, int timeoutMs) {
    const short events = sslError == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN;
    pollfd pfds[2] = {{m_fd, events, 0}, {stopFd, POLLIN, 0}};
    int ready = 0;
    do {
        ready = ::poll(pfds, 2, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (pfds[1].revents & POLLIN) == 0 && (pfds[0].revents & (POLLERR | POLLNVAL)) == 0;
}

bool TlsChannel::Accept(int stopFd, int timeoutMs) {
    if (m_ssl == nullptr) {
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ERR_clear_error();
        const int result = SSL_accept(m_ssl);
        if (result == 1) {
            return true;
        }
        const int error = SSL_get_error(m_ssl, result);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !WaitFor(error, stopFd, static_cast<int>(left))) {
            return false;
        }
    }
}

long TlsChannel::Read(unsigned char* buffer, std::size_t size) {
    ERR_clear_error();
    const int n = SSL_read(m_ssl, buffer, static_cast<int>(size));
    if (n > 0) {
        return n;
    }
    const int error = SSL_get_error(m_ssl, n);
    return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? 0 : -1;
}

bool TlsChannel::Write(const unsigned char* data, std::size_t length, int stopFd) {
    std::size_t done = 0;
    while (done < length) {
        ERR_clear_error();
        const int n = SSL_write(m_ssl, data + done, static_cast<int>(length - done));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        const int error = SSL_get_error(m_ssl, n);
        if ((error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) || !WaitFor(error, stopFd, -1)) {
            return false;
        }
    }
    return true;
}

bool TlsChannel::Buffered() const {
    return m_ssl != nullptr && SSL_pending(m_ssl) > 0;
}

void TlsChannel::Shutdown() {
    if (m_ssl != nullptr) {
        ERR_clear_error();
        SSL_shutdown(m_ssl);
    }
}

} // namespace zolsim
