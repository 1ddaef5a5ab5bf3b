#include "VerboseLog.h"

namespace zolctl {

VerboseLog::VerboseLog(bool on, std::ostream& err) : m_on(on), m_previousLevel(__logger.GetLevel()) {
    if (!m_on) {
        return;
    }
    // The logger calls its sink under its own lock, so lines from the serial reader thread and from the
    // calling thread never interleave.
    __logger.SetSink([&err](const LogRecord& record) {
        err << '[' << CLogger::LevelText(record.level) << "] " << record.file << ": " << record.message
            << '\n';
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
