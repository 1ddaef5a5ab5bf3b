#pragma once

/// \file
/// The host's logger. Every line starts with WriteFlags (source file, line, function signature, function
/// name) and continues with << of texts and numbers; the line is written when the statement ends.
///
///     ZOL_LOG_INFO << "Can not connect to " << address;
///
/// Lines below the logger's level are not even formatted. The default level comes from the environment
/// variable ZOL_LOG (debug, info, warn, error, off); without it logging is off, and a text that names no
/// level keeps it off with one warning on stderr. A host (or a test) can
/// set the level and a sink of its own; the default sink writes to stderr. Writing a line is thread-safe.

#include "LoggerExport.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>

enum class LogLevel : int { Debug = 0, Info = 1, Warn = 2, Error = 3, Off = 4 };

struct LogRecord {
    LogLevel level;
    const char* file; ///< source file name, without its folders
    int line;
    const char* signature;
    const char* function;
    std::string message; ///< the texts and numbers streamed after WriteFlags
};

class LOGGER_API CLogger {
public:
    using Sink = std::function<void(const LogRecord&)>;

    /// One line under construction; written to the sink when it goes out of scope.
    class LOGGER_API Line {
    public:
        Line(CLogger& owner, LogLevel level, const char* file, int line, const char* signature,
             const char* function);
        Line(const Line&) = delete;
        Line& operator=(const Line&) = delete;
        Line(Line&& other) noexcept;
        Line& operator=(Line&&) = delete;
        ~Line();

        Line& operator<<(const char* text);
        Line& operator<<(const std::string& text) { return *this << std::string_view(text); }
        Line& operator<<(std::string_view text);
        Line& operator<<(const wchar_t* text);
        Line& operator<<(const std::wstring& text) { return *this << text.c_str(); }
        Line& operator<<(char c);
        Line& operator<<(bool value);
        /// Numbers are formatted inside the logger library, so no formatting code is instantiated in
        /// (and exported from) the libraries that log.
        Line& operator<<(signed char value);
        Line& operator<<(unsigned char value);
        Line& operator<<(short value);
        Line& operator<<(unsigned short value);
        Line& operator<<(int value);
        Line& operator<<(unsigned value);
        Line& operator<<(long value);
        Line& operator<<(unsigned long value);
        Line& operator<<(long long value);
        Line& operator<<(unsigned long long value);
        Line& operator<<(double value);
        Line& operator<<(const void* pointer);

    private:
        CLogger* owner_;
        LogRecord record_;
        std::string text_;
    };

    CLogger();

    Line WriteFlags(const char* file, int line, const char* signature, const char* function,
                    LogLevel level = LogLevel::Info);

    void SetLevel(LogLevel level);
    LogLevel GetLevel() const;
    bool IsEnabled(LogLevel level) const;

    /// Replaces the sink; an empty function restores the default (stderr).
    void SetSink(Sink sink);

    /// Parses "debug", "info", "warn", "error", "off" (any case); unknown text gives Off.
    static LogLevel LevelFromText(std::string_view text);
    /// The level ZOL_LOG's value asks for; null (not set) gives Off. A value that names no level gives Off
    /// too and, when `warning` is given, a line there for the user that names the accepted values.
    static LogLevel LevelFromEnvironment(const char* value, std::string* warning);
    static const char* LevelText(LogLevel level);

private:
    void Emit(const LogRecord& record);

    mutable std::mutex mutex_;
    LogLevel level_;
    Sink sink_;
};

/// NOLINTNEXTLINE: the host's logger has this name.
extern LOGGER_API CLogger __logger;

#define ZOL_LOG(level)                                                                                       \
    if (!__logger.IsEnabled(level)) {                                                                        \
    } else                                                                                                   \
        __logger.WriteFlags(__FILE__, __LINE__, __PRETTY_FUNCTION__, __func__, level)

#define ZOL_LOG_DEBUG ZOL_LOG(LogLevel::Debug)
#define ZOL_LOG_INFO ZOL_LOG(LogLevel::Info)
#define ZOL_LOG_WARN ZOL_LOG(LogLevel::Warn)
#define ZOL_LOG_ERROR ZOL_LOG(LogLevel::Error)
