#include "OpenFiles.h"

#include "zolsim/FleetSimulator.h"

#include <algorithm>
#include <dirent.h>
#include <sys/resource.h>

namespace zolsim {

namespace {

std::size_t AsCount(rlim_t value) {
    return value == RLIM_INFINITY ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(value);
}

} // namespace

OpenFileLimit CurrentOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return {};
    }
    return {AsCount(limit.rlim_cur), AsCount(limit.rlim_max)};
}

std::size_t RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    return CurrentOpenFileLimit().soft;
}

std::size_t OpenDescriptorCount() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        return 0;
    }
    // Bounded by the descriptors the process may hold; ".", ".." and the directory's own are not counted.
    const std::size_t bound = std::min<std::size_t>(CurrentOpenFileLimit().soft, std::size_t{1} << 24) + 3;
    std::size_t count = 0;
    for (std::size_t entries = 0; entries < bound; ++entries) {
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            break;
        }
        if (entry->d_name[0] != '.') {
            ++count;
        }
    }
    ::closedir(dir);
    return count > 0 ? count - 1 : 0;
}

} // namespace zolsim
