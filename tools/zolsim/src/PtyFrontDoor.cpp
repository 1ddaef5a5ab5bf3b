#include "PtyFrontDoor.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace zolsim {

namespace {

struct SpeedRow {
    speed_t code;
    unsigned baud;
};

const SpeedRow kSpeeds[] = {
    {B1200, 1200},     {B2400, 2400},     {B4800, 4800},     {B9600, 9600},
    {B19200, 19200},   {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
    {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

} // namespace

PtyFrontDoor::PtyFrontDoor(Core& core, bool baudPacing) : m_core(core), m_pacing(baudPacing) {}

PtyFrontDoor::~PtyFrontDoor() {
    HangUp();
}

bool PtyFrontDoor::OpenLine(std::string& error) {
    io::UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master.Valid() || ::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[256] = {};
    if (::ptsname_r(master.Get(), name, sizeof name) != 0) {
        error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    io::UniqueFd slave(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave.Valid()) {
        error = std::string("cannot open ") + name + ": " + std::strerror(errno);
        return false;
    }
    // Raw line at 9600 baud until the client sets its own speed.
    termios tio{};
    if (::tcgetattr(slave.Get(), &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        ::tcsetattr(slave.Get(), TCSANOW, &tio);
    }
    io::SetNonBlocking(master.Get());
    io::UniqueFd watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!watch.Valid() || ::inotify_add_watch(watch.Get(), name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        error = std::string("cannot watch ") + name + ": " + std::strerror(errno);
        return false;
    }
    {
        // The new path is known before the old line drops, so a client that sees the drop finds it.
        std::lock_guard guard(m_pathLock);
        m_path = name;
    }
    m_master = std::move(master);
    m_slaveHold = std::move(slave);
    m_closeWatch = std::move(watch);
    return true;
}

std::string PtyFrontDoor::Start(std::string& error) {
    if (!OpenLine(error)) {
        return {};
    }
    m_thread = std::thread([this] { Serve(); });
    return Path();
}

std::string PtyFrontDoor::Path() const {
    std::lock_guard guard(m_pathLock);
    return m_path;
}

void PtyFrontDoor::HangUp() {
    m_stop.Raise();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_master.Reset();
    m_slaveHold.Reset();
    m_closeWatch.Reset();
}

unsigned PtyFrontDoor::LineSpeed() const {
    termios tio{};
    if (::tcgetattr(m_master.Get(), &tio) != 0) {
        return 9600;
    }
    const speed_t speed = ::cfgetospeed(&tio);
    for (const SpeedRow& row : kSpeeds) {
        if (row.code == speed) {
            return row.baud;
        }
    }
    return 9600;
}

void PtyFrontDoor::Serve() {
    io::BlockSigpipeInThisThread();
    Session session;
    session.address = Path();
    unsigned char buffer[4096];
    for (;;) {
        const int fd = m_master.Get();
        pollfd pfds[3] = {{fd, POLLIN, 0}, {m_stop.Fd(), POLLIN, 0}, {m_closeWatch.Get(), POLLIN, 0}};
        if (::poll(pfds, 3, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((pfds[1].revents & POLLIN) != 0) {
            return;
        }
        if ((pfds[2].revents & POLLIN) != 0) {
            alignas(inotify_event) char events[4096];
            while (::read(m_closeWatch.Get(), events, sizeof events) > 0) {
            }
            ::ioctl(m_slaveHold.Get(), TIOCNXCL);
            session = Session{}; // the next client starts on a clean line
            session.address = Path();
        }
        if ((pfds[0].revents & (POLLERR | POLLNVAL)) != 0) {
            return;
        }
        if ((pfds[0].revents & POLLIN) == 0) {
            continue;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        session.lineBaud = LineSpeed();
        bool dropped = false;
        for (const Outgoing& reply : m_core.Process(session, buffer, static_cast<std::size_t>(n))) {
            const unsigned baud = m_pacing ? LineSpeed() : 0;
            const io::Writer write = [&](const unsigned char* data, std::size_t length) {
                return io::PacedWrite(fd, data, length, baud, m_stop.Fd());
            };
            if (!io::Deliver(reply, m_stop.Fd(), m_core, write) && reply.close) {
                // A serial line cannot be closed by the display: a Close fault answers nothing, and a
                // reply cut in the middle drops the line (as a pulled cable would).
                dropped = reply.splitAt > 0;
                break;
            }
        }
        if (dropped) {
            // Closing the master hangs up every client of the old line; the new one waits under its own path.
            std::string error;
            if (!OpenLine(error)) {
                return;
            }
            session = Session{};
            session.address = Path(); // requests on the new line are logged under its own path
        }
    }
}

} // namespace zolsim
