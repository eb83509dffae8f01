// cnComm on a Linux tty: termios, poll(2), an advisory lock.
#include "cnComm.h"

#include "CustomBaud.h"

#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

speed_t BaudConstant(int baud)
{
    switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return 0;
    }
}

std::atomic<cnComm::OpenFunction> g_openFunction{nullptr};

int OpenDevice(const char* path, int flags)
{
    if (cnComm::OpenFunction open = g_openFunction.load()) return open(path, flags);
    return ::open(path, flags);
}

// A pseudo-terminal never keeps the parity-enable bit, and the C library
// reports a setting that changes nothing else as refused: reopening a pty at
// the parity it already has would fail. On a pty (no wire, so no parity to
// get wrong) the rest being in effect is enough.
bool PtyKeptAllButParity(int fd, const termios& wanted)
{
    struct stat st {};
    constexpr unsigned kFirstPtyMajor = 136;  // Unix98 pty slaves: majors 136..143
    constexpr unsigned kLastPtyMajor = 143;
    if (errno != EINVAL || fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || major(st.st_rdev) < kFirstPtyMajor ||
        major(st.st_rdev) > kLastPtyMajor)
        return false;
    termios now{};
    if (tcgetattr(fd, &now) != 0) return false;
    const tcflag_t kept = static_cast<tcflag_t>(~PARENB);
    return (now.c_cflag & kept) == (wanted.c_cflag & kept) && now.c_iflag == wanted.c_iflag &&
           cfgetospeed(&now) == cfgetospeed(&wanted);
}

// The errors of a descriptor whose device is gone (a hung-up tty fails
// every call with one of them).
bool DeviceGone(int error) { return error == EIO || error == ENXIO || error == ENODEV || error == EBADF; }

}  // namespace

void cnComm::SetOpenFunction(OpenFunction function) { g_openFunction = function; }

void cnComm::InitMembers()
{
    m_portName.clear();
    m_handle = -1;
    m_eventMask = kDefaultEventMask;
    m_notifyThreshold = 0;
}

void cnComm::FreeMembers() {}

bool cnComm::IsOpen() const { return m_handle.load() >= 0; }

bool cnComm::Open()
{
    if (IsOpen()) Close();
    m_lost = false;
    m_openError = PortOpenError{};
    m_openError.device = m_portName;
    if (m_portName.empty()) return Fail(ENOENT, PortOpenReason::NoDevice);

    int fd = OpenDevice(m_portName.c_str(), (m_readOnly ? O_RDONLY : O_RDWR) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return Fail(error, OpenReasonOf(error));
    }
    if (!isatty(fd)) {
        ::close(fd);
        return Fail(ENOTTY, PortOpenReason::NotSerial);
    }
    // Not shared: an advisory lock keeps out other processes (and our own
    // other handles); TIOCEXCL keeps out non-root openers that ignore locks.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return Fail(error, error == EWOULDBLOCK ? PortOpenReason::InUse : OpenReasonOf(error));
    }
    ioctl(fd, TIOCEXCL);
    m_handle = fd;
    m_readerWake.Clear();
    {
        std::lock_guard<std::mutex> g(m_statusLock);
        m_haveCounters = false;
    }

    if (!m_useWatchThread) return true;
    if (!m_watchThread.joinable()) {
        m_watchRunning = true;
        try {
            m_watchThread = std::thread([this] { WatchLoop(); });
            return true;
        } catch (...) {
            m_watchRunning = false;
        }
    }
    Close();
    return Fail(EAGAIN, PortOpenReason::Other);
}

bool cnComm::HungUp(short revents)
{
    // A hung-up tty also reports itself readable: the flags below, not
    // POLLIN, tell a lost line from waiting input.
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool cnComm::ConfigureQueues()
{
    if (!IsOpen()) return false;
    // Linux tty queues are sized by the driver, and reads and writes here are
    // non-blocking with the owner's own bounded waits: only the purge remains.
    return Purge(true, true);
}

void cnComm::WakeWatch() { m_watchWake.Set(); }

void cnComm::DrainWake() { m_watchWake.Clear(); }

void cnComm::Close()
{
    int fd = m_handle.load();
    if (fd < 0) return;
    tcflush(fd, TCOFLUSH);
    if (m_watchThread.joinable()) {
        m_watchRunning = false;
        WakeWatch();
        // The watch thread's wait is interruptible, so it ends at once;
        // joining cannot hang.
        m_watchThread.join();
        DrainWake();
    }
    m_handle = -1;
    flock(fd, LOCK_UN);
    ioctl(fd, TIOCNXCL);
    ::close(fd);
}

bool cnComm::ApplyMode(const char* modeText)
{
    int fd = Handle();
    LineSettings s;
    if (fd < 0 || !ParseMode(modeText, s)) return false;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8;
    if (s.parity != 'n') {
        tio.c_cflag |= PARENB;
        if (s.parity == 'o') tio.c_cflag |= PARODD;
        tio.c_iflag |= INPCK;
    }
    if (s.stopBits == 2) tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    speed_t sp = BaudConstant(s.baud);
    if (sp == 0) sp = B9600;  // placeholder; the real rate follows through termios2
    if (cfsetispeed(&tio, sp) != 0 || cfsetospeed(&tio, sp) != 0) return false;
    if (tcsetattr(fd, TCSANOW, &tio) != 0 && !PtyKeptAllButParity(fd, tio)) return false;
    return BaudConstant(s.baud) != 0 || SetCustomBaud(fd, s.baud);
}

bool cnComm::SetupQueues(uint32_t, uint32_t) { return IsOpen(); }

bool cnComm::Purge(bool input, bool output)
{
    int fd = Handle();
    if (fd < 0) return false;
    int what = input && output ? TCIOFLUSH : input ? TCIFLUSH : output ? TCOFLUSH : -1;
    return what < 0 || tcflush(fd, what) == 0;
}

bool cnComm::ReadCounters(Counters& out)
{
    serial_icounter_struct ic{};
    if (ioctl(Handle(), TIOCGICOUNT, &ic) != 0) return false;
    out = {static_cast<uint32_t>(ic.frame), static_cast<uint32_t>(ic.parity),
           static_cast<uint32_t>(ic.overrun) + static_cast<uint32_t>(ic.buf_overrun), static_cast<uint32_t>(ic.brk)};
    return true;
}

bool cnComm::QueryStatus(CommStatus& status)
{
    int fd = Handle();
    if (fd < 0) return false;
    int waiting = 0;
    if (ioctl(fd, FIONREAD, &waiting) != 0) return false;
    status = CommStatus{};
    status.waiting = waiting > 0 ? static_cast<uint32_t>(waiting) : 0;

    // Error counters exist on real UARTs only (not on a pseudo-terminal);
    // report what changed since the last query, which "clears" the flags.
    Counters c{};
    if (ReadCounters(c)) {
        std::lock_guard<std::mutex> g(m_statusLock);
        if (m_haveCounters) {
            status.framing = c.frame - m_lastFrame;
            status.parity = c.parity - m_lastParity;
            status.overrun = c.overrun - m_lastOverrun;
            status.breaks = c.brk - m_lastBrk;
        }
        m_haveCounters = true;
        m_lastFrame = c.frame;
        m_lastParity = c.parity;
        m_lastOverrun = c.overrun;
        m_lastBrk = c.brk;
    }
    return true;
}

bool cnComm::RaiseRts()
{
    int fd = Handle();
    if (fd < 0) return false;
    int bits = TIOCM_RTS;
    // A pseudo-terminal or a USB adapter without modem lines refuses this;
    // that does not matter on an RS-485 line with automatic direction.
    ioctl(fd, TIOCMBIS, &bits);
    return true;
}

cnComm::Wait cnComm::WaitForInput(int timeoutMs)
{
    // Every failure of the descriptor is final (a hung-up tty fails each
    // call at once): the caller stops waiting, so that nothing spins on it.
    const int fd = Handle();
    int waiting = 0;
    if (fd < 0 || ioctl(fd, FIONREAD, &waiting) != 0) {
        MarkLost();
        return Wait::Lost;
    }
    if (waiting > 0) return Wait::Input;
    pollfd fds[2] = {{fd, POLLIN, 0}, {m_readerWake.Fd(), POLLIN, 0}};
    const int n = ::poll(fds, 2, timeoutMs);
    if ((n < 0 && errno != EINTR) || (n > 0 && HungUp(fds[0].revents))) {
        MarkLost();
        return Wait::Lost;
    }
    if (n > 0 && (fds[1].revents & POLLIN)) {
        m_readerWake.Clear();
        return Wait::Woken;
    }
    if (n == 0) return Wait::TimedOut;
    return Wait::Input;
}

void cnComm::WakeWaiter() { m_readerWake.Set(); }

long cnComm::Read(uint8_t* dest, size_t room)
{
    if (room == 0) return 0;
    const ssize_t got = ::read(Handle(), dest, room);
    if (got > 0) return static_cast<long>(got);
    if (got == 0 || errno == EAGAIN || errno == EINTR) return 0;
    MarkLost();
    return -1;
}

bool cnComm::Write(const uint8_t* bytes, size_t length)
{
    // One write; if the line is slow to take it, give it 20 ms, then go on
    // and wait for the answer anyway (no retries at this level).
    const int fd = Handle();
    size_t sent = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    while (sent < length) {
        const ssize_t n = ::write(fd, bytes + sent, length - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            if (!DeviceGone(errno)) break;
            MarkLost();
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(left.count()));
    }
    return true;
}

void cnComm::WatchLoop()
{
    // Waits for exceptional line conditions (error, hang-up, priority data)
    // and for the wake-up from Close. Normal received data is the receive
    // thread's business; waiting for it here would spin while it is unread.
    while (m_watchRunning.load()) {
        const int fd = Handle();
        if (fd < 0) break;
        // Once the line is gone its condition stays set: from then on only
        // the wake-up is waited for (poll skips a negative descriptor).
        pollfd fds[2] = {{m_watchWake.Fd(), POLLIN, 0}, {IsLost() ? -1 : fd, POLLPRI, 0}};
        const int n = ::poll(fds, 2, -1);
        if (!m_watchRunning.load()) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            MarkLost();  // a wait that fails would fail again at once
            break;
        }
        if (fds[0].revents & POLLIN) {
            DrainWake();
            continue;
        }
        if (HungUp(fds[1].revents)) {
            MarkLost();
            continue;
        }
        if ((fds[1].revents & POLLPRI) && (m_eventMask & 0x080)) NotifyError();
    }
}
