// Small POSIX helpers shared by the front doors: owned descriptors, a stop signal, waits and writes
// that end early when the simulator stops.
#pragma once

#include "Core.h"

#include <cstdint>
#include <string>

#include <chrono>
#include <cstddef>
#include <functional>

namespace zolsim::io {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release();
    void Reset(int fd = -1);

private:
    int m_fd = -1;
};

// Level-triggered stop signal: once raised it stays readable, so every poll that includes it wakes.
class StopSignal {
public:
    StopSignal();
    void Raise();
    int Fd() const { return m_fd.Get(); }

private:
    UniqueFd m_fd;
};

bool SetNonBlocking(int fd);

// Writing to a connection the peer has closed must fail with EPIPE, not end the process: the
// simulator's threads block SIGPIPE for good, callers on foreign threads for the duration of a write.
void BlockSigpipeInThisThread();
class ScopedSigpipeBlock {
public:
    ScopedSigpipeBlock();
    ~ScopedSigpipeBlock();
    ScopedSigpipeBlock(const ScopedSigpipeBlock&) = delete;
    ScopedSigpipeBlock& operator=(const ScopedSigpipeBlock&) = delete;

private:
    bool m_wasPending = false;
    bool m_wasBlocked = false;
};

// Waits the given time unless stopFd becomes readable first; false when stopped.
bool Wait(int stopFd, std::chrono::nanoseconds duration);
inline bool WaitMs(int stopFd, int ms) {
    return Wait(stopFd, std::chrono::milliseconds(ms));
}

// Writes every byte to a non-blocking descriptor; false on error, hang-up or stop.
bool WriteAll(int fd, const unsigned char* data, std::size_t length, int stopFd);

// Like WriteAll, but one byte at a time at the pace of a serial line (10 bit times per byte).
bool PacedWrite(int fd, const unsigned char* data, std::size_t length, unsigned baud, int stopFd);

using Writer = std::function<bool(const unsigned char* data, std::size_t length)>;

// Carries out one reply (delay, split, close) through write. False: the connection is to be closed.
bool Deliver(const Outgoing& reply, int stopFd, Core& core, const Writer& write);

// A listening TCP socket on exactly this address (an IPv4 or IPv6 literal); invalid with a reason in error.
UniqueFd Listen(const std::string& address, std::uint16_t port, std::string& error);
std::uint16_t BoundPort(int fd);

} // namespace zolsim::io
