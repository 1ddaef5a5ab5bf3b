#include "transport/TlsFileDownload.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

#include "Logger.h"
#include "platform/Pause.h"
#include "platform/Socket.h"
#include "transport/TlsSocketBio.h"

namespace zol::tls {

namespace {

constexpr int kConnectWaitMs = 5000;

// Everything the download holds, released in its fixed order on every road: the session is shut down,
// the socket closed, then the session and the context are freed.
struct DownloadResources {
    SSL_CTX* context = nullptr;
    SSL* session = nullptr;
    int fd = -1;
    std::FILE* file = nullptr;

    ~DownloadResources() {
        if (file != nullptr)
            std::fclose(file);
        if (session != nullptr) {
            ERR_clear_error();
            SSL_shutdown(session);
        }
        if (fd >= 0)
            ::close(fd);
        SSL_free(session);
        SSL_CTX_free(context);
        ERR_clear_error();
    }
};

// Waits for the socket as OpenSSL asked; false when nothing happened in time.
bool WaitFor(int fd, int reason) {
    pollfd entry{fd, static_cast<short>(reason == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN), 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, kDownloadWaitMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

SSL_CTX* NewLenientContext() {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context == nullptr)
        return nullptr;
    // The download starts from the TLS 1.0 client method; TLS 1.0 needs the lowest security level, and that
    // level is this context's alone.
    SSL_CTX_set_security_level(context, 0);
    const bool ok = SSL_CTX_set_min_proto_version(context, TLS1_VERSION) == 1 &&
                    SSL_CTX_set_max_proto_version(context, TLS1_3_VERSION) == 1 &&
                    SSL_CTX_set_cipher_list(context, "DEFAULT:@SECLEVEL=0") == 1;
    if (!ok) {
        SSL_CTX_free(context);
        return nullptr;
    }
    SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
    // A display that closes the connection without close notify has still sent its whole file.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    return context;
}

bool Handshake(SSL* session, int fd) {
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(session);
        if (result == 1)
            return true;
        const int reason = SSL_get_error(session, result);
        if ((reason != SSL_ERROR_WANT_READ && reason != SSL_ERROR_WANT_WRITE) || !WaitFor(fd, reason))
            return false;
    }
}

// >0 bytes, 0 the display ended the stream, -1 failure.
int ReadSome(SSL* session, int fd, char* buffer, int room) {
    for (;;) {
        ERR_clear_error();
        const int got = SSL_read(session, buffer, room);
        if (got > 0)
            return got;
        const int reason = SSL_get_error(session, got);
        if (reason == SSL_ERROR_ZERO_RETURN)
            return 0;
        if (reason != SSL_ERROR_WANT_READ && reason != SSL_ERROR_WANT_WRITE)
            return -1;
        if (SSL_pending(session) == 0 && !WaitFor(fd, reason))
            return -1;
    }
}

} // namespace

bool DownloadFile(const std::string& address, std::uint32_t port, const std::string& outputPath) {
    DownloadResources held;
    held.context = NewLenientContext();
    if (held.context == nullptr) {
        ZOL_LOG_ERROR << "File download: no TLS context";
        return false;
    }
    ZOL_LOG_WARN << "File download from " << address << ": the server certificate is not checked";

    int error = 0;
    held.fd = platform::OpenDualStackSocket(&error);
    if (held.fd < 0) {
        ZOL_LOG_ERROR << "File download: no socket, error " << error;
        return false;
    }
    error = platform::ConnectNumeric(held.fd, address, port, kConnectWaitMs);
    if (error != 0) {
        ZOL_LOG_ERROR << "Can not connect to " << address << " with port " << port;
        return false;
    }
    held.session = SSL_new(held.context);
    BIO* bio = held.session != nullptr ? NewSocketBio(held.fd) : nullptr;
    if (bio == nullptr)
        return false;
    SSL_set_bio(held.session, bio, bio);
    SSL_set_connect_state(held.session);
    if (!Handshake(held.session, held.fd)) {
        ZOL_LOG_ERROR << "File download: the TLS handshake with " << address << " failed";
        return false;
    }
    ZOL_LOG_INFO << "File download over " << SSL_get_version(held.session);

    held.file = std::fopen(outputPath.c_str(), "w");
    if (held.file == nullptr) {
        ZOL_LOG_ERROR << "File download: can not open the output file, error " << errno;
        return false;
    }
    char buffer[kDownloadReadSize + 1];
    for (;;) {
        const int got = ReadSome(held.session, held.fd, buffer, static_cast<int>(kDownloadReadSize));
        if (got < 0) {
            ZOL_LOG_ERROR << "File download: reading from " << address << " failed";
            return false;
        }
        if (got == 0)
            return true;
        // Each read is written as a text: a zero byte ends what this read contributes.
        buffer[got] = '\0';
        if (std::fputs(buffer, held.file) < 0 || std::fputs("\n", held.file) < 0 ||
            std::fflush(held.file) != 0) {
            ZOL_LOG_ERROR << "File download: writing the output file failed";
            return false;
        }
    }
}

} // namespace zol::tls
