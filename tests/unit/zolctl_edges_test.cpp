// The small pieces behind zolctl's messages and forms: hardware-address texts, connect failures said in
// words and named as the fleet engine names them, verbose time stamps and --version.
#include "Arguments.h"
#include "ErrorKind.h"
#include "MacText.h"
#include "VerboseLog.h"

#include "ZOLConnection.h"
#include "ZOLVersion.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <regex>
#include <string>
#include <vector>

namespace {

using ZOLFleet::ErrorKind;

TEST(ZolctlMacText, TheThreeFormsGiveTwelveDigits) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"001122334455", "001122334455"},      {"00:11:22:33:44:55", "001122334455"},
        {"00-11-22-33-44-55", "001122334455"}, {"aa:BB:cc:DD:ee:FF", "aaBBccDDeeFF"},
        {"0A-0b-0C-0d-0E-0f", "0A0b0C0d0E0f"},
    };
    for (const auto& [text, digits] : rows) {
        EXPECT_EQ(zolctl::MacDigits(text), digits) << text;
    }
}

TEST(ZolctlMacText, OtherFormsAreRefused) {
    const std::vector<std::string> rows = {
        "",
        "00112233445",          // eleven digits
        "0011223344556",        // thirteen
        "00112233445G",         // not a hexadecimal digit
        "00:11-22:33-44:55",    // separators mixed
        "00-11-22-33-44:55",    // the last one differs
        "00.11.22.33.44.55",    // another separator
        "00 11 22 33 44 55",    // spaces
        "00:11:22:33:44",       // five groups
        "00:11:22:33:44:55:66", // seven
        "00:11:22:33:44:5G",
        "0:11:22:33:44:55:", // a group of one digit
        "001:12:23:34:45:5", // groups off by one
        "00::11:22:33:44:5", // a doubled separator
        "001122:334455",
        ":00:11:22:33:44:55",
    };
    for (const std::string& text : rows) {
        EXPECT_FALSE(zolctl::MacDigits(text).has_value()) << text;
    }
}

TEST(ZolctlMacText, WolTakesEachFormOnTheCommandLine) {
    for (const char* text : {"00:11:22:33:44:55", "00-11-22-33-44-55", "001122334455"}) {
        const zolctl::ParseResult parsed = zolctl::ParseArguments({"wol", text});
        ASSERT_EQ(parsed.status, zolctl::ParseStatus::Run) << text << ": " << parsed.text;
        EXPECT_EQ(parsed.request.mac, "001122334455") << text;
    }
    const zolctl::ParseResult mixed = zolctl::ParseArguments({"wol", "00:11-22:33-44:55"});
    EXPECT_EQ(mixed.status, zolctl::ParseStatus::Usage);
    EXPECT_NE(mixed.text.find("00:11-22:33-44:55"), std::string::npos) << mixed.text;
}

TEST(ZolctlErrorKind, ConnectFailuresInWordsAndByName) {
    zolctl::Target ethernet;
    ethernet.host = "127.0.0.1";
    zolctl::Target serial;
    serial.serial = "/dev/ttyUSB0";
    struct Row {
        const char* name;
        zolctl::Target target;
        zolctl::ConnectFailure failure;
        ErrorKind kind;
        const char* said;
    };
    const std::vector<Row> rows = {
        {"refused",
         ethernet,
         {.lastError = ECONNREFUSED},
         ErrorKind::Refused,
         "connection refused on 127.0.0.1 port 1515"},
        {"timed out",
         ethernet,
         {.lastError = ETIMEDOUT},
         ErrorKind::Unreachable,
         "no answer from 127.0.0.1 port 1515"},
        {"no route",
         ethernet,
         {.lastError = EHOSTUNREACH},
         ErrorKind::Unreachable,
         "127.0.0.1 port 1515 cannot be reached"},
        {"no descriptor",
         ethernet,
         {.lastError = EMFILE},
         ErrorKind::OutOfDescriptors,
         "no file descriptor left"},
        {"other socket error",
         ethernet,
         {.lastError = EACCES},
         ErrorKind::NoReply,
         "can not connect to 127.0.0.1 port 1515: Permission denied"},
        {"certificate",
         ethernet,
         {.connectStatus = ZOL_CONNECT_SECURE_FAILED,
          .certificateRejected = true,
          .statusText = "[Server Certificate]"},
         ErrorKind::TlsUntrusted,
         "zolctl trust add"},
        {"handshake",
         ethernet,
         {.connectStatus = ZOL_CONNECT_SECURE_FAILED, .statusText = "[Client Handshake]-2146893052"},
         ErrorKind::TlsUntrusted,
         "failed in the TLS handshake [Client Handshake]-2146893052"},
        {"PIN refused",
         ethernet,
         {.connectStatus = ZOL_CONNECT_SECURE_FAILED, .pinRefused = true},
         ErrorKind::TlsUntrusted,
         "refused the PIN"},
        {"PIN required",
         ethernet,
         {.connectStatus = ZOL_CONNECT_PIN_REQUIRED},
         ErrorKind::PinRequired,
         "give its PIN with --pin"},
        {"PIN not needed",
         ethernet,
         {.connectStatus = ZOL_CONNECT_PIN_NOT_REQUIRED},
         ErrorKind::PinNotNeeded,
         "leave out --pin"},
        {"bad address",
         ethernet,
         {.connectStatus = ZOL_CONNECT_INVALID_ADDRESS},
         ErrorKind::BadAddress,
         "is not an IPv4 or IPv6 address"},
        {"serial busy",
         serial,
         {.connectStatus = ZOL_CONNECT_PORT_FAILED, .lastError = EBUSY},
         ErrorKind::SerialOpenFailed,
         "/dev/ttyUSB0 cannot be opened: Device or resource busy"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(zolctl::ConnectErrorKind(row.failure), row.kind) << row.name;
        const std::string text = zolctl::DescribeConnectFailure(row.failure, row.target);
        EXPECT_NE(text.find(row.said), std::string::npos) << row.name << ": " << text;
        EXPECT_EQ(text.find("is the PIN right"), std::string::npos) << row.name << ": " << text;
    }
    zolctl::Target elsewhere = ethernet;
    elsewhere.port = 4000;
    EXPECT_EQ(zolctl::DescribeConnectFailure({.lastError = ECONNREFUSED}, elsewhere),
              "connection refused on 127.0.0.1 port 4000");
}

TEST(ZolctlErrorKind, NamesAreTheFleetEnginesNames) {
    const std::vector<std::pair<ErrorKind, const char*>> rows = {
        {ErrorKind::Refused, "refused"},
        {ErrorKind::Unreachable, "unreachable"},
        {ErrorKind::TlsUntrusted, "tls-untrusted"},
        {ErrorKind::PinRequired, "pin-required"},
        {ErrorKind::PinNotNeeded, "pin-not-needed"},
        {ErrorKind::BadAddress, "bad-address"},
        {ErrorKind::SerialOpenFailed, "serial-open-failed"},
        {ErrorKind::NoReply, "no-reply"},
        {ErrorKind::Nak, "nak"},
    };
    for (const auto& [kind, name] : rows) {
        EXPECT_EQ(zolctl::ErrorKindText(kind), name);
    }
}

TEST(ZolctlVerbose, StampsAreMillisecondsInFourPlaces) {
    const std::vector<std::pair<long long, std::string>> rows = {
        {0, "[   0 ms] "}, {12, "[  12 ms] "}, {9999, "[9999 ms] "}, {123456, "[123456 ms] "}};
    for (const auto& [ms, stamp] : rows) {
        EXPECT_EQ(zolctl::ElapsedStamp(ms), stamp);
    }
}

TEST(ZolctlVersion, VersionIsTheLibrarysAndNeedsNoCommand) {
    const std::string version = ZOLGetLibraryVersion();
    EXPECT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+)"))) << version;
    EXPECT_EQ(ZOLGetLibraryVersion(), ZOLGetLibraryVersion()) << "one static text";
    EXPECT_EQ(version, ZOL_VERSION_STRING) << "the loaded library is the one these headers came with";
    EXPECT_EQ(version, std::to_string(ZOL_VERSION_MAJOR) + "." + std::to_string(ZOL_VERSION_MINOR) + "." +
                           std::to_string(ZOL_VERSION_PATCH));
    const struct {
        int major, minor, patch;
        bool atLeast;
    } versions[] = {{ZOL_VERSION_MAJOR, ZOL_VERSION_MINOR, ZOL_VERSION_PATCH, true},
                    {ZOL_VERSION_MAJOR, ZOL_VERSION_MINOR, ZOL_VERSION_PATCH + 1, false},
                    {ZOL_VERSION_MAJOR, ZOL_VERSION_MINOR + 1, 0, false},
                    {ZOL_VERSION_MAJOR + 1, 0, 0, false},
                    {ZOL_VERSION_MAJOR - 1, 99, 99, ZOL_VERSION_MAJOR > 0}};
    for (const auto& v : versions) {
        EXPECT_EQ(ZOL_VERSION_AT_LEAST(v.major, v.minor, v.patch), v.atLeast)
            << v.major << "." << v.minor << "." << v.patch;
    }
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"--version"}, {"--json", "--version"}, {"--version", "status"}}) {
        const zolctl::ParseResult parsed = zolctl::ParseArguments(words);
        EXPECT_EQ(parsed.status, zolctl::ParseStatus::Help) << words.front();
        EXPECT_EQ(parsed.text, "zolctl " + version + "\n");
    }
}

TEST(ZolctlArguments, AParserUsedAgainGivesWhatAFreshOneGives) {
    // Lines that set many options come before lines that set none, so a value left over would show.
    const std::vector<std::vector<std::string>> lines{
        {"--host", "10.0.0.2", "--port", "1600", "--id", "7", "--framing", "2", "--relay-target", "3",
         "--pin", "0042", "--json", "-v", "exec", "0x10", "1", "2"},
        {"--host", "::1", "status"},
        {"--serial", "/dev/pts/3", "raw", "0"},
        {"ops", "--describe", "--markdown", "GetPower"},
        {"ops"},
        {"--host", "::1", "op", "GetPower", "extra"},
        {"--target", "@lobby", "--jsonl", "--stagger", "5", "status"},
        {"status"},
        {"--help"},
        {"exec", "--host", "x", "256"},
        {"wol", "00:11:22:33:44:55"},
        {"firmware", "image.bin", "--display", "/dev/ttyUSB0:3"},
        {"--host", "::1", "status"},
    };
    zolctl::ArgumentParser parser;
    for (const std::vector<std::string>& line : lines) {
        SCOPED_TRACE(testing::PrintToString(line));
        const zolctl::ParseResult again = parser.Parse(line);
        const zolctl::ParseResult fresh = zolctl::ParseArguments(line);
        EXPECT_EQ(again.status, fresh.status);
        // Help lists each option's exclusions in an order CLI11 takes from their addresses, so two
        // parsers may print them in different orders; every other text is the same.
        if (fresh.status != zolctl::ParseStatus::Help) {
            EXPECT_EQ(again.text, fresh.text);
        }
        const zolctl::Request& a = again.request;
        const zolctl::Request& f = fresh.request;
        EXPECT_EQ(a.command, f.command);
        EXPECT_EQ(a.target.host, f.target.host);
        EXPECT_EQ(a.target.serial, f.target.serial);
        EXPECT_EQ(a.target.port, f.target.port);
        EXPECT_EQ(a.target.id, f.target.id);
        EXPECT_EQ(a.target.pin, f.target.pin);
        EXPECT_EQ(a.target.framing, f.target.framing);
        EXPECT_EQ(a.target.relayTarget, f.target.relayTarget);
        EXPECT_EQ(a.json, f.json);
        EXPECT_EQ(a.verbose, f.verbose);
        EXPECT_EQ(a.code, f.code);
        EXPECT_EQ(a.data, f.data);
        EXPECT_EQ(a.operation, f.operation);
        EXPECT_EQ(a.operationArguments, f.operationArguments);
        EXPECT_EQ(a.describe, f.describe);
        EXPECT_EQ(a.markdown, f.markdown);
        EXPECT_EQ(a.describeName, f.describeName);
        EXPECT_EQ(a.mac, f.mac);
        EXPECT_EQ(a.selectors, f.selectors);
        EXPECT_EQ(a.jsonLines, f.jsonLines);
        EXPECT_EQ(a.staggerMs, f.staggerMs);
        EXPECT_EQ(a.portGiven, f.portGiven);
        EXPECT_EQ(a.pinOnCommandLine, f.pinOnCommandLine);
        EXPECT_EQ(a.firmwareFile, f.firmwareFile);
        EXPECT_EQ(a.firmwareDisplays.size(), f.firmwareDisplays.size());
    }
}

} // namespace
