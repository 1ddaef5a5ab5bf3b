#include "Logger.h"
#include "platform/Pause.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CapturedLog {
    std::vector<LogRecord> records;
    CapturedLog() {
        __logger.SetLevel(LogLevel::Debug);
        __logger.SetSink([this](const LogRecord& r) { records.push_back(r); });
    }
    ~CapturedLog() {
        __logger.SetSink({});
        __logger.SetLevel(LogLevel::Off);
    }
};

TEST(Logger, LineCarriesSourceAndStreamedValues) {
    CapturedLog log;
    ZOL_LOG_INFO << "Can not connect to " << std::string("127.0.0.1") << ' ' << 1515 << ' '
                 << static_cast<unsigned char>(7) << ' ' << true << ' ' << L"w\u00e9";
    ASSERT_EQ(log.records.size(), 1u);
    const LogRecord& r = log.records[0];
    EXPECT_EQ(r.message, "Can not connect to 127.0.0.1 1515 7 true w\xc3\xa9");
    EXPECT_STREQ(r.file, "logger_test.cpp");
    EXPECT_GT(r.line, 0);
    EXPECT_EQ(r.level, LogLevel::Info);
}

TEST(Logger, LevelsFilterWithoutFormatting) {
    CapturedLog log;
    __logger.SetLevel(LogLevel::Warn);
    int formatted = 0;
    auto count = [&formatted] {
        ++formatted;
        return 1;
    };
    ZOL_LOG_DEBUG << count();
    ZOL_LOG_INFO << count();
    ZOL_LOG_WARN << count();
    ZOL_LOG_ERROR << count();
    EXPECT_EQ(formatted, 2);
    EXPECT_EQ(log.records.size(), 2u);
}

TEST(Logger, LevelTexts) {
    struct Row {
        const char* text;
        LogLevel level;
    };
    const Row rows[] = {{"debug", LogLevel::Debug}, {"INFO", LogLevel::Info}, {"warn", LogLevel::Warn},
                        {"Error", LogLevel::Error}, {"off", LogLevel::Off},   {"loud", LogLevel::Off},
                        {"", LogLevel::Off}};
    for (const Row& row : rows) {
        EXPECT_EQ(CLogger::LevelFromText(row.text), row.level) << row.text;
    }
}

TEST(Logger, EnvironmentLevelWarnsAboutTextsThatNameNoLevel) {
    struct Row {
        const char* value;
        LogLevel level;
        bool warns;
    };
    const Row rows[] = {
        {nullptr, LogLevel::Off, false},    {"", LogLevel::Off, false},
        {"debug", LogLevel::Debug, false},  {"Warn", LogLevel::Warn, false},
        {"warning", LogLevel::Warn, false}, {"OFF", LogLevel::Off, false},
        {"bogus", LogLevel::Off, true},     {"debug ", LogLevel::Off, true},
        {"2", LogLevel::Off, true},
    };
    for (const Row& row : rows) {
        const std::string shown = row.value != nullptr ? row.value : "(unset)";
        std::string warning;
        EXPECT_EQ(CLogger::LevelFromEnvironment(row.value, &warning), row.level) << shown;
        EXPECT_EQ(!warning.empty(), row.warns) << shown << ": " << warning;
        if (row.warns) {
            EXPECT_NE(warning.find(row.value), std::string::npos) << "names the value given";
            EXPECT_NE(warning.find("debug, info, warn, error or off"), std::string::npos) << warning;
        }
    }
    EXPECT_EQ(CLogger::LevelFromEnvironment("bogus", nullptr), LogLevel::Off);
}

TEST(Pause, InstantPausesAreStillCounted) {
    const bool before = zol::platform::SetInstantPauses(true);
    const auto ms = zol::platform::PausedMsTotal();
    const auto count = zol::platform::PauseCount();
    const auto start = zol::platform::SteadyMs();
    zol::platform::Pause(5000);
    EXPECT_LT(zol::platform::SteadyMs() - start, 1000u);
    EXPECT_EQ(zol::platform::PausedMsTotal() - ms, 5000u);
    EXPECT_EQ(zol::platform::PauseCount() - count, 1u);
    zol::platform::SetInstantPauses(before);
}

TEST(Pause, RealPauseWaits) {
    const bool before = zol::platform::SetInstantPauses(false);
    const auto start = zol::platform::SteadyMs();
    zol::platform::Pause(30);
    EXPECT_GE(zol::platform::SteadyMs() - start, 29u);
    zol::platform::SetInstantPauses(before);
}

} // namespace
