#include "zolsim/RawClient.h"

#include "Io.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace zolsim {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

speed_t SpeedCode(unsigned baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B9600;
    }
}

SSL* AsSsl(void* p) {
    return static_cast<SSL*>(p);
}

} // namespace

RawClient::~RawClient() {
    Close();
}

void RawClient::Close() {
    if (m_ssl != nullptr) {
        SSL_free(AsSsl(m_ssl));
        m_ssl = nullptr;
    }
    if (m_ctx != nullptr) {
        SSL_CTX_free(static_cast<SSL_CTX*>(m_ctx));
        m_ctx = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool RawClient::Connect(const std::string& address, std::uint16_t port) {
    Close();
    sockaddr_storage addr{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&addr);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&addr);
    if (::inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof(sockaddr_in);
    } else if (::inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof(sockaddr_in6);
    } else {
        return false;
    }
    const int fd = ::socket(addr.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), length) != 0) {
        ::close(fd);
        return false;
    }
    io::SetNonBlocking(fd);
    m_fd = fd;
    return true;
}

bool RawClient::OpenSerial(const std::string& path, unsigned baud) {
    Close();
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        return false;
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, SpeedCode(baud));
    ::cfsetospeed(&tio, SpeedCode(baud));
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool RawClient::StartTls(const std::string& rootPem, bool maxTls12, int timeoutMs) {
    if (m_fd < 0 || m_ssl != nullptr) {
        return false;
    }
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (ctx == nullptr) {
        return false;
    }
    m_ctx = ctx;
    if (maxTls12) {
        SSL_CTX_set_max_proto_version(ctx, TLS1_2_VERSION);
    }
    if (!rootPem.empty()) {
        BIO* bio = BIO_new_mem_buf(rootPem.data(), static_cast<int>(rootPem.size()));
        X509* root = bio != nullptr ? PEM_read_bio_X509(bio, nullptr, nullptr, nullptr) : nullptr;
        BIO_free(bio);
        const bool added = root != nullptr && X509_STORE_add_cert(SSL_CTX_get_cert_store(ctx), root) == 1;
        X509_free(root);
        if (!added) {
            return false;
        }
        SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    }
    SSL* ssl = SSL_new(ctx);
    if (ssl == nullptr) {
        return false;
    }
    m_ssl = ssl;
    SSL_set_fd(ssl, m_fd);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(ssl);
        if (result == 1) {
            return true;
        }
        const int error = SSL_get_error(ssl, result);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
            return false;
        }
        pollfd pfd{m_fd, static_cast<short>(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT), 0};
        if (::poll(&pfd, 1, MsLeft(deadline)) <= 0) {
            return false;
        }
    }
}

bool RawClient::Send(const Bytes& bytes) {
    if (m_fd < 0) {
        return false;
    }
    io::ScopedSigpipeBlock quiet;
    io::StopSignal never;
    if (m_ssl == nullptr) {
        return io::WriteAll(m_fd, bytes.data(), bytes.size(), never.Fd());
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ERR_clear_error();
        const int n = SSL_write(AsSsl(m_ssl), bytes.data() + done, static_cast<int>(bytes.size() - done));
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        const int error = SSL_get_error(AsSsl(m_ssl), n);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
            return false;
        }
        pollfd pfd{m_fd, static_cast<short>(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT), 0};
        ::poll(&pfd, 1, 1000);
    }
    return true;
}

long RawClient::ReadSome(unsigned char* buffer, std::size_t size) {
    if (m_ssl == nullptr) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n > 0) {
            return static_cast<long>(n);
        }
        return n < 0 && (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    }
    ERR_clear_error();
    const int n = SSL_read(AsSsl(m_ssl), buffer, static_cast<int>(size));
    if (n > 0) {
        return n;
    }
    const int error = SSL_get_error(AsSsl(m_ssl), n);
    return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? 0 : -1;
}

bool RawClient::Pending() const {
    return m_ssl != nullptr && SSL_pending(AsSsl(m_ssl)) > 0;
}

Bytes RawClient::ReadExact(std::size_t count, int timeoutMs) {
    Bytes received;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_fd >= 0 && received.size() < count) {
        if (!Pending()) {
            pollfd pfd{m_fd, POLLIN, 0};
            const int ready = ::poll(&pfd, 1, MsLeft(deadline));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                break;
            }
        }
        unsigned char buffer[4096];
        const long n = ReadSome(buffer, std::min(sizeof buffer, count - received.size()));
        if (n < 0) {
            break;
        }
        received.insert(received.end(), buffer, buffer + n);
    }
    return received;
}

Bytes RawClient::ReadUntilQuiet(int quietMs, int maxMs) {
    Bytes received;
    const auto deadline = Clock::now() + std::chrono::milliseconds(maxMs);
    while (m_fd >= 0) {
        if (!Pending()) {
            pollfd pfd{m_fd, POLLIN, 0};
            const int ready = ::poll(&pfd, 1, std::min(quietMs, MsLeft(deadline)));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                break;
            }
        }
        unsigned char buffer[4096];
        const long n = ReadSome(buffer, sizeof buffer);
        if (n < 0) {
            break;
        }
        received.insert(received.end(), buffer, buffer + n);
    }
    return received;
}

bool RawClient::WaitForClose(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_fd >= 0) {
        pollfd pfd{m_fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, MsLeft(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        if ((pfd.revents & (POLLHUP | POLLERR)) != 0 && (pfd.revents & POLLIN) == 0) {
            return true;
        }
        unsigned char buffer[256];
        if (ReadSome(buffer, sizeof buffer) < 0) {
            return true;
        }
    }
    return false;
}

} // namespace zolsim
