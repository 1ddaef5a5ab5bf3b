// UTF-8 in both directions: what a file name typed on the command line becomes as a wide text and back.
#include "util/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zol::util::DecodeUtf8;
using zol::util::EncodeUtf8;

TEST(Utf8, DecodesEveryLengthAndEncodesItBack) {
    const std::vector<std::pair<std::string, std::wstring>> rows = {
        {"", L""},
        {"plain.txt", L"plain.txt"},
        {"\x7F", L"\u007F"},
        {"\xC2\x80", L"\u0080"},
        {"caf\xC3\xA9.txt", L"caf\u00E9.txt"},
        {"\xDF\xBF", L"\u07FF"},
        {"\xE0\xA0\x80", L"\u0800"},
        {"\xE2\x82\xAC", L"\u20AC"},
        {"\xEF\xBF\xBF", L"\uFFFF"},
        {"\xF0\x90\x80\x80", L"\U00010000"},
        {"\xF4\x8F\xBF\xBF", L"\U0010FFFF"},
        {"/tmp/\xE6\x97\xA5\xE6\x9C\xAC/fw-\xC3\xA9.bin", L"/tmp/\u65E5\u672C/fw-\u00E9.bin"},
    };
    for (const auto& [bytes, wide] : rows) {
        const auto decoded = DecodeUtf8(bytes);
        ASSERT_TRUE(decoded.has_value()) << bytes;
        EXPECT_EQ(*decoded, wide) << bytes;
        EXPECT_EQ(EncodeUtf8(*decoded), bytes);
    }
}

TEST(Utf8, RefusesWhatIsNotUtf8) {
    const std::vector<std::pair<const char*, std::string>> rows = {
        {"lone continuation byte", "a\x80"},
        {"Latin-1 byte", "caf\xE9"},
        {"sequence cut short", "\xE2\x82"},
        {"lead byte at the end", "abc\xC3"},
        {"continuation replaced by ASCII", "\xC3("},
        {"overlong two bytes", "\xC0\xAF"},
        {"overlong three bytes", "\xE0\x80\xAF"},
        {"overlong four bytes", "\xF0\x80\x80\xAF"},
        {"surrogate", "\xED\xA0\x80"},
        {"above the last code point", "\xF4\x90\x80\x80"},
        {"five-byte lead", "\xF8\x88\x80\x80\x80"},
        {"0xFF", "\xFF"},
    };
    for (const auto& [what, bytes] : rows) {
        EXPECT_FALSE(DecodeUtf8(bytes).has_value()) << what;
    }
}

} // namespace
