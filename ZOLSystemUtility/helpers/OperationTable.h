#pragma once

// Every extended-helper operation whose arguments are plain numbers, by name: its argument kinds, what its
// result means, and an invoker that parses the in-arguments from texts, calls the operation and collects
// the out-arguments. zolctl's "op" and "ops" and the wire tests are driven from it.

#include "CommunicationHelperExtended.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zol::helpers {

enum class ArgKind { Int, Byte, IntOut, ByteOut };

// Status: nonzero is success. AckCode: 1 ACK, 2 NAK, 0 no reply. Value: a plain number, never a failure.
// Nothing: the operation returns nothing.
enum class ResultKind { Status, AckCode, Value, Nothing };

struct OperationResult {
    int result = 0;
    std::vector<int> outs; // the out-arguments, in argument order
};

struct Operation {
    std::string_view name;
    std::vector<ArgKind> args;
    ResultKind result;
    // In-arguments in order as decimal or 0x-hexadecimal texts; empty result and *error on a bad argument.
    std::function<std::optional<OperationResult>(ICommunicationHelperExtended& helper,
                                                 const std::vector<std::string>& inArgs, std::string* error)>
        invoke;

    std::size_t InCount() const;
};

// In interface order.
const std::vector<Operation>& Operations();
const Operation* FindOperation(std::string_view name);

std::string_view ArgKindName(ArgKind kind);       // "int", "byte", "int*", "byte*"
std::string_view ResultKindName(ResultKind kind); // "status", "ack", "value", "nothing"

} // namespace zol::helpers
