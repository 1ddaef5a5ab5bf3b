#pragma once

// TCP sockets on POSIX: what the Ethernet connection needs and nothing of the protocol.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zol::platform {

// The error number the connection reports for an address that is not an IP literal.
inline constexpr std::uint32_t kErrorBadAddress = 10049;

enum class IpKind { None, V4, V6 };
IpKind IpLiteralKind(const std::string& text);

// A dual-stack IPv6 stream socket (IPv4 reached through IPv4-mapped addresses), non-blocking, with a
// 1000 ms receive time-out. Returns the descriptor, or -1 with *error set.
int OpenDualStackSocket(int* error);

// Connects to a numeric host (IPv4 texts are mapped to ::ffff:a.b.c.d) and port, waiting at most
// timeoutMs. Returns 0 or the error number.
int ConnectNumeric(int fd, const std::string& host, std::uint32_t port, int timeoutMs);

// The same without waiting: 0 connected, EINPROGRESS (wait until writable, then FinishConnect) or the
// error number.
int StartConnectNumeric(int fd, const std::string& host, std::uint32_t port);
// The outcome of a connect that was in progress: 0 or the error number.
int FinishConnect(int fd);

// The socket's own address as text; IPv4-mapped addresses without their "::ffff:" prefix. Empty on error.
std::string LocalAddressText(int fd);

enum class WaitResult { Ready, Timeout, HangUp, Error };
// Waits until the socket has bytes (or has been hung up), at most timeoutMs (0 checks without waiting).
WaitResult WaitReadable(int fd, int timeoutMs);

// One non-blocking read: >0 bytes, 0 end of stream, -1 nothing now (*error EAGAIN) or failure.
long ReadSome(int fd, unsigned char* buffer, std::size_t room, int* error);

// Writes all bytes (never raising SIGPIPE), waiting for room at most timeoutMs in all.
// Returns the bytes written or -1 with *error set.
long WriteAll(int fd, const unsigned char* data, std::size_t length, int timeoutMs, int* error);

} // namespace zol::platform
