#include "helpers/OperationArguments.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace zol::helpers {

namespace {

constexpr long long kIntLowest = std::numeric_limits<int>::min();
constexpr long long kIntPattern = std::numeric_limits<unsigned int>::max();

// A whole text as a decimal or 0x-hexadecimal number (a leading '-' allowed for decimal). The digits after
// "0x" are digits only: from_chars would take a sign there too and read "0x-1F" as -31.
bool ParseWhole(std::string_view text, long long& out) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const bool hexadecimal = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hexadecimal) {
        first += 2;
    }
    if (first == last || *first == '+' || (hexadecimal && *first == '-')) {
        return false;
    }
    const auto [end, ec] = std::from_chars(first, last, out, hexadecimal ? 16 : 10);
    return ec == std::errc() && end == last;
}

// A whole text as a decimal number, fraction and exponent allowed: "0.5", "-2", "1e-3". from_chars reads
// exactly that (and the same way in every locale); strtod would also take leading white space of any
// kind and hexadecimal floats ("0x1p3"), which are not numbers a person types here.
bool ParseReal(std::string_view text, double& out) {
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, out, std::chars_format::general);
    return ec == std::errc() && end == last && std::isfinite(out);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool ParseHex(const std::string& text, std::vector<unsigned char>& out) {
    if (text.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        out.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    return true;
}

std::vector<std::string> SplitCommas(const std::string& text) {
    std::vector<std::string> parts;
    if (text.empty()) {
        return parts;
    }
    std::size_t from = 0;
    while (true) {
        const std::size_t comma = text.find(',', from);
        parts.push_back(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (comma == std::string::npos) {
            return parts;
        }
        from = comma + 1;
    }
}

std::string RangeText(const ArgLimit& limit) {
    return std::to_string(limit.min) + ".." + std::to_string(limit.max);
}

std::size_t ElementCount(ArgKind kind, const ArgValue& value) {
    switch (kind) {
    case ArgKind::Bytes:
        return value.bytes.size();
    case ArgKind::Ints:
        return value.ints.size();
    case ArgKind::Doubles:
        return value.doubles.size();
    case ArgKind::Texts:
        return value.texts.size();
    default:
        return 0;
    }
}

bool IsList(ArgKind kind) {
    return kind == ArgKind::Bytes || kind == ArgKind::Ints || kind == ArgKind::Doubles ||
           kind == ArgKind::Texts;
}

} // namespace

ArgLimit DefaultLimit(ArgKind kind) {
    switch (kind) {
    case ArgKind::Byte:
        return {0, 255};
    case ArgKind::Int:
    case ArgKind::Ints:
        return {kIntLowest, kIntPattern};
    default:
        return {};
    }
}

bool ReadArgument(std::string_view operation, std::size_t position, ArgKind kind, const ArgLimit& limit,
                  const std::string& text, ArgValue& out, std::string* error) {
    const auto fail = [&](const std::string& what) {
        if (error != nullptr) {
            *error = std::string(operation) + " argument " + std::to_string(position) + " (" +
                     std::string(ArgKindName(kind)) + ") " + what + ", not \"" + text + "\"";
        }
        return false;
    };
    out = ArgValue{};
    if (limit.optional && text.empty()) {
        out.given = false;
        return true;
    }
    switch (kind) {
    case ArgKind::Int:
    case ArgKind::Byte:
        if (!ParseWhole(text, out.number) || out.number < limit.min || out.number > limit.max) {
            return fail("must be a number in " + RangeText(limit) + " (decimal or 0x hexadecimal)");
        }
        return true;
    case ArgKind::Double:
        if (!ParseReal(text, out.real)) {
            return fail("must be a decimal number");
        }
        return true;
    case ArgKind::Text:
        out.text = text;
        return true;
    case ArgKind::Bytes:
        if (!ParseHex(text, out.bytes)) {
            return fail("must be hexadecimal digits, two per byte, without separators");
        }
        break;
    case ArgKind::Ints:
        for (const std::string& part : SplitCommas(text)) {
            long long number = 0;
            if (!ParseWhole(part, number) || number < limit.min || number > limit.max) {
                return fail("must be numbers in " + RangeText(limit) + " separated by commas");
            }
            out.ints.push_back(static_cast<int>(static_cast<unsigned int>(number & 0xFFFFFFFF)));
        }
        break;
    case ArgKind::Doubles:
        for (const std::string& part : SplitCommas(text)) {
            double real = 0;
            if (!ParseReal(part, real)) {
                return fail("must be decimal numbers separated by commas");
            }
            out.doubles.push_back(real);
        }
        break;
    case ArgKind::Texts:
        out.texts = SplitCommas(text);
        break;
    default:
        return fail("is an out-argument and is not given");
    }
    if (IsList(kind) && limit.count != 0 && ElementCount(kind, out) != limit.count) {
        return fail("must hold exactly " + std::to_string(limit.count) + " values");
    }
    return true;
}

std::string CountMessage(const Operation& operation, std::size_t given) {
    std::string shape;
    for (const ArgKind kind : operation.args) {
        if (!IsOut(kind)) {
            shape += std::string(shape.empty() ? "" : " ") + std::string(ArgKindName(kind));
        }
    }
    return std::string(operation.name) + " takes " + std::to_string(operation.InCount()) + " argument(s)" +
           (shape.empty() ? "" : ": " + shape) + ", " + std::to_string(given) + " given";
}

Operation MakeOperation(std::string_view name, std::vector<ArgKind> args, ResultKind result,
                        std::vector<ArgLimit> limits, std::vector<std::string_view> notes, ListCall call) {
    Operation op{name, std::move(args), result, {}, std::move(notes), {}};
    op.notes.resize(op.args.size());
    limits.resize(op.args.size());
    for (std::size_t i = 0; i < op.args.size(); ++i) {
        if (limits[i].min == 0 && limits[i].max == 0) {
            const ArgLimit fallback = DefaultLimit(op.args[i]);
            limits[i].min = fallback.min;
            limits[i].max = fallback.max;
        }
    }
    op.limits = limits;
    const std::vector<ArgKind> kinds = op.args;
    op.invoke = [name, kinds, limits, call = std::move(call), count = op.InCount()](
                    ICommunicationHelperExtended& helper, const std::vector<std::string>& in,
                    std::string* error) -> std::optional<OperationResult> {
        if (in.size() != count) {
            if (error != nullptr) {
                *error = std::string(name) + " takes " + std::to_string(count) + " argument(s), " +
                         std::to_string(in.size()) + " given";
            }
            return std::nullopt;
        }
        std::vector<ArgValue> values;
        std::size_t next = 0;
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            if (IsOut(kinds[i])) {
                continue;
            }
            ArgValue value;
            if (!ReadArgument(name, next + 1, kinds[i], limits[i], in[next], value, error)) {
                return std::nullopt;
            }
            values.push_back(std::move(value));
            ++next;
        }
        return call(helper, values, error);
    };
    return op;
}

} // namespace zol::helpers
