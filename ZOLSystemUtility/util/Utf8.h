#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zol::util {

// UTF-8 encoding of a wide text (one code point per wide character). Throws std::range_error for a
// surrogate or a value above 0x10FFFF, which no UTF-8 text can carry.
std::string EncodeUtf8(const std::wstring& text);

// The wide text (one code point per wide character) that a UTF-8 text spells; EncodeUtf8 gives the
// bytes back. Nothing when the bytes are not UTF-8: a stray or missing continuation byte, an overlong
// form, a surrogate or a value above 0x10FFFF.
std::optional<std::wstring> DecodeUtf8(std::string_view text);

} // namespace zol::util
