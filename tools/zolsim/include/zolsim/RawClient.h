// A bare client for tests and tools: writes exact bytes to a simulated display and reads exact bytes
// back, over TCP or a serial device, with every read bounded by a time-out.
#pragma once

#include "zolsim/Wire.h"

#include <cstdint>
#include <string>

namespace zolsim {

class RawClient {
public:
    RawClient() = default;
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connect(const std::string& address, std::uint16_t port = 1515);
    // Opens a serial device raw, at the given speed.
    bool OpenSerial(const std::string& path, unsigned baud = 9600);
    void Close();
    // Turns the connection into a TLS client session (after the greeting has been read). With a root
    // certificate, the server's chain must end in it; without, any certificate is accepted.
    // maxTls12 limits the client to TLS 1.2. False when the handshake fails within timeoutMs.
    bool StartTls(const std::string& rootPem = {}, bool maxTls12 = true, int timeoutMs = 3000);
    bool IsSecured() const { return m_ssl != nullptr; }
    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    bool Send(const Bytes& bytes);
    // Reads until count bytes arrived or timeoutMs passed; returns what arrived.
    Bytes ReadExact(std::size_t count, int timeoutMs = 2000);
    // Reads whatever arrives until quietMs pass without a byte (or maxMs in all).
    Bytes ReadUntilQuiet(int quietMs, int maxMs = 2000);
    // True when the peer closed (or hung up) within timeoutMs; bytes still queued are discarded.
    bool WaitForClose(int timeoutMs = 2000);

private:
    // > 0 bytes, 0 nothing now, -1 closed or failed.
    long ReadSome(unsigned char* buffer, std::size_t size);
    bool Pending() const;

    int m_fd = -1;
    void* m_ctx = nullptr; // SSL_CTX, kept opaque so users need no TLS headers
    void* m_ssl = nullptr; // SSL
};

} // namespace zolsim
