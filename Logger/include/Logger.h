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

/// A line's level, lowest first; Off is above every level and turns logging off.
enum class LogLevel : int { Debug = 0, Info = 1, Warn = 2, Error = 3, Off = 4 };

/// One written line, as the sink receives it.
struct LogRecord {
    LogLevel level;        ///< the line's level
    const char* file;      ///< source file name, without its folders
    int line;              ///< source line
    const char* signature; ///< the function's full signature
    const char* function;  ///< the function's name
    std::string message;   ///< the texts and numbers streamed after WriteFlags
};

/// The logger: a level and a sink; see the file description.
class LOGGER_API CLogger {
public:
    /// Receives every written line.
    using Sink = std::function<void(const LogRecord&)>;

    /// One line under construction; written to the sink when it goes out of scope.
    class LOGGER_API Line {
    public:
        /// A line of `owner` at `level`, from the given source place.
        Line(CLogger& owner, LogLevel level, const char* file, int line, const char* signature,
             const char* function);
        Line(const Line&) = delete;
        Line& operator=(const Line&) = delete;
        /// Takes over the other line, which then writes nothing.
        Line(Line&& other) noexcept;
        Line& operator=(Line&&) = delete;
        ~Line();

        /// Appends the text.
        Line& operator<<(const char* text);
        /// Appends the text.
        Line& operator<<(const std::string& text) { return *this << std::string_view(text); }
        Line& operator<<(std::string_view text); ///< Appends the text.
        Line& operator<<(const wchar_t* text);   ///< Appends the wide text.
        /// Appends the wide text.
        Line& operator<<(const std::wstring& text) { return *this << text.c_str(); }
        Line& operator<<(char c);     ///< Appends the character.
        Line& operator<<(bool value); ///< Appends the value.
        /// Numbers are formatted inside the logger library, so no formatting code is instantiated in
        /// (and exported from) the libraries that log.
        Line& operator<<(signed char value);
        Line& operator<<(unsigned char value);      ///< Appends the number.
        Line& operator<<(short value);              ///< Appends the number.
        Line& operator<<(unsigned short value);     ///< Appends the number.
        Line& operator<<(int value);                ///< Appends the number.
        Line& operator<<(unsigned value);           ///< Appends the number.
        Line& operator<<(long value);               ///< Appends the number.
        Line& operator<<(unsigned long value);      ///< Appends the number.
        Line& operator<<(long long value);          ///< Appends the number.
        Line& operator<<(unsigned long long value); ///< Appends the number.
        Line& operator<<(double value);             ///< Appends the number.
        Line& operator<<(const void* pointer);      ///< Appends the address.

    private:
        CLogger* owner_;
        LogRecord record_;
        std::string text_;
    };

    /// A logger at the level ZOL_LOG asks for, writing to stderr.
    CLogger();

    /// Starts a line at `level` from the given source place.
    Line WriteFlags(const char* file, int line, const char* signature, const char* function,
                    LogLevel level = LogLevel::Info);

    /// Lines below `level` are dropped.
    void SetLevel(LogLevel level);
    /// The level set last.
    LogLevel GetLevel() const;
    /// Whether a line at `level` is written (never for Off).
    bool IsEnabled(LogLevel level) const;

    /// Replaces the sink; an empty function restores the default (stderr).
    void SetSink(Sink sink);

    /// Parses "debug", "info", "warn", "error", "off" (any case); unknown text gives Off.
    static LogLevel LevelFromText(std::string_view text);
    /// The level ZOL_LOG's value asks for; null (not set) gives Off. A value that names no level gives Off
    /// too and, when `warning` is given, a line there for the user that names the accepted values.
    static LogLevel LevelFromEnvironment(const char* value, std::string* warning);
    /// "DEBUG", "INFO", ...: the level's name as the default sink writes it.
    static const char* LevelText(LogLevel level);

private:
    void Emit(const LogRecord& record);

    mutable std::mutex mutex_;
    LogLevel level_;
    Sink sink_;
};

/// The logger every ZOL_LOG line goes to.
// NOLINTNEXTLINE: the host's logger has this name.
extern LOGGER_API CLogger __logger;

/// A line at `level`, or nothing (not even formatted) when the logger's level is above it.
#define ZOL_LOG(level)                                                                                       \
    if (!__logger.IsEnabled(level)) {                                                                        \
    } else                                                                                                   \
        __logger.WriteFlags(__FILE__, __LINE__, __PRETTY_FUNCTION__, __func__, level)

#define ZOL_LOG_DEBUG ZOL_LOG(LogLevel::Debug) ///< A debug line.
#define ZOL_LOG_INFO ZOL_LOG(LogLevel::Info)   ///< An info line.
#define ZOL_LOG_WARN ZOL_LOG(LogLevel::Warn)   ///< A warning line.
#define ZOL_LOG_ERROR ZOL_LOG(LogLevel::Error) ///< An error line.
