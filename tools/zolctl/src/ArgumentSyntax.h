#pragma once

// How each kind of operation argument is written on the command line, and `op NAME --help`.

#include <string>
#include <string_view>

namespace zolctl {

// One line per argument kind: its name and its syntax, for --help and the reference document.
std::string ArgumentSyntaxText();

// The help of one operation: its arguments with their kinds, limits and notes, what it gives back and
// the syntax of its arguments. An unknown name says so.
std::string OperationHelp(std::string_view name);

} // namespace zolctl
