#include "transport/TlsSocketBio.h"

#include <openssl/bio.h>

#include <cerrno>
#include <mutex>
#include <sys/socket.h>

namespace zol::tls {

namespace {

int Descriptor(BIO* bio) {
    return static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
}

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

int SocketWrite(BIO* bio, const char* data, int length) {
    BIO_clear_retry_flags(bio);
    const ssize_t put =
        ::send(Descriptor(bio), data, static_cast<std::size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (put < 0 && WouldBlock(errno))
        BIO_set_retry_write(bio);
    return static_cast<int>(put);
}

int SocketRead(BIO* bio, char* buffer, int room) {
    BIO_clear_retry_flags(bio);
    const ssize_t got = ::recv(Descriptor(bio), buffer, static_cast<std::size_t>(room), MSG_DONTWAIT);
    if (got < 0 && WouldBlock(errno))
        BIO_set_retry_read(bio);
    return static_cast<int>(got);
}

long SocketControl(BIO*, int command, long, void*) {
    // Writes go straight to the socket, so there is never anything to flush.
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int SocketCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD* Method() {
    static BIO_METHOD* method = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        method = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "zol socket");
        if (method == nullptr)
            return;
        BIO_meth_set_write(method, SocketWrite);
        BIO_meth_set_read(method, SocketRead);
        BIO_meth_set_ctrl(method, SocketControl);
        BIO_meth_set_create(method, SocketCreate);
    });
    return method;
}

} // namespace

BIO* NewSocketBio(int fd) {
    BIO_METHOD* method = Method();
    if (method == nullptr || fd < 0)
        return nullptr;
    BIO* bio = BIO_new(method);
    if (bio != nullptr)
        BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(fd)));
    return bio;
}

} // namespace zol::tls
