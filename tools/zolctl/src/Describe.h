#pragma once

// `ops --describe`: every operation with its commands, the request bytes it sends for example
// arguments, the record values its replies store and its result kind, captured by running it against a
// simulated display held in memory; and the reference document docs/operations.md made of the same.

#include "Arguments.h"
#include "Outcome.h"

#include <string>
#include <vector>

namespace zolctl {

Outcome DescribeOperations(const Request& request);

// The text of docs/operations.md.
std::string OperationsMarkdown();

// What the API reference says of one operation, made of the same description: a one-line summary (the
// commands it sends and its result kind) and the details (its arguments, the request bytes for the
// example arguments and what the replies store), both as documentation text.
struct OperationLine {
    std::string name;
    std::string brief;
    std::string details;
};

// One line per operation of the table, in table order.
std::vector<OperationLine> OperationLines();

} // namespace zolctl
