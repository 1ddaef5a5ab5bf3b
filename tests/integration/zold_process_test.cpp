// The zold binary as the service manager runs it: readiness, a reload on SIGHUP and the stop on SIGTERM
// reported on $NOTIFY_SOCKET (a datagram socket the test owns), the reload keeping the display's
// connection, the stop closing it and ending the process with status 0.

#include "ZoldHarness.h"

#include "zolsim/Simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using zoldtest::Folder;

constexpr char kDisplay[] = "127.0.113.1";
constexpr char kListen[] = "127.0.113.9";
constexpr std::uint16_t kPort = 18513;

// The service manager's end of $NOTIFY_SOCKET.
class NotifySocket {
public:
    explicit NotifySocket(const std::string& path) : m_path(path) {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ::unlink(path.c_str());
        m_bound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() {
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;
    bool Bound() const { return m_bound; }

    // Messages until one holds `wanted` (every message so far returned), or the time is up.
    std::string WaitFor(const std::string& wanted,
                        std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (m_seen.find(wanted) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd waiting{m_fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            char message[512];
            const ssize_t got = ::recv(m_fd, message, sizeof message, 0);
            if (got > 0) {
                m_seen.append(message, static_cast<std::size_t>(got)).append("\n");
            }
        }
        return m_seen;
    }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_bound = false;
    std::string m_seen;
};

// The null-terminated array execve takes.
std::vector<char*> Pointers(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    pointers.reserve(words.size() + 1);
    for (std::string& word : words) {
        pointers.push_back(word.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

pid_t StartZold(const std::vector<std::string>& arguments, const std::string& notifyPath) {
    std::vector<std::string> words{ZOLD_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv = Pointers(words);
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        environment.emplace_back(*variable);
    }
    environment.push_back("NOTIFY_SOCKET=" + notifyPath);
    std::vector<char*> envp = Pointers(environment);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::close_range(3, ~0U, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

// The exit status, or -1 when it did not end in time (it is killed then).
int WaitForExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

TEST(ZoldProcess, NotifiesReadyReloadsOnHupAndStopsOnTerm) {
    Folder folder("zold-process");
    zolsim::Simulator display;
    display.AddDisplay(1);
    ASSERT_TRUE(display.StartTcp(kDisplay));
    folder.Write("wall.toml", zoldtest::DisplayEntry("one", kDisplay, "[\"fast\"]"));
    folder.Write("zold.token", std::string(zoldtest::kToken) + "\n");
    // The file names its neighbours relative to itself; the command line's --listen wins over its own.
    const std::string config = folder.Write("zold.toml", "[service]\n"
                                                         "inventory = \"wall.toml\"\n"
                                                         "token-file = \"zold.token\"\n"
                                                         "listen = \"127.0.113.9:1\"\n"
                                                         "interval = 60\n"
                                                         "[groups.fast]\n"
                                                         "interval = 0.1\n");
    NotifySocket notify(folder.Path("notify.sock"));
    ASSERT_TRUE(notify.Bound());
    const pid_t zold =
        StartZold({"--config", config, "--listen", std::string(kListen) + ":" + std::to_string(kPort)},
                  folder.Path("notify.sock"));
    ASSERT_GT(zold, 0);
    EXPECT_NE(notify.WaitFor("READY=1").find("READY=1"), std::string::npos);

    zoldtest::Http http(kListen, kPort);
    ASSERT_TRUE(
        zoldtest::WaitFor([&] { return http.Get("/api/v1/displays/one").json.value("error", "") == "ok"; }));
    ASSERT_TRUE(zoldtest::WaitFor([&] { return display.Requests().size() >= 3; })); // the group's 100 ms
    EXPECT_EQ(display.AcceptedConnections(), 1);

    ::kill(zold, SIGHUP);
    const std::string reloaded = notify.WaitFor("RELOADING=1");
    EXPECT_NE(reloaded.find("MONOTONIC_USEC="), std::string::npos) << reloaded;
    display.ClearLog();
    ASSERT_TRUE(zoldtest::WaitFor([&] { return display.Requests().size() >= 3; }));
    EXPECT_EQ(display.AcceptedConnections(), 1); // the same connection after the reload

    ::kill(zold, SIGTERM);
    EXPECT_NE(notify.WaitFor("STOPPING=1").find("STOPPING=1"), std::string::npos);
    EXPECT_EQ(WaitForExit(zold, std::chrono::seconds(10)), 0);
    EXPECT_EQ(display.ActiveConnections(), 0);
}

TEST(ZoldProcess, RefusesUnknownConfigKeysWithTheirLine) {
    Folder folder("zold-process-config");
    const std::string config = folder.Write("zold.toml", "[service]\ninterval = 5\nintreval = 6\n");
    NotifySocket notify(folder.Path("notify.sock"));
    const pid_t zold = StartZold({"--config", config}, folder.Path("notify.sock"));
    EXPECT_EQ(WaitForExit(zold, std::chrono::seconds(10)), 2);
}

} // namespace
