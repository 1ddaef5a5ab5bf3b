// The simulated display as a process of its own, so that a benchmark's client and the display it talks
// to are scheduled as they are in the field: apart, not as two threads of one process.
//
// The zolsim executable is $ZOLSIM, else the one built beside the benchmark (build/<preset>/tools/zolsim).
// Ready() once zolsim has printed the lines expected of it: one "listening on ADDRESS port PORT" per --tcp
// address and, with --pty, the device path. The destructor stops it (SIGTERM, then SIGKILL) and reaps it;
// should the benchmark die without running destructors, the kernel stops zolsim with it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace bench {

// Waits for the child to end, 10 ms at a time, at most `attempts` times; true once it was reaped (or is
// no child of ours any more).
inline bool ReapWithin(pid_t pid, int attempts) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const pid_t got = ::waitpid(pid, nullptr, WNOHANG);
        if (got == pid || (got < 0 && errno != EINTR)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class DisplayProcess {
public:
    // Starts zolsim with these arguments and waits at most `wait` for `expectedLines` lines of output.
    // Call it from the thread that runs the benchmark to its end (the main thread): the kernel's
    // stop-with-the-parent signal follows the thread that started the child.
    DisplayProcess(const std::vector<std::string>& arguments, std::size_t expectedLines,
                   std::chrono::milliseconds wait = std::chrono::seconds(5)) {
        std::vector<std::string> all{Executable()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& argument : all) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);

        int output[2];
        if (::pipe2(output, O_CLOEXEC) != 0) {
            m_error = "no pipe for the display's output";
            return;
        }
        const pid_t parent = ::getpid();
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls from here to exec: the parent may have other threads.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent || ::dup2(output[1], STDOUT_FILENO) < 0) {
                ::_exit(127);
            }
            ::close_range(3, ~0U, 0); // no client sockets of the benchmark held open by the display
            ::execve(argv[0], argv.data(), environ);
            ::_exit(127);
        }
        ::close(output[1]);
        if (m_pid < 0) {
            m_error = "cannot fork";
            ::close(output[0]);
            return;
        }
        ReadLines(output[0], expectedLines, wait);
        ::close(output[0]); // zolsim prints nothing after it is ready
        m_ready = m_lines.size() >= expectedLines;
        if (!m_ready) {
            m_error = Explain(all.front(), expectedLines, wait);
        }
    }

    ~DisplayProcess() { Stop(); }
    DisplayProcess(const DisplayProcess&) = delete;
    DisplayProcess& operator=(const DisplayProcess&) = delete;

    bool Ready() const { return m_ready; }
    const std::string& Error() const { return m_error; }

    // The port announced for this address, 0 when there is none.
    std::uint16_t Port(const std::string& address) const {
        const std::string prefix = "listening on " + address + " port ";
        for (const auto& line : m_lines) {
            if (line.rfind(prefix, 0) == 0) {
                return static_cast<std::uint16_t>(std::strtoul(line.c_str() + prefix.size(), nullptr, 10));
            }
        }
        return 0;
    }

    // The pseudo-terminal's device path, empty when there is none.
    std::string PtyPath() const {
        for (const auto& line : m_lines) {
            if (!line.empty() && line.front() == '/') {
                return line;
            }
        }
        return {};
    }

    // Stops and reaps zolsim: SIGTERM, up to two seconds to finish, then SIGKILL.
    void Stop() {
        if (m_pid <= 0) {
            return;
        }
        ::kill(m_pid, SIGTERM);
        if (!ReapWithin(m_pid, 200)) {
            ::kill(m_pid, SIGKILL);
            for (int attempt = 0; attempt < 100; ++attempt) {
                if (::waitpid(m_pid, nullptr, 0) == m_pid || errno != EINTR) {
                    break;
                }
            }
        }
        m_pid = -1;
    }

    static std::string Executable() {
        if (const char* given = std::getenv("ZOLSIM")) {
            return given;
        }
        const auto self = std::filesystem::read_symlink("/proc/self/exe");
        return (self.parent_path().parent_path() / "tools" / "zolsim" / "zolsim").string();
    }

private:
    void ReadLines(int fd, std::size_t expectedLines, std::chrono::milliseconds wait) {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        std::string pending;
        char chunk[512];
        // Every pass reads something or ends the wait; the pipe's end (zolsim exited) ends it too.
        for (int pass = 0; pass < 10000 && m_lines.size() < expectedLines; ++pass) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd waiting{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            const ssize_t got = ::read(fd, chunk, sizeof(chunk));
            if (got <= 0) {
                break;
            }
            pending.append(chunk, static_cast<std::size_t>(got));
            for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
                m_lines.push_back(pending.substr(0, end));
                pending.erase(0, end + 1);
            }
        }
    }

    // Why zolsim is not ready, with what it printed so far.
    std::string Explain(const std::string& path, std::size_t expectedLines, std::chrono::milliseconds wait) {
        std::string why;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1; // reaped
            if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
                why = "cannot run " + path + " (set ZOLSIM to the zolsim executable)";
            } else {
                why = path + " ended before it was ready (" +
                      (WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                         : "signal " + std::to_string(WTERMSIG(status))) +
                      ")";
            }
        } else {
            why = path + " printed " + std::to_string(m_lines.size()) + " of its " +
                  std::to_string(expectedLines) + " lines within " + std::to_string(wait.count()) + " ms";
        }
        for (const auto& line : m_lines) {
            why += "; " + line;
        }
        return why;
    }

    pid_t m_pid = -1;
    bool m_ready = false;
    std::string m_error;
    std::vector<std::string> m_lines;
};

} // namespace bench
