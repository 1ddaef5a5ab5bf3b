#pragma once

// A socket BIO for OpenSSL whose writes never raise SIGPIPE (MSG_NOSIGNAL) and whose reads and writes
// never block: a socket with nothing to read reports "retry", and the caller decides how long to wait.

typedef struct bio_st BIO;

namespace zol::tls {

// A BIO over fd; the descriptor stays the caller's (not closed when the BIO is freed). Null on failure.
BIO* NewSocketBio(int fd);

} // namespace zol::tls
