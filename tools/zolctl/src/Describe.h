#pragma once

// `ops --describe`: every operation with its commands, the request bytes it sends for example
// arguments, the record values its replies store and its result kind, captured by running it against a
// simulated display held in memory; and the reference document docs/operations.md made of the same.

#include "Arguments.h"
#include "Outcome.h"

#include <string>

namespace zolctl {

Outcome DescribeOperations(const Request& request);

// The text of docs/operations.md.
std::string OperationsMarkdown();

} // namespace zolctl
