#include "Log.h"

#include <cstdio>
#include <mutex>

namespace zold {

void Log(LogLevel level, const std::string& text) {
    static std::mutex lock;
    const char* prefix = level == LogLevel::Error ? "<3>" : level == LogLevel::Warning ? "<4>" : "<6>";
    const std::lock_guard guard(lock);
    std::fprintf(stderr, "%szold: %s\n", prefix, text.c_str());
    std::fflush(stderr);
}

} // namespace zold
