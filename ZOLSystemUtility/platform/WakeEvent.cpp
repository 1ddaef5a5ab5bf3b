#include "platform/WakeEvent.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace zol::platform {

WakeEvent::WakeEvent() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeEvent::~WakeEvent() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void WakeEvent::Signal() {
    const std::uint64_t one = 1;
    if (m_fd >= 0)
        (void)!::write(m_fd, &one, sizeof one);
}

void WakeEvent::Clear() {
    std::uint64_t count = 0;
    if (m_fd >= 0)
        (void)!::read(m_fd, &count, sizeof count);
}

} // namespace zol::platform
