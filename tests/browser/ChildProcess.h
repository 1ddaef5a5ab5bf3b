// A program the browser test starts: zolsim, zold, Chromium. Each runs in a process group of its own,
// so that stopping it also stops whatever it started (Chromium's renderers), and the kernel kills it
// should the test die without running destructors. Every wait is bounded.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace browsertest {

struct ChildSetup {
    std::vector<std::string> argv;        // argv[0] is the executable's path
    std::vector<std::pair<int, int>> fds; // (descriptor here, descriptor number in the child)
    std::string outputFile;               // stdout and stderr go there; empty: stdout is read by ReadLine
};

class ChildProcess {
public:
    explicit ChildProcess(const ChildSetup& setup);
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    const std::string& Error() const { return m_error; }
    // A line the program printed on stdout (without its newline), or nothing after `wait`.
    std::optional<std::string> ReadLine(std::chrono::milliseconds wait);
    // True while the program runs.
    bool Running();
    // Stops the program and everything in its group: SIGTERM, up to `grace` to end, then SIGKILL; reaps it.
    void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

private:
    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_pending; // stdout read but not yet a whole line
    std::string m_error;
};

} // namespace browsertest
