#include "util/Utf8.h"

#include <cstdint>
#include <stdexcept>

namespace zol::util {
namespace {

constexpr std::uint32_t kMaxCodePoint = 0x10FFFF;
constexpr std::uint32_t kSurrogateFirst = 0xD800;
constexpr std::uint32_t kSurrogateLast = 0xDFFF;

void Append(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(static_cast<unsigned char>(value)));
}

} // namespace

std::string EncodeUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (const wchar_t character : text) {
        // A negative wide character becomes a value far above the last code point and is refused.
        const auto cp = static_cast<std::uint32_t>(static_cast<std::int32_t>(character));
        if (cp > kMaxCodePoint || (cp >= kSurrogateFirst && cp <= kSurrogateLast)) {
            throw std::range_error("wide text holds a value that is no Unicode code point");
        }
        if (cp < 0x80) {
            Append(out, cp);
        } else if (cp < 0x800) {
            Append(out, 0xC0 | (cp >> 6));
            Append(out, 0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            Append(out, 0xE0 | (cp >> 12));
            Append(out, 0x80 | ((cp >> 6) & 0x3F));
            Append(out, 0x80 | (cp & 0x3F));
        } else {
            Append(out, 0xF0 | (cp >> 18));
            Append(out, 0x80 | ((cp >> 12) & 0x3F));
            Append(out, 0x80 | ((cp >> 6) & 0x3F));
            Append(out, 0x80 | (cp & 0x3F));
        }
    }
    return out;
}

} // namespace zol::util
