#include "ZOLSystemHelper.h"

#include "util/ModelNameTable.h"
#include "util/Utf8.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

namespace {

// Host input-source number -> the display's input-source code.
constexpr std::array<std::pair<int, int>, 7> kSourceCodes{{
    {0, 0x14},
    {1, 0x18},
    {2, 0x21},
    {3, 0x21},
    {4, 0x23},
    {5, 0x20},
    {6, 0x25},
}};

// The display's input-source code -> host number. Sources 2 and 3 share a code, so 3 comes back as 2; the
// display may also report 0x22 for that source.
constexpr std::array<std::pair<int, int>, 7> kSourceNumbers{{
    {0x14, 0},
    {0x18, 1},
    {0x20, 5},
    {0x21, 2},
    {0x22, 2},
    {0x23, 4},
    {0x25, 6},
}};

int Translate(const auto& table, int value) {
    const auto row =
        std::find_if(table.begin(), table.end(), [value](const auto& r) { return r.first == value; });
    return row == table.end() ? value : row->second;
}

bool IsPrintable(unsigned char byte) {
    return byte >= 0x20 && byte <= 0x7E;
}

std::optional<unsigned int> HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned int>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<unsigned int>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<unsigned int>(c - 'A' + 10);
    }
    return std::nullopt;
}

// A display ID part: plain decimal digits that fit in 32 bits, else nothing.
std::optional<std::int32_t> ParseId(std::string_view part) {
    if (part.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char c : part) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(value);
}

SetIdRange ParseRange(std::string_view piece) {
    SetIdRange range;
    if (piece.empty()) {
        range.m_nFirstId = 0;
        range.m_nLastId = 0;
        return range;
    }
    const auto colon = piece.find(':');
    range.m_nFirstId = ParseId(piece.substr(0, colon)).value_or(0);
    if (colon != std::string_view::npos && colon + 1 < piece.size()) {
        range.m_nLastId = ParseId(piece.substr(colon + 1)).value_or(0);
    }
    return range;
}

} // namespace

CZOLSystemHelper& CZOLSystemHelper::operator=(const CZOLSystemHelper&) {
    return *this;
}

CZOLSystemHelper& CZOLSystemHelper::operator=(CZOLSystemHelper&&) noexcept {
    return *this;
}

std::string CZOLSystemHelper::WStr2Str(const std::wstring& text) {
    return zol::util::EncodeUtf8(text);
}

std::wstring CZOLSystemHelper::StrToWStr(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (const char c : text) {
        out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return out;
}

void CZOLSystemHelper::GetByteFromInt(int value, unsigned char& high, unsigned char& low) {
    low = static_cast<unsigned char>(value & 0xFF);
    high = static_cast<unsigned char>((value >> 8) & 0xFF);
}

int CZOLSystemHelper::GetIntFromByte(unsigned char high, unsigned char low) {
    return high * 256 + low;
}

int CZOLSystemHelper::GetIntFromByte(unsigned char high, unsigned char middle, unsigned char low) {
    return (high * 256 + middle) * 256 + low;
}

std::string CZOLSystemHelper::ConvertByteToAsciiString(const unsigned char* bytes, int count) {
    std::string out;
    if (bytes == nullptr || count <= 0) {
        return out;
    }
    std::copy_if(bytes, bytes + count, std::back_inserter(out), IsPrintable);
    return out;
}

std::wstring CZOLSystemHelper::ConvertByteToAsciiWString(const unsigned char* bytes, int count) {
    return StrToWStr(ConvertByteToAsciiString(bytes, count));
}

std::wstring CZOLSystemHelper::ConvertByteToHexString(const unsigned char* bytes, int count) {
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring out;
    if (bytes == nullptr || count <= 0) {
        return out;
    }
    out.reserve(static_cast<std::size_t>(count) * 2);
    for (int i = 0; i < count; ++i) {
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return out;
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): hosts call the exported signature by value
unsigned int CZOLSystemHelper::HexStrToInt(std::string text) {
    if (text.size() > 2) {
        return 0;
    }
    unsigned int value = 0;
    for (const char c : text) {
        const auto digit = HexDigit(c);
        if (!digit) {
            break;
        }
        value = value * 16 + *digit;
    }
    return value;
}

// NOLINTNEXTLINE(performance-unnecessary-value-param): hosts call the exported signature by value
std::vector<SetIdRange> CZOLSystemHelper::GetAlivedIdRangeFromDataString(std::string text) {
    std::vector<SetIdRange> ranges;
    std::string_view rest(text);
    while (!rest.empty()) {
        const auto semicolon = rest.find(';');
        ranges.push_back(ParseRange(rest.substr(0, semicolon)));
        rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
    }
    return ranges;
}

int CZOLSystemHelper::GetSourceHex(int source) {
    return Translate(kSourceCodes, source);
}

int CZOLSystemHelper::GetSourceEnum(int code) {
    return Translate(kSourceNumbers, code);
}

std::string CZOLSystemHelper::GetStringFromModelNum(unsigned char model) {
    const auto& table = zol::util::kModelNames;
    const auto row =
        std::find_if(table.begin(), table.end(), [model](const auto& r) { return r.number == model; });
    return row == table.end() ? std::string("UNKNOWN") : std::string(row->text);
}
