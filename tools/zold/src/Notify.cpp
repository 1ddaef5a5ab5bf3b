#include "Notify.h"

#include <systemd/sd-daemon.h>

#include <string>
#include <time.h>

namespace zold {

void NotifyReady() {
    sd_notify(0, "READY=1");
}

void NotifyReloading() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    constexpr long long kMicrosPerSecond = 1000000;
    constexpr long long kNanosPerMicro = 1000;
    const long long micros =
        static_cast<long long>(now.tv_sec) * kMicrosPerSecond + now.tv_nsec / kNanosPerMicro;
    const std::string message = "RELOADING=1\nMONOTONIC_USEC=" + std::to_string(micros);
    sd_notify(0, message.c_str());
}

void NotifyStopping() {
    sd_notify(0, "STOPPING=1");
}

void NotifyStatus(const char* text) {
    const std::string message = std::string("STATUS=") + text;
    sd_notify(0, message.c_str());
}

} // namespace zold
