#pragma once

// The engine's own TCP connection to one address: its socket and what a later command needs to know of
// it. Kept between runs; one session uses it at a time.

#include <atomic>
#include <cstdint>
#include <string>
#include <unistd.h>

namespace zol::fleet {

struct Link {
    std::string address;
    std::string credential;
    std::uint32_t port = 1515;
    int fd = -1;
    std::uint64_t socket = 0; // names the connection behind fd: descriptor numbers are reused
    bool fresh = true;        // never connected yet: a first command gets a second connect attempt
    bool secured = false;     // the display asks for a secured session: the blocking roads carry it
    bool busy = false;        // checked out by a run
    std::uint32_t lastCommand = 0xFFFFFFFF;
    std::uint32_t lastDisplayId = 0xFFFFFFFF;

    Link() = default;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;
    ~Link() { Close(); }
    // A connection was just opened on fd: a name no other connection of the process has had.
    void Opened(int descriptor) {
        static std::atomic<std::uint64_t> sockets{0};
        fd = descriptor;
        socket = ++sockets;
    }
    void Close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        socket = 0;
    }
};

} // namespace zol::fleet
