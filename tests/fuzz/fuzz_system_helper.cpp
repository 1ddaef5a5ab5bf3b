// The system helper's text conversions a host feeds with texts from displays and files: display-ID
// ranges, two-digit hexadecimal, wide to narrow texts, bytes to printable and hexadecimal texts.
//
// Input: a selector byte, then the text or bytes.
// Invariants: ranges come one per ';' piece, with IDs that are never negative and are nonzero only when
// their part is plain decimal digits of that value (a part beginning with ':' or holding anything else
// reads as 0); HexStrToInt never exceeds 0xFF; a wide text converts to valid UTF-8, or is refused with
// std::range_error exactly when it holds a surrogate or a value past 0x10FFFF; byte texts keep only
// printable bytes and hexadecimal texts are two digits per byte.

#include "FuzzSupport.h"

#include "ZOLSystemHelper.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

// The value an ID part must read as: its decimal digits (leading zeros allowed) while they stay within
// 32 bits, else 0.
std::int32_t ExpectedId(std::string_view part) {
    if (part.empty() || part.find_first_not_of("0123456789") != std::string_view::npos)
        return 0;
    const std::size_t first = part.find_first_not_of('0');
    if (first == std::string_view::npos)
        return 0;
    const std::string_view significant = part.substr(first);
    if (significant.size() > 10)
        return 0;
    const long long value = std::stoll(std::string(significant));
    return value > INT32_MAX ? 0 : static_cast<std::int32_t>(value);
}

void CheckRanges(const std::string& text) {
    const std::vector<SetIdRange> ranges = CZOLSystemHelper::GetAlivedIdRangeFromDataString(text);
    std::size_t index = 0;
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t semicolon = rest.find(';');
        const std::string_view piece = rest.substr(0, semicolon);
        ZOL_FUZZ_CHECK(index < ranges.size());
        const SetIdRange& range = ranges[index++];
        ZOL_FUZZ_CHECK(range.m_nFirstId >= 0 && range.m_nLastId >= 0);
        const std::size_t colon = piece.find(':');
        ZOL_FUZZ_CHECK(range.m_nFirstId == ExpectedId(piece.substr(0, colon)));
        if (colon != std::string_view::npos)
            ZOL_FUZZ_CHECK(range.m_nLastId == ExpectedId(piece.substr(colon + 1)));
        else
            ZOL_FUZZ_CHECK(range.m_nLastId == 0);
        rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
    }
    ZOL_FUZZ_CHECK(index == ranges.size());
}

bool IsValidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = lead < 0x80                   ? 0
                            : lead >= 0xC2 && lead < 0xE0 ? 1
                            : lead >= 0xE0 && lead < 0xF0 ? 2
                            : lead >= 0xF0 && lead < 0xF5 ? 3
                                                          : 99;
        if (extra == 99 || i + extra >= text.size())
            return false;
        std::uint32_t value = extra == 0 ? lead : lead & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3F);
        }
        const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (value < least[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void CheckWide(const zol::fuzz::Bytes& bytes) {
    std::wstring wide;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        const std::uint32_t value = bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 |
                                    static_cast<std::uint32_t>(bytes[i + 3]) << 24;
        wide.push_back(static_cast<wchar_t>(value));
    }
    bool representable = true;
    for (const wchar_t c : wide) {
        const auto value = static_cast<std::uint32_t>(c);
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            representable = false;
    }
    try {
        const std::string narrow = CZOLSystemHelper::WStr2Str(wide);
        ZOL_FUZZ_CHECK(representable);
        ZOL_FUZZ_CHECK(IsValidUtf8(narrow));
        ZOL_FUZZ_CHECK(narrow.size() >= wide.size() && narrow.size() <= 4 * wide.size());
    } catch (const std::range_error&) {
        ZOL_FUZZ_CHECK(!representable);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zol::fuzz::Input input(data, size);
    const unsigned char selector = input.Byte();
    const zol::fuzz::Bytes bytes = input.Rest();
    const std::string text(bytes.begin(), bytes.end());
    switch (selector % 4) {
    case 0:
        CheckRanges(text);
        break;
    case 1:
        ZOL_FUZZ_CHECK(CZOLSystemHelper::HexStrToInt(text) <= 0xFF);
        if (text.size() > 2)
            ZOL_FUZZ_CHECK(CZOLSystemHelper::HexStrToInt(text) == 0);
        break;
    case 2:
        CheckWide(bytes);
        break;
    default: {
        const int count = static_cast<int>(bytes.size());
        const std::string ascii = CZOLSystemHelper::ConvertByteToAsciiString(bytes.data(), count);
        ZOL_FUZZ_CHECK(ascii.size() <= bytes.size());
        for (const char c : ascii)
            ZOL_FUZZ_CHECK(c >= 0x20 && c <= 0x7E);
        ZOL_FUZZ_CHECK(CZOLSystemHelper::ConvertByteToHexString(bytes.data(), count).size() ==
                       2 * bytes.size());
        ZOL_FUZZ_CHECK(CZOLSystemHelper::ConvertByteToAsciiString(bytes.data(), -count).empty());
        break;
    }
    }
    return 0;
}
