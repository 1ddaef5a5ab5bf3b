#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zolctl {

// Runs zolctl with its command line; returns the process exit status
// (0 success, 1 failure reported by the library, 2 usage error, 3 NAK).
int Run(int argc, char** argv);

// The same with the words after the program name, writing to the given streams (tests, the demo).
int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace zolctl
