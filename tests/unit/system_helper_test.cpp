// The system helper's conversions and tables.
#include "ZOLSystemHelper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using H = CZOLSystemHelper;

TEST(SystemHelper, EncodesUtf8AtEveryLengthBoundary) {
    const std::vector<std::pair<std::wstring, std::string>> rows = {
        {L"", ""},
        {std::wstring(1, L'\0'), std::string(1, '\0')},
        {L"\u007F", "\x7F"},
        {L"\u0080", "\xC2\x80"},
        {L"\u07FF", "\xDF\xBF"},
        {L"\u0800", "\xE0\xA0\x80"},
        {L"\uFFFF", "\xEF\xBF\xBF"},
        {L"\U00010000", "\xF0\x90\x80\x80"},
        {L"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        {L"a\u00E9\u20AC\U0001F600z", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"},
    };
    for (const auto& [wide, utf8] : rows) {
        EXPECT_EQ(H::WStr2Str(wide), utf8);
    }
    // Narrow texts widen byte by byte, without decoding: a two-byte letter becomes two characters.
    EXPECT_EQ(H::StrToWStr("\xC3\xA9"), (std::wstring{wchar_t{0xC3}, wchar_t{0xA9}}));
}

TEST(SystemHelper, RefusesWhatIsNoCodePoint) {
    for (const wchar_t bad : {static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0xDFFF),
                              static_cast<wchar_t>(0x110000), static_cast<wchar_t>(-1)}) {
        SCOPED_TRACE(static_cast<long>(bad));
        EXPECT_THROW(H::WStr2Str(std::wstring(L"ok") + bad), std::range_error);
    }
}

TEST(SystemHelper, PacksTwoByteValuesHighByteFirst) {
    unsigned char high = 0;
    unsigned char low = 0;
    H::GetByteFromInt(0x12345, high, low); // bits above 15 are dropped
    EXPECT_EQ(high, 0x23);
    EXPECT_EQ(low, 0x45);
    EXPECT_EQ(H::GetIntFromByte(0x12, 0x34), 0x1234);
    EXPECT_EQ(H::GetIntFromByte(1, 2, 3), 0x010203);
}

TEST(SystemHelper, TurnsBytesIntoText) {
    const unsigned char mixed[] = {0x41, 0x00, 0x42, 0x0A, 0x7E, 0x7F, 0x20, 0xFF};
    EXPECT_EQ(H::ConvertByteToAsciiString(mixed, 6), "AB~");
    EXPECT_EQ(H::ConvertByteToAsciiWString(mixed, 6), L"AB~");
    const unsigned char hex[] = {0x0A, 0xFF, 0x00, 0x9C};
    EXPECT_EQ(H::ConvertByteToHexString(hex, 2), L"0aff");
    EXPECT_EQ(H::ConvertByteToHexString(hex, 4), L"0aff009c");
    // Nothing to read gives an empty text, never a read through a bad pointer.
    EXPECT_EQ(H::ConvertByteToAsciiString(mixed, -4), "");
    EXPECT_EQ(H::ConvertByteToAsciiWString(nullptr, 4), L"");
    EXPECT_EQ(H::ConvertByteToHexString(nullptr, 4), L"");
}

TEST(SystemHelper, ReadsHexTextsOfAtMostTwoCharacters) {
    const std::vector<std::pair<std::string, unsigned int>> rows = {
        {"1f", 31}, {"1F", 31}, {"ff", 255}, {"f", 15},
        {"00", 0},  {"", 0},    {"100", 0}, // three characters or more
        {"1g", 1},                          // reading stops at the first non-digit
        {"g1", 0},  {"-1", 0},  {" f", 0},   {"0x", 0},
    };
    for (const auto& [text, value] : rows) {
        EXPECT_EQ(H::HexStrToInt(text), value) << '"' << text << '"';
    }
}

TEST(SystemHelper, ReadsDisplayIdRanges) {
    const int asConstructed = SetIdRange().m_nLastId;
    const std::vector<std::pair<std::string, std::vector<std::pair<int, int>>>> rows = {
        {"1:5;7:7;;x:3", {{1, 5}, {7, 7}, {0, 0}, {0, 3}}},
        {"", {}},
        {"3", {{3, asConstructed}}},
        {"3:", {{3, asConstructed}}},
        {":4", {{0, 4}}},
        {";", {{0, 0}}},
        {"1:2;", {{1, 2}}},
        {"-1:2", {{0, 2}}},
        {"1:2:3", {{1, 0}}},
        {"2147483647:2147483648", {{2147483647, 0}}},
        {"99999999999999999999:1", {{0, 1}}},
    };
    for (const auto& [text, expected] : rows) {
        SCOPED_TRACE(text);
        const auto ranges = H::GetAlivedIdRangeFromDataString(text);
        ASSERT_EQ(ranges.size(), expected.size());
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            EXPECT_EQ(ranges[i].m_nFirstId, expected[i].first) << i;
            EXPECT_EQ(ranges[i].m_nLastId, expected[i].second) << i;
        }
    }
}

TEST(SystemHelper, TranslatesInputSourcesBothWays) {
    for (const int source : {0, 1, 2, 4, 5, 6}) {
        EXPECT_EQ(H::GetSourceEnum(H::GetSourceHex(source)), source);
    }
    EXPECT_EQ(H::GetSourceEnum(H::GetSourceHex(3)), 2); // sources 2 and 3 share a code
    EXPECT_EQ(H::GetSourceEnum(0x22), 2);
    EXPECT_EQ(H::GetSourceHex(9), 9); // unknown values pass unchanged
    EXPECT_EQ(H::GetSourceEnum(0x30), 0x30);
}

TEST(SystemHelper, NamesExactlyTheListedModelNumbers) {
    const std::vector<std::pair<int, int>> listed = {{1, 14},  {16, 16}, {19, 29},
                                                     {32, 77}, {79, 83}, {92, 93}};
    std::set<std::string> names;
    for (int n = 0; n <= 255; ++n) {
        const bool isListed =
            std::any_of(listed.begin(), listed.end(), [n](auto r) { return n >= r.first && n <= r.second; });
        const std::string name = H::GetStringFromModelNum(static_cast<unsigned char>(n));
        EXPECT_EQ(name != "UNKNOWN" && !name.empty(), isListed) << n;
        if (isListed) {
            names.insert(name);
        }
    }
    EXPECT_EQ(names.size(), 79u); // each of the 79 numbers has a name of its own
}

} // namespace
