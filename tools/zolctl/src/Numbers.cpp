#include "Numbers.h"

#include <limits>

namespace zolctl {

namespace {

std::optional<int> DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    if (value < 0 || value >= base) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<long long> ParseNumber(std::string_view text, long long minimum, long long maximum) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Accumulate as a magnitude and stop before it cannot fit. The test comes before the step: after it,
    // a step past 64 bits would already have wrapped ("18446744073709551617" would read as 1).
    constexpr unsigned long long kLimit =
        static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    const auto radix = static_cast<unsigned long long>(base);
    unsigned long long magnitude = 0;
    for (const char c : text) {
        const std::optional<int> digit = DigitValue(c, base);
        if (!digit) {
            return std::nullopt;
        }
        const auto value = static_cast<unsigned long long>(*digit);
        if (magnitude > (kLimit - value) / radix) {
            return std::nullopt;
        }
        magnitude = magnitude * radix + value;
    }
    const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (value < minimum || value > maximum) {
        return std::nullopt;
    }
    return value;
}

std::string HexText(const unsigned char* bytes, std::size_t length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

} // namespace zolctl
