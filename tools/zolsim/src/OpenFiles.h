// How many descriptors this process may open and has open: a fleet needs one per listening address.
#pragma once

#include <cstddef>

namespace zolsim {

// The soft limit on open descriptors (RLIMIT_NOFILE) and its hard ceiling.
struct OpenFileLimit {
    std::size_t soft = 0;
    std::size_t hard = 0;
};
OpenFileLimit CurrentOpenFileLimit();

// Descriptors open in this process now (counted in /proc/self/fd).
std::size_t OpenDescriptorCount();

} // namespace zolsim
