#include "Logger.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* BaseName(const char* path) {
    if (path == nullptr) {
        return "";
    }
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

// Wide texts reach the log as UTF-8; anything that is not a valid code point becomes '?'.
void AppendUtf8(std::string& out, wchar_t wc) {
    auto cp = static_cast<std::uint32_t>(static_cast<std::int32_t>(wc));
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000 && (cp < 0xD800 || cp > 0xDFFF)) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp >= 0x10000 && cp <= 0x10FFFF) {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += '?';
    }
}

std::string Lower(std::string_view text) {
    std::string lower;
    for (char c : text) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

// Read once, when the process starts: a misspelt value is said once, not on every line.
LogLevel DefaultLevel() {
    std::string warning;
    const LogLevel level = CLogger::LevelFromEnvironment(std::getenv("ZOL_LOG"), &warning);
    if (!warning.empty()) {
        std::fprintf(stderr, "%s\n", warning.c_str());
    }
    return level;
}

// The level is read on every log statement; an atomic copy keeps that read lock-free.
std::atomic<int> g_level{static_cast<int>(LogLevel::Off)};

} // namespace

CLogger __logger; // NOLINT: the host's logger has this name.

CLogger::CLogger() : level_(DefaultLevel()) {
    g_level.store(static_cast<int>(level_));
}

CLogger::Line::Line(CLogger& owner, LogLevel level, const char* file, int line, const char* signature,
                    const char* function)
    : owner_(&owner), record_{level, BaseName(file), line, signature, function, {}} {}

CLogger::Line::Line(Line&& other) noexcept
    : owner_(other.owner_), record_(std::move(other.record_)), text_(std::move(other.text_)) {
    other.owner_ = nullptr;
}

CLogger::Line::~Line() {
    if (owner_ == nullptr) {
        return;
    }
    record_.message = std::move(text_);
    try {
        owner_->Emit(record_);
    } catch (...) { // a failing sink must not take the caller down
    }
}

CLogger::Line& CLogger::Line::operator<<(const char* text) {
    text_ += text != nullptr ? text : "(null)";
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(std::string_view text) {
    text_ += text;
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(const wchar_t* text) {
    if (text == nullptr) {
        text_ += "(null)";
        return *this;
    }
    for (; *text != L'\0'; ++text) {
        AppendUtf8(text_, *text);
    }
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(char c) {
    text_ += c;
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(bool value) {
    text_ += value ? "true" : "false";
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(signed char value) {
    return *this << static_cast<int>(value);
}
CLogger::Line& CLogger::Line::operator<<(unsigned char value) {
    return *this << static_cast<unsigned>(value);
}
CLogger::Line& CLogger::Line::operator<<(short value) {
    return *this << static_cast<int>(value);
}
CLogger::Line& CLogger::Line::operator<<(unsigned short value) {
    return *this << static_cast<unsigned>(value);
}

CLogger::Line& CLogger::Line::operator<<(int value) {
    text_ += std::to_string(value);
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(unsigned value) {
    text_ += std::to_string(value);
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(long value) {
    text_ += std::to_string(value);
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(unsigned long value) {
    text_ += std::to_string(value);
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(long long value) {
    text_ += std::to_string(value);
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(unsigned long long value) {
    text_ += std::to_string(value);
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(double value) {
    text_ += std::to_string(value);
    return *this;
}

CLogger::Line& CLogger::Line::operator<<(const void* pointer) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%p", pointer);
    text_ += buffer;
    return *this;
}

CLogger::Line CLogger::WriteFlags(const char* file, int line, const char* signature, const char* function,
                                  LogLevel level) {
    return Line(*this, level, file, line, signature, function);
}

void CLogger::SetLevel(LogLevel level) {
    std::lock_guard lock(mutex_);
    level_ = level;
    g_level.store(static_cast<int>(level));
}

LogLevel CLogger::GetLevel() const {
    return static_cast<LogLevel>(g_level.load());
}

bool CLogger::IsEnabled(LogLevel level) const {
    return level != LogLevel::Off && static_cast<int>(level) >= g_level.load(std::memory_order_relaxed);
}

void CLogger::SetSink(Sink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

LogLevel CLogger::LevelFromText(std::string_view text) {
    const std::string lower = Lower(text);
    if (lower == "debug") {
        return LogLevel::Debug;
    }
    if (lower == "info") {
        return LogLevel::Info;
    }
    if (lower == "warn" || lower == "warning") {
        return LogLevel::Warn;
    }
    if (lower == "error") {
        return LogLevel::Error;
    }
    return LogLevel::Off;
}

LogLevel CLogger::LevelFromEnvironment(const char* value, std::string* warning) {
    // An empty value is as good as none.
    if (value == nullptr || *value == '\0') {
        return LogLevel::Off;
    }
    const LogLevel level = LevelFromText(value);
    if (level == LogLevel::Off && Lower(value) != "off" && warning != nullptr) {
        *warning = std::string("ZOL_LOG=") + value +
                   " names no log level (debug, info, warn, error or off); logging stays off";
    }
    return level;
}

const char* CLogger::LevelText(LogLevel level) {
    switch (level) {
    case LogLevel::Debug:
        return "DEBUG";
    case LogLevel::Info:
        return "INFO";
    case LogLevel::Warn:
        return "WARN";
    case LogLevel::Error:
        return "ERROR";
    case LogLevel::Off:
        break;
    }
    return "OFF";
}

void CLogger::Emit(const LogRecord& record) {
    std::lock_guard lock(mutex_);
    if (sink_) {
        sink_(record);
        return;
    }
    std::fprintf(stderr, "[%s] %s:%d %s: %s\n", LevelText(record.level), record.file, record.line,
                 record.function != nullptr ? record.function : "", record.message.c_str());
}
