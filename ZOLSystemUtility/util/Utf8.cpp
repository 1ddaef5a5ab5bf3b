#include "util/Utf8.h"

#include <cstddef>
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

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the sequence a lead byte opens, with the smallest value that length may carry (a
// smaller one is an overlong form); 0 for a byte that opens none.
struct Lead {
    std::size_t length;
    std::uint32_t value;
    std::uint32_t minimum;
};

Lead ReadLead(unsigned char byte) {
    if (byte < 0x80) {
        return {1, byte, 0};
    }
    if ((byte & 0xE0) == 0xC0) {
        return {2, byte & 0x1Fu, 0x80};
    }
    if ((byte & 0xF0) == 0xE0) {
        return {3, byte & 0x0Fu, 0x800};
    }
    if ((byte & 0xF8) == 0xF0) {
        return {4, byte & 0x07u, 0x10000};
    }
    return {0, 0, 0};
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

std::optional<std::wstring> DecodeUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const Lead lead = ReadLead(static_cast<unsigned char>(text[at]));
        if (lead.length == 0 || at + lead.length > text.size()) {
            return std::nullopt;
        }
        std::uint32_t cp = lead.value;
        for (std::size_t i = 1; i < lead.length; ++i) {
            const auto byte = static_cast<unsigned char>(text[at + i]);
            if (!IsContinuation(byte)) {
                return std::nullopt;
            }
            cp = (cp << 6) | (byte & 0x3Fu);
        }
        if (cp < lead.minimum || cp > kMaxCodePoint || (cp >= kSurrogateFirst && cp <= kSurrogateLast)) {
            return std::nullopt;
        }
        out.push_back(static_cast<wchar_t>(cp));
        at += lead.length;
    }
    return out;
}

} // namespace zol::util
