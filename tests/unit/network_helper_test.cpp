// IP address texts.
#include "ZOLNetworkHelper.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using N = CZOLNetworkHelper;
using Bytes = std::vector<unsigned char>;

TEST(NetworkHelper, ClassifiesAddressTexts) {
    const std::vector<std::pair<std::string, ZOLIPType>> rows = {
        {"localhost", ZOL_IP_NONE},
        {"10.0.0.1", ZOL_IP_V4},
        {"::1", ZOL_IP_V6},
        {"", ZOL_IP_NONE},
        {"1.2.3", ZOL_IP_NONE},
        {"256.1.1.1", ZOL_IP_NONE},
        {"10.0.0.1 ", ZOL_IP_NONE},
        {std::string("10.0.0.1\0junk", 13), ZOL_IP_NONE},
        {"fe80::1%eth0", ZOL_IP_NONE},
        {"::ffff:192.168.0.1", ZOL_IP_V6},
        {"1:2:3:4:5:6:7:8:9", ZOL_IP_NONE},
    };
    for (const auto& [text, type] : rows) {
        EXPECT_EQ(N::GetIPType(text), type) << '"' << text << '"';
    }
}

TEST(NetworkHelper, WritesAddressTextsFromOctets) {
    const Bytes v4 = {0xC0, 0xA8, 0x00, 0x0A};
    Bytes v6(16, 0x00);
    v6[0] = 0xFE;
    v6[1] = 0x80;
    v6[15] = 0x01;
    EXPECT_EQ(N::GetIPStringFromOctets(v4.data(), 4), L"192.168.0.10");
    EXPECT_EQ(N::GetIPStringFromOctets(v6.data(), 16), L"fe80:0000:0000:0000:0000:0000:0000:0001");
    for (const int count : {0, 6, -4, 17}) {
        EXPECT_EQ(N::GetIPStringFromOctets(v6.data(), count), L"") << count;
    }
    EXPECT_EQ(N::GetIPStringFromOctets(nullptr, 4), L"");
}

TEST(NetworkHelper, ReadsOctetsFromAddressTexts) {
    const std::vector<std::pair<std::wstring, Bytes>> rows = {
        {L"192.168.0.10", {0xC0, 0xA8, 0x00, 0x0A}},
        {L"1:2:3:4:5:6:7:8", {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8}},
        {L"fe80:0000:0000:0000:0000:0000:0000:0001", {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        // "::" compression is expanded: the groups after it land at the end.
        {L"::1", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        {L"::", Bytes(16, 0)},
        {L"fe80::1:2", {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2}},
        {L"2001:db8::", {0x20, 0x01, 0x0D, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {L"::ffff:192.168.0.1", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xC0, 0xA8, 0x00, 0x01}},
        {L"localhost", {}},
        {L"1.2.3.4.5", {}},
        {std::wstring(L"10.0.0.1") + static_cast<wchar_t>(0xD800), {}}, // no Unicode text: no address
    };
    for (const auto& [text, octets] : rows) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        EXPECT_EQ(N::GetOctetsFromIPString(text), octets);
    }
}

} // namespace
