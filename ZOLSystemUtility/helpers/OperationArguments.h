#pragma once

// How the operation table reads an in-argument from its text (the syntaxes are listed in
// OperationTable.h), shared by the plain operations and those that take lists, texts or bytes.

#include "helpers/OperationTable.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zol::helpers {

// The limit an argument of this kind has when nothing narrower is said.
ArgLimit DefaultLimit(ArgKind kind);

// An in-argument as read; only the member of its kind is filled. `given` is false for an optional one
// left out.
struct ArgValue {
    bool given = true;
    long long number = 0;
    double real = 0;
    std::string text;
    std::vector<unsigned char> bytes;
    std::vector<int> ints;
    std::vector<double> doubles;
    std::vector<std::string> texts;
};

// Reads argument `position` (1-based, for the message) of `operation`. False and *error naming the
// argument and what it takes when the text is not one of its kind or lies outside the limit.
bool ReadArgument(std::string_view operation, std::size_t position, ArgKind kind, const ArgLimit& limit,
                  const std::string& text, ArgValue& out, std::string* error);

// The message for a wrong number of in-arguments.
std::string CountMessage(const Operation& operation, std::size_t given);

// One of the operations that take lists, texts, bytes or arrays, by name (OperationTableLists.cpp); the
// table puts each at its place in interface order.
Operation ListOperation(std::string_view name);

// Builds an operation whose in-arguments are read by kind and limit before `call` sees them.
using ListCall = std::function<std::optional<OperationResult>(
    ICommunicationHelperExtended& helper, const std::vector<ArgValue>& in, std::string* error)>;
Operation MakeOperation(std::string_view name, std::vector<ArgKind> args, ResultKind result,
                        std::vector<ArgLimit> limits, std::vector<std::string_view> notes, ListCall call);

} // namespace zol::helpers
