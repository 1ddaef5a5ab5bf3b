// Operation arguments and option numbers as a person types them: the operation table's reader of each
// argument kind, and zolctl's numbers (decimal or 0x-hexadecimal) for options and bytes.
//
// Input: two bytes choosing the operation, one choosing its in-argument, then the argument's text.
// Invariants: a number is taken exactly when it is written as documented (decimal with an optional '-',
// or 0x and hexadecimal digits) and lies within the argument's limits, and it is taken as that value; a
// real number is taken only when written in decimal, fraction and exponent allowed; bytes are pairs of
// hexadecimal digits; lists hold one value per comma-separated piece; a refusal always says why.

#include "FuzzSupport.h"

#include "Numbers.h"
#include "helpers/OperationArguments.h"
#include "helpers/OperationTable.h"

#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using zol::helpers::ArgKind;

bool IsDigit(char c, bool hexadecimal) {
    return (c >= '0' && c <= '9') || (hexadecimal && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

// A whole number as the documentation writes it, with its value when that fits a long long.
struct Whole {
    bool fits = true;
    long long value = 0;
};

// "-12", "0x1F"; with `negativeHex` also "-0x1F" (zolctl's options take that, the table's numbers not).
std::optional<Whole> ReadWhole(std::string_view text, bool negativeHex) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const bool hexadecimal = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hexadecimal) {
        if (negative && !negativeHex)
            return std::nullopt;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    Whole whole;
    const unsigned long long base = hexadecimal ? 16 : 10;
    unsigned long long magnitude = 0;
    for (const char c : text) {
        if (!IsDigit(c, hexadecimal))
            return std::nullopt;
        const auto digit = static_cast<unsigned long long>(DigitValue(c));
        if (magnitude > (ULLONG_MAX - digit) / base)
            whole.fits = false;
        else
            magnitude = magnitude * base + digit;
    }
    whole.fits = whole.fits && magnitude <= static_cast<unsigned long long>(LLONG_MAX);
    whole.value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return whole;
}

// A decimal real: optional '-', digits with an optional fraction (or a fraction alone), optional exponent.
bool IsDecimalReal(std::string_view text) {
    std::size_t at = 0;
    auto digits = [&] {
        const std::size_t from = at;
        while (at < text.size() && IsDigit(text[at], false))
            ++at;
        return at - from;
    };
    if (at < text.size() && text[at] == '-')
        ++at;
    std::size_t mantissa = digits();
    if (at < text.size() && text[at] == '.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '-' || text[at] == '+'))
            ++at;
        if (digits() == 0)
            return false;
    }
    return at == text.size();
}

std::vector<std::string_view> Pieces(std::string_view text) {
    std::vector<std::string_view> pieces;
    if (text.empty())
        return pieces;
    for (std::size_t from = 0;;) {
        const std::size_t comma = text.find(',', from);
        pieces.push_back(text.substr(from, comma == std::string_view::npos ? comma : comma - from));
        if (comma == std::string_view::npos)
            return pieces;
        from = comma + 1;
    }
}

bool WholeWithin(std::string_view text, const zol::helpers::ArgLimit& limit) {
    const std::optional<Whole> whole = ReadWhole(text, false);
    return whole && whole->fits && whole->value >= limit.min && whole->value <= limit.max;
}

void CheckTableArgument(const zol::helpers::Operation& operation, std::size_t index,
                        const std::string& text) {
    const ArgKind kind = operation.args[index];
    const zol::helpers::ArgLimit& limit = operation.limits[index];
    zol::helpers::ArgValue value;
    std::string error;
    const bool taken = zol::helpers::ReadArgument(operation.name, 1, kind, limit, text, value, &error);
    if (!taken) {
        ZOL_FUZZ_CHECK(error.find(operation.name) != std::string::npos);
        ZOL_FUZZ_CHECK(!(limit.optional && text.empty()));
    }
    if (limit.optional && text.empty()) {
        ZOL_FUZZ_CHECK(taken && !value.given);
        return;
    }
    const std::vector<std::string_view> pieces = Pieces(text);
    const bool countHolds = limit.count == 0;
    switch (kind) {
    case ArgKind::Int:
    case ArgKind::Byte:
        ZOL_FUZZ_CHECK(taken == WholeWithin(text, limit));
        if (taken)
            ZOL_FUZZ_CHECK(value.number == ReadWhole(text, false)->value);
        break;
    case ArgKind::Double:
        if (taken)
            ZOL_FUZZ_CHECK(IsDecimalReal(text) && std::isfinite(value.real));
        // Short plain decimals are never out of range.
        if (IsDecimalReal(text) && text.size() <= 12 && text.find_first_of("eE") == std::string::npos)
            ZOL_FUZZ_CHECK(taken);
        break;
    case ArgKind::Text:
        ZOL_FUZZ_CHECK(taken && value.text == text);
        break;
    case ArgKind::Bytes: {
        bool pairs = text.size() % 2 == 0;
        for (const char c : text)
            pairs = pairs && IsDigit(c, true);
        ZOL_FUZZ_CHECK(taken == (pairs && (countHolds || text.size() / 2 == limit.count)));
        if (taken)
            ZOL_FUZZ_CHECK(value.bytes.size() == text.size() / 2);
        break;
    }
    case ArgKind::Ints: {
        bool all = countHolds || pieces.size() == limit.count;
        for (const std::string_view piece : pieces)
            all = all && WholeWithin(piece, limit);
        ZOL_FUZZ_CHECK(taken == all);
        if (taken) {
            ZOL_FUZZ_CHECK(value.ints.size() == pieces.size());
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                const auto low = static_cast<unsigned int>(ReadWhole(pieces[i], false)->value & 0xFFFFFFFF);
                ZOL_FUZZ_CHECK(value.ints[i] == static_cast<int>(low));
            }
        }
        break;
    }
    case ArgKind::Doubles:
        if (taken) {
            ZOL_FUZZ_CHECK(value.doubles.size() == pieces.size());
            for (const std::string_view piece : pieces)
                ZOL_FUZZ_CHECK(IsDecimalReal(piece));
        }
        break;
    case ArgKind::Texts:
        ZOL_FUZZ_CHECK(taken == (countHolds || pieces.size() == limit.count));
        if (taken)
            ZOL_FUZZ_CHECK(value.texts.size() == pieces.size());
        break;
    default:
        ZOL_FUZZ_CHECK(!taken);
    }
}

void CheckOptionNumber(const std::string& text) {
    const std::optional<Whole> whole = ReadWhole(text, true);
    const std::optional<long long> any = zolctl::ParseNumber(text, LLONG_MIN, LLONG_MAX);
    ZOL_FUZZ_CHECK(any.has_value() == (whole && whole->fits));
    if (any)
        ZOL_FUZZ_CHECK(*any == whole->value);
    // The ranges the options use: a byte, a port.
    const std::optional<long long> byte = zolctl::ParseNumber(text, 0, 255);
    ZOL_FUZZ_CHECK(byte.has_value() == (any && *any >= 0 && *any <= 255));
    const std::optional<long long> port = zolctl::ParseNumber(text, 1, 65535);
    ZOL_FUZZ_CHECK(port.has_value() == (any && *any >= 1 && *any <= 65535));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zol::fuzz::Input input(data, size);
    const std::size_t which = input.Byte() * 256u + input.Byte();
    const std::size_t argument = input.Byte();
    const zol::fuzz::Bytes rest = input.Rest();
    const std::string text(rest.begin(), rest.end());

    CheckOptionNumber(text);

    const std::vector<zol::helpers::Operation>& operations = zol::helpers::Operations();
    const zol::helpers::Operation& operation = operations[which % operations.size()];
    std::vector<std::size_t> ins;
    for (std::size_t i = 0; i < operation.args.size(); ++i) {
        if (!zol::helpers::IsOut(operation.args[i]))
            ins.push_back(i);
    }
    if (!ins.empty())
        CheckTableArgument(operation, ins[argument % ins.size()], text);
    return 0;
}
