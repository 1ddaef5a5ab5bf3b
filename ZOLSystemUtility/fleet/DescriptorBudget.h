#pragma once

// How many connections a run may hold open at once, and making room for them.

#include <cstddef>

namespace zol::fleet {

// Descriptors kept free for everything else the process does.
inline constexpr std::size_t kDescriptorReserve = 64;

// Raises the soft descriptor limit towards the hard one when `wanted` more connections would not fit,
// and returns how many may be in flight: `requested` when given, else what the limit leaves less the
// reserve (at least 1).
std::size_t PrepareDescriptors(std::size_t wanted, std::size_t requested);

} // namespace zol::fleet
