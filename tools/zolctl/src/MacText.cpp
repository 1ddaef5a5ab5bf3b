#include "MacText.h"

#include <cctype>

namespace zolctl {

namespace {

constexpr std::size_t kDigits = 12;
constexpr std::size_t kSeparatedLength = 17; // six groups of two digits and five separators

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

std::optional<std::string> MacDigits(const std::string& text) {
    if (text.size() == kDigits) {
        for (const char c : text) {
            if (!IsHexDigit(c)) {
                return std::nullopt;
            }
        }
        return text;
    }
    if (text.size() != kSeparatedLength || (text[2] != ':' && text[2] != '-')) {
        return std::nullopt;
    }
    const char separator = text[2];
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool separatorPlace = i % 3 == 2;
        if (separatorPlace ? text[i] != separator : !IsHexDigit(text[i])) {
            return std::nullopt;
        }
        if (!separatorPlace) {
            digits += text[i];
        }
    }
    return digits;
}

} // namespace zolctl
