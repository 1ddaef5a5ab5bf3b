// A file that gets one line per request a display receives, for a test or a person watching a display
// from outside its process:
//
//     127.0.120.5 1 0x11 00
//     /dev/pts/7 - 0x00 -
//
// The address the request came in on (the listening address, or the serial line's device path), the
// display ID it named in decimal ("-" for compact requests, which name none), the command code and the
// data bytes in hex ("-" when there are none). Each line is written with one write(2) as it is parsed,
// so a reader sees it while the display runs, and lines from several threads never interleave.
#pragma once

#include "zolsim/Wire.h"

#include <memory>
#include <mutex>
#include <string>

namespace zolsim {

// The line (without its newline) that records a request received on address.
std::string RequestLogLine(const std::string& address, const Request& request);

class RequestLog {
public:
    // Opens path for appending (created when missing); null, with a reason in error, when it cannot be.
    static std::shared_ptr<RequestLog> Open(const std::string& path, std::string& error);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    void Append(const std::string& address, const Request& request);

private:
    explicit RequestLog(int fd) : m_fd(fd) {}

    std::mutex m_lock; // one line at a time
    int m_fd;
    bool m_failed = false; // a write failed: said once on stderr, then the log is given up
};

} // namespace zolsim
