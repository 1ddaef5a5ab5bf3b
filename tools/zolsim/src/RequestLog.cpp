#include "zolsim/RequestLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace zolsim {

namespace {

void AppendHexByte(std::string& out, unsigned char byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

} // namespace

std::string RequestLogLine(const std::string& address, const Request& request) {
    std::string line = address.empty() ? std::string("-") : address;
    line += ' ';
    line += request.id < 0 ? std::string("-") : std::to_string(request.id);
    line += " 0x";
    AppendHexByte(line, request.code);
    line += ' ';
    if (request.data.empty()) {
        line += '-';
    }
    for (unsigned char byte : request.data) {
        AppendHexByte(line, byte);
    }
    return line;
}

std::shared_ptr<RequestLog> RequestLog::Open(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot open the request log " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::shared_ptr<RequestLog>(new RequestLog(fd));
}

RequestLog::~RequestLog() {
    ::close(m_fd);
}

void RequestLog::Append(const std::string& address, const Request& request) {
    const std::string line = RequestLogLine(address, request) + '\n';
    std::lock_guard guard(m_lock);
    if (m_failed) {
        return;
    }
    // O_APPEND places each write at the end; a short write on a regular file means the disk is full.
    const ssize_t written = ::write(m_fd, line.data(), line.size());
    if (written != static_cast<ssize_t>(line.size())) {
        m_failed = true;
        std::cerr << "zolsim: the request log stops: " << (written < 0 ? std::strerror(errno) : "short write")
                  << '\n';
    }
}

} // namespace zolsim
