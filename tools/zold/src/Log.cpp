#include "Log.h"

#include <cstdio>
#include <mutex>

namespace zold {

std::string LogLine(LogLevel level, const std::string& text) {
    std::string line = level == LogLevel::Error ? "<3>" : level == LogLevel::Warning ? "<4>" : "<6>";
    line += "zold: ";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            constexpr const char* kHex = "0123456789abcdef";
            line += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xf]};
        } else {
            line += c;
        }
    }
    return line;
}

void Log(LogLevel level, const std::string& text) {
    static std::mutex lock;
    const std::string line = LogLine(level, text);
    const std::lock_guard guard(lock);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

} // namespace zold
