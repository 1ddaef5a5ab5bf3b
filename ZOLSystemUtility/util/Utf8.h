#pragma once

#include <string>

namespace zol::util {

// UTF-8 encoding of a wide text (one code point per wide character). Throws std::range_error for a
// surrogate or a value above 0x10FFFF, which no UTF-8 text can carry.
std::string EncodeUtf8(const std::wstring& text);

} // namespace zol::util
