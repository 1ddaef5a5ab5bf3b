#pragma once

// How each kind of operation argument is written on the command line, and `op NAME --help`.

#include <string>
#include <string_view>
#include <vector>

namespace zol::helpers {
struct Operation;
}

namespace zolctl {

// One in-argument of a table operation as help shows it: its word (ARG1, ARG2, ...), its kind and what
// it holds beyond its kind (a range, a count, "or the empty word for none"; empty when the kind says it).
struct InArgument {
    std::string word;
    std::string kind;
    std::string detail;
};

// The operation's in-arguments, in order; out-arguments are never given and are left out.
std::vector<InArgument> InArguments(const zol::helpers::Operation& op);

// One line per argument kind: its name and its syntax, for --help and the reference document.
std::string ArgumentSyntaxText();

// The help of one operation: its arguments with their kinds, limits and notes, what it gives back and
// the syntax of its arguments. An unknown name says so.
std::string OperationHelp(std::string_view name);

} // namespace zolctl
