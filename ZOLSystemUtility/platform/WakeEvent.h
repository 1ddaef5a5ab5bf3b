#pragma once

// A signal one thread raises to end another thread's poll(2) at once.

namespace zol::platform {

class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    bool IsValid() const { return m_fd >= 0; }
    // The descriptor to poll for POLLIN.
    int Fd() const { return m_fd; }
    void Signal();
    void Clear();

private:
    int m_fd = -1;
};

} // namespace zol::platform
