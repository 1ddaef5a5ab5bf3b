#include "transport/SerialConnection.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <unistd.h>

#include "Logger.h"
#include "platform/SerialPort.h"
#include "transport/ConnectionEvents.h"
#include "transport/SerialFrameAssembly.h"

namespace {

// A burst that has not formed a valid frame is given up after the line has been quiet this long.
constexpr int kBurstSilenceMs = 20;
// Receive's time-out when the caller passes 0.
constexpr int kDefaultReceiveMs = 200;
// A write waits at most this long for room in the output queue.
constexpr int kWriteWaitMs = 2000;

} // namespace

CZOLSerialConnection::~CZOLSerialConnection() {
    std::lock_guard guard(m_portLock);
    ClosePort();
}

void CZOLSerialConnection::StopReader() {
    if (!m_reader.joinable())
        return;
    m_stopReader.Signal();
    m_reader.join();
    m_stopReader.Clear();
}

void CZOLSerialConnection::ClosePort() {
    // The reader leaves before the descriptor it polls is closed.
    StopReader();
    const int fd = m_fd.exchange(-1);
    if (fd >= 0) {
        zol::platform::PurgeLine(fd);
        zol::platform::CloseSerial(fd);
    }
}

bool CZOLSerialConnection::Connect(int* connectStatus) {
    namespace ev = zol::events;
    m_nLastError.store(0);
    if (connectStatus != nullptr)
        *connectStatus = ZOL_CONNECT_OPENED;

    std::unique_lock guard(m_portLock);
    const std::string name = m_strPortName;
    auto fail = [&](int error, bool openFailed) {
        m_nLastError.store(static_cast<std::uint32_t>(error));
        if (openFailed && connectStatus != nullptr)
            *connectStatus = ZOL_CONNECT_PORT_FAILED;
        guard.unlock();
        ev::Notify(m_pEventSink.load(), name, ZOL_LINK_SERIAL, ZOL_EVENT_FAILURE, ev::kSerialOpenFailed);
        return false;
    };
    if (m_fd.load() >= 0) {
        ZOL_LOG_INFO << "Serial port " << name << " is already open";
        return fail(EBUSY, true);
    }
    if (!m_stopReader.IsValid())
        return fail(EMFILE, false);

    const std::string path = zol::platform::SerialDevicePath(name);
    int error = 0;
    const int fd = zol::platform::OpenSerialExclusive(path, &error);
    if (fd < 0) {
        ZOL_LOG_INFO << "Can not open serial port " << path << ": error " << error;
        return fail(error, true);
    }
    error = zol::platform::PrepareRawLine(fd);
    if (error == 0)
        error = zol::platform::ApplyLineSettings(fd, m_nBaudRate.load(), m_nByteSize.load(),
                                                 m_nStopBits.load(), m_nParity.load());
    if (error != 0) {
        ZOL_LOG_INFO << "Can not configure serial port " << path << ": error " << error;
        zol::platform::CloseSerial(fd);
        return fail(error, false);
    }
    zol::platform::PurgeLine(fd);

    // A reader stopped by Close is gone; a new one starts for the reopened port.
    StopReader();
    {
        std::lock_guard replyGuard(m_lock);
        m_bReady = false;
        m_bHungUp = false;
        m_nReplyLength = 0;
    }
    m_fd.store(fd);
    try {
        m_reader = std::thread([this, fd] { ReaderLoop(fd); });
    } catch (const std::system_error& failure) {
        m_fd.store(-1);
        zol::platform::CloseSerial(fd);
        return fail(failure.code().value(), false);
    }
    m_bConnected.store(true);
    guard.unlock();
    ev::Notify(m_pEventSink.load(), name, ZOL_LINK_SERIAL, ZOL_EVENT_CONNECTED, ev::kSerialConnected);
    return true;
}

void CZOLSerialConnection::Publish(const unsigned char* frame, std::size_t length) {
    ZOL_LOG_DEBUG << "Receive " << zol::HexText(frame, length);
    {
        std::lock_guard guard(m_lock);
        m_reply.fill(0);
        std::memcpy(m_reply.data(), frame, length);
        m_nReplyLength = static_cast<std::uint32_t>(length);
        m_bReady = true;
    }
    m_replyChanged.notify_all();
}

void CZOLSerialConnection::ReaderLoop(int fd) {
    zol::SerialFrameAssembly assembly(
        [this](const unsigned char* frame, std::size_t length) { Publish(frame, length); });
    for (;;) {
        pollfd waits[2] = {{fd, POLLIN, 0}, {m_stopReader.Fd(), POLLIN, 0}};
        // An idle line costs nothing: without a burst in progress the wait has no end but the next byte.
        const int ready = ::poll(waits, 2, assembly.InBurst() ? kBurstSilenceMs : -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (waits[1].revents != 0)
            return;
        if (ready == 0) {
            assembly.Silence(); // the line fell silent in the middle of a burst
            continue;
        }
        if ((waits[0].revents & POLLIN) == 0) {
            // Hung up (the other end went away): stop polling rather than spin on it.
            break;
        }
        const std::span<unsigned char> room = assembly.Room();
        const ssize_t got = ::read(fd, room.data(), room.size());
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (got <= 0)
            break;
        assembly.Received(static_cast<std::size_t>(got));
    }
    ZOL_LOG_INFO << "Serial port " << m_strPortName << " hung up";
    {
        std::lock_guard guard(m_lock);
        m_bHungUp = true;
    }
    m_replyChanged.notify_all();
}

int CZOLSerialConnection::Send(const unsigned char* data, int length) {
    if (data == nullptr || length <= 0) {
        ZOL_LOG_WARN << "Send: nothing to send (length " << length << ")";
        return 0;
    }
    {
        // A reply that came before this request and was never received is not its answer.
        std::lock_guard guard(m_lock);
        m_bReady = false;
        m_nReplyLength = 0;
    }
    const auto size = static_cast<std::size_t>(length);
    std::size_t written = 0;
    const int fd = m_fd.load();
    if (!m_bConnected.load() || fd < 0) {
        m_nLastError.store(zol::platform::kErrorPortNotOpen);
    } else {
        ZOL_LOG_DEBUG << "Send " << zol::HexText(data, size);
        int error = 0;
        written = zol::platform::WriteSerial(fd, data, size, kWriteWaitMs, &error);
        if (written < size)
            m_nLastError.store(static_cast<std::uint32_t>(error));
    }
    if (m_bNotify.load())
        zol::events::Notify(m_pEventSink.load(), m_strPortName, ZOL_LINK_SERIAL, ZOL_EVENT_DATA_SENT,
                            zol::events::kSerialDataSent, data, size);
    return written < size ? 0 : static_cast<int>(written);
}

unsigned char* CZOLSerialConnection::Receive(int* length, int timeoutMs) {
    if (length == nullptr) {
        ZOL_LOG_WARN << "Receive: no length out-parameter";
        return nullptr;
    }
    const int wait = timeoutMs <= 0 ? kDefaultReceiveMs : timeoutMs;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait);

    std::unique_lock guard(m_lock);
    for (;;) {
        m_replyChanged.wait_until(guard, deadline, [this] { return m_bReady || m_bHungUp; });
        if (m_bReady) {
            m_bReady = false;
            const std::size_t have = m_nReplyLength;
            const bool complete = zol::IsValidPacket(m_reply.data(), m_reply.size()) ||
                                  zol::AcceptAtTimeout(m_reply.data(), have, m_reply.size());
            if (complete && have > 0) {
                auto* copy = static_cast<unsigned char*>(std::calloc(m_reply.size(), 1));
                if (copy == nullptr)
                    return nullptr;
                std::memcpy(copy, m_reply.data(), have);
                m_reply.fill(0);
                m_nReplyLength = 0;
                *length = static_cast<int>(have);
                return copy;
            }
            continue;
        }
        // Hung up, or nothing came in time.
        return nullptr;
    }
}

void CZOLSerialConnection::Close() {
    {
        std::lock_guard guard(m_portLock);
        ClosePort();
    }
    zol::events::Notify(m_pEventSink.load(), m_strPortName, ZOL_LINK_SERIAL, ZOL_EVENT_DISCONNECTED,
                        zol::events::kSerialDisconnected);
}

void CZOLSerialConnection::ReleaseResources() {
    std::lock_guard guard(m_portLock);
    ClosePort();
    m_bConnected.store(false);
}

std::uint32_t CZOLSerialConnection::SetLinkParameter(std::uint32_t baudRate) {
    m_nBaudRate.store(baudRate);
    return SetPortSettings(baudRate, m_nByteSize.load(), m_nStopBits.load(), m_nParity.load());
}

std::uint32_t CZOLSerialConnection::SetPortSettings(std::uint32_t baudRate, std::uint8_t byteSize,
                                                    std::uint8_t stopBits, std::uint8_t parity) {
    m_nLastError.store(0);
    std::lock_guard guard(m_portLock);
    const int fd = m_fd.load();
    if (fd < 0) {
        m_nLastError.store(zol::platform::kErrorPortNotOpen);
        return zol::platform::kErrorPortNotOpen;
    }
    const int error = zol::platform::ApplyLineSettings(fd, baudRate, byteSize, stopBits, parity);
    if (error != 0) {
        ZOL_LOG_INFO << "Can not apply settings to serial port " << m_strPortName << ": error " << error;
        m_nLastError.store(static_cast<std::uint32_t>(error));
        return static_cast<std::uint32_t>(error);
    }
    m_nBaudRate.store(baudRate);
    m_nByteSize.store(byteSize);
    m_nStopBits.store(stopBits);
    m_nParity.store(parity);
    return 0;
}
