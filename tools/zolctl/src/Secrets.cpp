#include "Secrets.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zolctl {

namespace {

void StripLineEnd(std::string& line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
}

// Closes the terminal and puts its echo back, whatever way the prompt ends.
class Terminal {
public:
    Terminal() : m_fd(::open("/dev/tty", O_RDWR | O_CLOEXEC)) {
        if (m_fd >= 0 && ::tcgetattr(m_fd, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            m_restore = ::tcsetattr(m_fd, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~Terminal() {
        if (m_restore) {
            ::tcsetattr(m_fd, TCSAFLUSH, &m_saved);
        }
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool Ok() const { return m_fd >= 0 && m_restore; }
    void Write(const std::string& text) const {
        const ssize_t written = ::write(m_fd, text.data(), text.size());
        static_cast<void>(written);
    }
    std::optional<std::string> ReadLine() const {
        std::string line;
        char c = 0;
        while (::read(m_fd, &c, 1) == 1) {
            if (c == '\n') {
                return line;
            }
            line.push_back(c);
        }
        return line.empty() ? std::nullopt : std::optional<std::string>(line);
    }

private:
    int m_fd;
    termios m_saved{};
    bool m_restore = false;
};

} // namespace

std::optional<std::string> ReadPinFile(const std::string& path, std::string* error, std::string* warning) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        *error = "the PIN file \"" + path + "\" does not exist";
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        *error = "the PIN file \"" + path + "\" is not a regular file";
        return std::nullopt;
    }
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line)) {
        *error = "the PIN file \"" + path + "\" cannot be read or is empty";
        return std::nullopt;
    }
    StripLineEnd(line);
    if (line.empty()) {
        *error = "the PIN file \"" + path + "\" holds an empty first line";
        return std::nullopt;
    }
    if ((status.st_mode & (S_IRGRP | S_IROTH)) != 0) {
        *warning = "the PIN file \"" + path + "\" may be read by others than its owner (chmod 600 it)";
    }
    return line;
}

std::optional<std::string> PromptForPin(const std::string& prompt, std::string* error) {
    const Terminal terminal;
    if (!terminal.Ok()) {
        *error = "--ask-pin needs a terminal to ask on";
        return std::nullopt;
    }
    terminal.Write(prompt);
    std::optional<std::string> line = terminal.ReadLine();
    terminal.Write("\n");
    if (!line || line->empty()) {
        *error = "no PIN was typed";
        return std::nullopt;
    }
    StripLineEnd(*line);
    return line;
}

std::optional<std::string> PinFromEnvironment() {
    const char* pin = std::getenv("ZOL_PIN");
    if (pin == nullptr || *pin == '\0') {
        return std::nullopt;
    }
    return std::string(pin);
}

} // namespace zolctl
