// IP address texts: the type of a text and its address bytes, and back.
//
// Input: a selector byte, then the text (narrow, or wide as four bytes per character).
// Invariants: a text is IPv4, IPv6 or neither, and its octets are 4, 16 or none to match; octets turned
// back into a text read as the same octets; a text with an embedded NUL or a character that is no Unicode
// is no address; nothing reads past the text.

#include "FuzzSupport.h"

#include "ZOLNetworkHelper.h"
#include "ZOLSystemHelper.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zol::fuzz::Input input(data, size);
    const unsigned char selector = input.Byte();
    const zol::fuzz::Bytes bytes = input.Rest();

    std::wstring wide;
    if (selector & 1) {
        for (std::size_t i = 0; i + 3 < bytes.size(); i += 4)
            wide.push_back(static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 |
                                                static_cast<std::uint32_t>(bytes[i + 3]) << 24));
    } else {
        wide = CZOLSystemHelper::StrToWStr(std::string(bytes.begin(), bytes.end()));
    }
    const std::string narrow(bytes.begin(), bytes.end());

    const ZOLIPType type = CZOLNetworkHelper::GetIPType(narrow);
    ZOL_FUZZ_CHECK(type == ZOL_IP_NONE || type == ZOL_IP_V4 || type == ZOL_IP_V6);
    if (narrow.find('\0') != std::string::npos)
        ZOL_FUZZ_CHECK(type == ZOL_IP_NONE);

    const std::vector<unsigned char> octets = CZOLNetworkHelper::GetOctetsFromIPString(wide);
    ZOL_FUZZ_CHECK(octets.empty() || octets.size() == 4 || octets.size() == 16);
    if (!(selector & 1))
        ZOL_FUZZ_CHECK(octets.size() == (type == ZOL_IP_V4 ? 4u : type == ZOL_IP_V6 ? 16u : 0u));
    if (!octets.empty()) {
        const std::wstring back =
            CZOLNetworkHelper::GetIPStringFromOctets(octets.data(), static_cast<int>(octets.size()));
        ZOL_FUZZ_CHECK(CZOLNetworkHelper::GetOctetsFromIPString(back) == octets);
    }
    // Counts other than 4 and 16 give no text.
    if (bytes.size() != 4 && bytes.size() != 16)
        ZOL_FUZZ_CHECK(
            CZOLNetworkHelper::GetIPStringFromOctets(bytes.data(), static_cast<int>(bytes.size())).empty());
    return 0;
}
