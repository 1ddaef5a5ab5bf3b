#include "VerboseLog.h"

#include <chrono>
#include <cstdio>

namespace zolctl {

std::string ElapsedStamp(long long milliseconds) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%4lld ms] ", milliseconds);
    return stamp;
}

VerboseLog::VerboseLog(bool on, std::ostream& err) : m_on(on), m_previousLevel(__logger.GetLevel()) {
    if (!m_on) {
        return;
    }
    const auto started = std::chrono::steady_clock::now();
    // The logger calls its sink under its own lock, so lines from the serial reader thread and from the
    // calling thread never interleave.
    __logger.SetSink([&err, started](const LogRecord& record) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        err << ElapsedStamp(elapsed.count()) << '[' << CLogger::LevelText(record.level) << "] " << record.file
            << ": " << record.message << '\n';
    });
    __logger.SetLevel(LogLevel::Debug);
}

VerboseLog::~VerboseLog() {
    if (!m_on) {
        return;
    }
    __logger.SetLevel(m_previousLevel);
    __logger.SetSink({});
}

} // namespace zolctl
