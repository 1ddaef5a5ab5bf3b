// Wake-on-LAN, sent and captured only inside a network namespace of the test's own: broadcast and
// multicast datagrams leave loopback, so nothing here may ever send from the machine's own namespace.
// A forked child moves into a fresh namespace (two linked virtual interfaces, nothing else), listens on
// UDP port 9 for both address families, runs the command object and reports what arrived.

#include "protocol/ZOLCommand.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kSkipped = 77;

struct Capture {
    int sent = 0; // SendWakeOnLan of the good address
    int ipv4Length = 0;
    int ipv6Length = 0;
    std::array<unsigned char, 256> ipv4{};
    std::array<unsigned char, 256> ipv6{};
    int badTextsAccepted = 0; // malformed addresses that returned true or put a datagram on the wire
    char message[200] = {};
};

ino_t NetworkNamespace() {
    struct stat info {};
    return ::stat("/proc/self/ns/net", &info) == 0 ? info.st_ino : 0;
}

void WriteFile(const char* path, const char* text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, text, std::strlen(text));
        ::close(fd);
    }
}

int Listener(int family) {
    const int fd = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (family == AF_INET) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(9);
        return ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? fd : -1;
    }
    ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_port = htons(9);
    return ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? fd : -1;
}

// The first datagram within timeoutMs, or 0.
int ReceiveOne(int fd, unsigned char* buffer, std::size_t capacity, int timeoutMs) {
    pollfd waiting{fd, POLLIN, 0};
    if (::poll(&waiting, 1, timeoutMs) != 1) {
        return 0;
    }
    const ssize_t received = ::recv(fd, buffer, capacity, 0);
    return received > 0 ? static_cast<int>(received) : 0;
}

int Skip(Capture& capture, const char* why) {
    std::snprintf(capture.message, sizeof capture.message, "%s", why);
    return kSkipped;
}

int RunInPrivateNetwork(Capture& capture) {
    const ino_t own = NetworkNamespace();
    if (own == 0 || ::unshare(CLONE_NEWNET) != 0) {
        return Skip(capture, "cannot create a network namespace here");
    }
    if (NetworkNamespace() == own) {
        return Skip(capture, "still in the machine's own network namespace");
    }
    // Link-local IPv6 addresses usable at once, a broadcast route, and a multicast-capable link.
    WriteFile("/proc/sys/net/ipv6/conf/default/accept_dad", "0");
    if (std::system("{ ip link set lo up && ip link add zolwol0 type veth peer name zolwol1 &&"
                    " ip link set zolwol0 up && ip link set zolwol1 up &&"
                    " ip route add broadcast 255.255.255.255 dev lo table local; } >/dev/null 2>&1") != 0) {
        return Skip(capture, "cannot set up interfaces in the private network namespace (ip)");
    }
    const int ipv4 = Listener(AF_INET);
    const int ipv6 = Listener(AF_INET6);
    if (ipv4 < 0 || ipv6 < 0) {
        return Skip(capture, "cannot listen on UDP port 9 in the private network namespace");
    }

    CZOLCommand command;
    std::array<unsigned char, 256> stray{};
    for (const char* bad : {"", "00-11-22-33-44-55", "0011223344", "00112233445G", "0011223344556"}) {
        const bool accepted = command.SendWakeOnLan(bad);
        const bool sent = ReceiveOne(ipv4, stray.data(), stray.size(), 100) > 0 ||
                          ReceiveOne(ipv6, stray.data(), stray.size(), 0) > 0;
        capture.badTextsAccepted += (accepted || sent) ? 1 : 0;
    }

    capture.sent = command.SendWakeOnLan("001122334455") ? 1 : 0;
    capture.ipv4Length = ReceiveOne(ipv4, capture.ipv4.data(), capture.ipv4.size(), 2000);
    capture.ipv6Length = ReceiveOne(ipv6, capture.ipv6.data(), capture.ipv6.size(), 2000);
    return 0;
}

TEST(CommandWakeOnLan, MagicPacketsForBothFamilies) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        Capture capture;
        const int result = RunInPrivateNetwork(capture);
        const bool written =
            ::write(pipeFds[1], &capture, sizeof capture) == static_cast<ssize_t>(sizeof capture);
        ::_exit(written ? result : 1);
    }
    ::close(pipeFds[1]);
    Capture capture;
    const bool complete =
        ::read(pipeFds[0], &capture, sizeof capture) == static_cast<ssize_t>(sizeof capture);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(complete && WIFEXITED(status)) << "the namespace child did not report";
    if (WEXITSTATUS(status) == kSkipped) {
        GTEST_SKIP() << capture.message;
    }
    ASSERT_EQ(WEXITSTATUS(status), 0);

    std::vector<unsigned char> expected(6, 0xFF);
    for (int copy = 0; copy < 16; ++copy) {
        expected.insert(expected.end(), {0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
    }
    EXPECT_EQ(capture.badTextsAccepted, 0);
    EXPECT_EQ(capture.sent, 1);
    EXPECT_EQ(std::vector<unsigned char>(capture.ipv4.begin(), capture.ipv4.begin() + capture.ipv4Length),
              expected);
    EXPECT_EQ(std::vector<unsigned char>(capture.ipv6.begin(), capture.ipv6.begin() + capture.ipv6Length),
              expected);
}

} // namespace
