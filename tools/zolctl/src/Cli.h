#pragma once

namespace zolctl {

// Runs zolctl with its command line; returns the process exit status
// (0 success, 1 failure reported by the library, 2 usage error, 3 NAK).
int Run(int argc, char** argv);

} // namespace zolctl
