#pragma once

// Numbers as a person types them on the command line: decimal, or hexadecimal with a 0x prefix.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zolctl {

// "12", "-1", "0x1F", "0X1f". Nothing for an empty text, stray characters, a bare "0x" or a value
// outside [minimum, maximum].
std::optional<long long> ParseNumber(std::string_view text, long long minimum, long long maximum);

// Lowercase hexadecimal digits, two per byte, no separators ("aaff01").
std::string HexText(const unsigned char* bytes, std::size_t length);

} // namespace zolctl
