#include "fleet/DescriptorBudget.h"

#include "Logger.h"

#include <algorithm>
#include <filesystem>
#include <sys/resource.h>

namespace zol::fleet {

namespace {

std::size_t OpenDescriptors() {
    std::error_code error;
    std::size_t count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error))
        ++count;
    return count;
}

} // namespace

std::size_t PrepareDescriptors(std::size_t wanted, std::size_t requested) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return requested > 0 ? requested : 1;
    const std::size_t open = OpenDescriptors();
    const std::size_t needed =
        open + std::min(wanted, requested > 0 ? requested : wanted) + kDescriptorReserve;
    if (limit.rlim_cur != RLIM_INFINITY && needed > limit.rlim_cur && limit.rlim_cur < limit.rlim_max) {
        const rlim_t raised = limit.rlim_max == RLIM_INFINITY ? static_cast<rlim_t>(needed)
                                                              : std::min<rlim_t>(limit.rlim_max, needed);
        rlimit wider = limit;
        wider.rlim_cur = raised;
        if (::setrlimit(RLIMIT_NOFILE, &wider) == 0) {
            ZOL_LOG_INFO << "Descriptor limit raised from " << limit.rlim_cur << " to " << raised;
            limit.rlim_cur = raised;
        }
    }
    if (requested > 0)
        return requested;
    const std::size_t soft = limit.rlim_cur == RLIM_INFINITY ? open + wanted + kDescriptorReserve
                                                             : static_cast<std::size_t>(limit.rlim_cur);
    const std::size_t room = soft > open + kDescriptorReserve ? soft - open - kDescriptorReserve : 1;
    if (room < wanted) {
        ZOL_LOG_WARN << "Descriptor limit " << soft << " allows " << room << " of " << wanted
                     << " connections at once";
    }
    return std::max<std::size_t>(room, 1);
}

} // namespace zol::fleet
