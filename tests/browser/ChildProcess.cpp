#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace browsertest {

namespace {

// Descriptors are moved up here first, so that placing one in the child cannot overwrite another.
constexpr int kStagingFloor = 100;

using Clock = std::chrono::steady_clock;

// True once the child has ended; it stays a zombie, so its process group id cannot be reused yet.
bool HasEnded(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

} // namespace

ChildProcess::ChildProcess(const ChildSetup& setup) {
    std::vector<std::string> arguments = setup.argv;
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    int output[2] = {-1, -1};
    int outputFile = -1;
    if (setup.outputFile.empty()) {
        if (::pipe2(output, O_CLOEXEC) != 0) {
            m_error = std::string("no pipe: ") + std::strerror(errno);
            return;
        }
    } else {
        outputFile = ::open(setup.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (outputFile < 0) {
            m_error = "cannot write " + setup.outputFile + ": " + std::strerror(errno);
            return;
        }
    }
    const int stdoutSource = outputFile >= 0 ? outputFile : output[1];
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid == 0) {
        // Only async-signal-safe calls from here to exec: the test may have other threads.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        struct sigaction defaultAction {};
        defaultAction.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &defaultAction, nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        std::vector<int> staged;
        for (const auto& [here, there] : setup.fds) {
            staged.push_back(::fcntl(here, F_DUPFD, kStagingFloor));
        }
        const int stagedOut = ::fcntl(stdoutSource, F_DUPFD, kStagingFloor);
        ::dup2(stagedOut, STDOUT_FILENO);
        ::dup2(outputFile >= 0 ? stagedOut : STDERR_FILENO, STDERR_FILENO);
        for (std::size_t i = 0; i < staged.size(); ++i) {
            ::dup2(staged[i], setup.fds[i].second);
        }
        int highest = STDERR_FILENO;
        for (const auto& mapping : setup.fds) {
            highest = mapping.second > highest ? mapping.second : highest;
        }
        ::close_range(static_cast<unsigned>(highest) + 1, ~0U, 0);
        ::execve(argv[0], argv.data(), environ);
        ::_exit(127);
    }
    if (m_pid > 0) {
        ::setpgid(m_pid, m_pid); // also here, so that a Stop straight after the start reaches the group
    }
    if (output[1] >= 0) {
        ::close(output[1]);
    }
    if (outputFile >= 0) {
        ::close(outputFile);
    }
    m_output = output[0];
    if (m_pid < 0) {
        m_error = std::string("cannot fork: ") + std::strerror(errno);
    }
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    char chunk[1024];
    // Every pass reads something or ends the wait; the end of the pipe (the program exited) ends it too.
    for (int pass = 0; pass < 100000 && m_output >= 0; ++pass) {
        if (const auto end = m_pending.find('\n'); end != std::string::npos) {
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd waiting{m_output, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        const ssize_t got = ::read(m_output, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return std::nullopt;
        }
        m_pending.append(chunk, static_cast<std::size_t>(got));
    }
    return std::nullopt;
}

bool ChildProcess::Running() {
    return m_pid > 0 && !HasEnded(m_pid);
}

void ChildProcess::Stop(std::chrono::milliseconds grace) {
    if (m_output >= 0) {
        ::close(m_output);
        m_output = -1;
    }
    if (m_pid <= 0) {
        return;
    }
    ::kill(-m_pid, SIGTERM);
    const auto deadline = Clock::now() + grace;
    while (!HasEnded(m_pid) && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Whatever is left of the group goes now, while the unreaped leader still holds the group's id.
    ::kill(-m_pid, SIGKILL);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (::waitpid(m_pid, nullptr, 0) == m_pid || errno != EINTR) {
            break;
        }
    }
    m_pid = -1;
}

} // namespace browsertest
