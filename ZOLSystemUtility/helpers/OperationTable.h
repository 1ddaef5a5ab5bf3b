#pragma once

// Every extended-helper operation that takes no data record, by name: its argument kinds, what its result
// means, and an invoker that reads the in-arguments from texts, calls the operation and collects the
// out-arguments. zolctl's "op" and "ops", the fleet engine's Command::Operation and the wire tests are
// driven from it.
//
// One text syntax per argument kind:
//   int         decimal ("-3") or 0x-hexadecimal ("0x1F"); any 32-bit pattern, signed or not, unless the
//               operation sends only its low byte: then 0..255 (the range shows in the argument's note)
//   byte        0..255, decimal or 0x-hexadecimal
//   double      a decimal number, fraction and exponent allowed ("0.5", "-2", "1e-3")
//   text        the word itself, taken as it is ("10.0.0.2", "/tmp/file.txt")
//   bytes       hexadecimal digits, two per byte, no separators ("0a0b0c"); the empty word is no bytes.
//               A pointer and its length travel as one bytes argument.
//   ints        numbers separated by commas ("1,0x20,-3"); the empty word is an empty list
//   doubles     decimal numbers separated by commas ("1,0.5,0")
//   texts       words separated by commas ("10.0.0.1,10.0.0.2")
// An argument whose note says "or empty" is left out (a null pointer) when given as the empty word. Out-
// arguments are never given; their kinds end in '*'.

#include "CommunicationHelperExtended.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace zol::helpers {

enum class ArgKind {
    Int,
    Byte,
    IntOut,
    ByteOut,
    Double,
    Text,
    Bytes,
    Ints,
    Doubles,
    Texts,
    TextOut,
    IntsOut,
    DoublesOut,
    RangesOut, // display-ID ranges, each its first and last ID
};

// What an in-argument may hold beyond its kind: a number's range, a list's exact length (0: any), and
// whether the empty word leaves it out.
struct ArgLimit {
    long long min = 0;
    long long max = 0;
    std::size_t count = 0;
    bool optional = false;
};

// Status: nonzero is success. AckCode: 1 ACK, 2 NAK, 0 no reply. Value: a plain number, never a failure.
// Nothing: the operation returns nothing.
enum class ResultKind { Status, AckCode, Value, Nothing };

// One out-value as the operation left it.
using OutValue =
    std::variant<int, std::string, std::vector<int>, std::vector<double>, std::vector<std::pair<int, int>>>;

struct OperationResult {
    int result = 0;
    std::vector<int> outs;        // the number out-arguments (int*, byte*), in argument order
    std::vector<OutValue> values; // every out-argument, lists and texts included, in argument order
};

struct Operation {
    std::string_view name;
    std::vector<ArgKind> args;
    ResultKind result;
    // In-arguments in order as texts of their kinds; empty result and *error on a bad argument.
    std::function<std::optional<OperationResult>(ICommunicationHelperExtended& helper,
                                                 const std::vector<std::string>& inArgs, std::string* error)>
        invoke;
    // Per argument, what it holds when its kind alone does not say it ("0..255: only the low byte is
    // sent", "9 values"); empty otherwise.
    std::vector<std::string_view> notes;
    std::vector<ArgLimit> limits; // per argument

    std::size_t InCount() const;
};

// In interface order.
const std::vector<Operation>& Operations();
const Operation* FindOperation(std::string_view name);

std::string_view ArgKindName(ArgKind kind);       // "int", "byte", "int*", "bytes", "ints*", ...
std::string_view ResultKindName(ResultKind kind); // "status", "ack", "value", "nothing"
bool IsOut(ArgKind kind);

} // namespace zol::helpers
