#pragma once

// --verbose: the library's log at debug level, written to stderr while one command runs. The library
// logs every frame it sends and receives in hex at debug level, on TCP and serial lines alike. Each line
// starts with the milliseconds since the command started: "[  12 ms] [DEBUG] ...: Send AA 00 01 00 01".

#include "Logger.h"

#include <ostream>
#include <string>

namespace zolctl {

// "[  12 ms] ": the stamp in front of a verbose line, the milliseconds right-aligned in four places.
std::string ElapsedStamp(long long milliseconds);

class VerboseLog {
public:
    // Does nothing unless `on`.
    VerboseLog(bool on, std::ostream& err);
    // Restores the level the logger had and its default sink.
    ~VerboseLog();
    VerboseLog(const VerboseLog&) = delete;
    VerboseLog& operator=(const VerboseLog&) = delete;

private:
    bool m_on;
    LogLevel m_previousLevel;
};

} // namespace zolctl
