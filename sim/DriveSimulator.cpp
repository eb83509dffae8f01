#include "DriveSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace zoric::sim {

namespace {

// The termios speed of each of the line's baud rates (IsLineBaudRate).
constexpr std::pair<std::uint32_t, speed_t> kBaudRates[] = {
    {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {500000, B500000}, {921600, B921600}, {1000000, B1000000},
};

std::optional<speed_t> BaudConstant(std::uint32_t baud)
{
    for (const auto& [rate, constant] : kBaudRates)
        if (rate == baud) return constant;
    return std::nullopt;
}

bool IsKnownSpeed(speed_t speed)
{
    for (const auto& entry : kBaudRates)
        if (entry.second == speed) return true;
    return false;
}

bool IsOdd(char parity) { return parity == 'O' || parity == 'o'; }

bool IsEven(char parity) { return parity == 'E' || parity == 'e'; }

// A pty clears the parity-enable bit whatever the master sets, but keeps the
// odd-parity and stop bits: odd parity and two stop bits show, even parity
// and no parity with one stop bit look alike. A tty that keeps the enable
// bit tells a little more.
bool FramingMatches(tcflag_t cflag, const LinkSettings& link)
{
    if (((cflag & CSTOPB) != 0) != (link.stopBits == 2)) return false;
    if (((cflag & PARODD) != 0) != IsOdd(link.parity)) return false;
    return (cflag & PARENB) == 0 || IsOdd(link.parity) || IsEven(link.parity);
}

void CloseFd(int& fd)
{
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

CDriveSimulator::CDriveSimulator(SimOptions options) : CSimulatedLine(std::move(options))
{
    SetWakeHandler([this] { WakeServer(); });
}

CDriveSimulator::~CDriveSimulator() { Stop(); }

void CDriveSimulator::ApplyLineSettings()
{
    termios tio{};
    if (::tcgetattr(m_slaveFd, &tio) != 0) return;
    const LinkSettings link = CurrentLink();
    ::cfmakeraw(&tio);
    const speed_t speed = BaudConstant(link.baudRate).value_or(B9600);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CSTOPB);
    if (IsEven(link.parity)) tio.c_cflag |= PARENB;
    else if (IsOdd(link.parity)) tio.c_cflag |= PARENB | PARODD;
    if (link.stopBits == 2) tio.c_cflag |= CSTOPB;
    ::tcsetattr(m_slaveFd, TCSANOW, &tio);
}

bool CDriveSimulator::Start()
{
    if (IsRunning()) return true;
    auto fail = [this](const char* what) {
        m_lastError = std::string(what) + ": " + std::strerror(errno);
        CloseFd(m_masterFd);
        CloseFd(m_slaveFd);
        CloseFd(m_wakeFd);
        return false;
    };
    m_masterFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_masterFd < 0) return fail("posix_openpt");
    if (::grantpt(m_masterFd) != 0 || ::unlockpt(m_masterFd) != 0) return fail("grantpt/unlockpt");
    char name[256] = {};
    if (::ptsname_r(m_masterFd, name, sizeof name) != 0) return fail("ptsname");
    m_slavePath = name;
    m_slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveFd < 0) return fail("open slave");
    ApplyLineSettings();
    if (::fcntl(m_masterFd, F_SETFL, ::fcntl(m_masterFd, F_GETFL) | O_NONBLOCK) != 0) return fail("fcntl");
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0) return fail("eventfd");
    m_stop = false;
    m_parser = CSlaveFrameParser{};
    m_parserCrcErrors = 0;
    m_lastInput = Clock::now();
    m_thread = std::thread(&CDriveSimulator::Run, this);
    return true;
}

void CDriveSimulator::Stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        WakeServer();
        m_thread.join();
    }
    CloseFd(m_masterFd);
    CloseFd(m_slaveFd);
    CloseFd(m_wakeFd);
    DropOutput();
}

void CDriveSimulator::WakeServer()
{
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
}

void CDriveSimulator::Run()
{
    Clock::time_point readBackoffUntil{};
    bool blocked = false;  // the pty's buffer is full; wait until it drains
    while (!m_stop) {
        // The end of a frame, at the baud rate the drive runs on now.
        const auto silence = std::max<Clock::duration>(CharTime() * 7 / 2, std::chrono::milliseconds(3));
        auto now = Clock::now();
        const bool active = Advance(now);
        int timeout = TimeoutMs(now, active, blocked);
        if (m_parser.HasPartialInput()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_lastInput + silence - now).count();
            timeout = timeout < 0 ? std::max<int>(0, int(left)) : std::min<int>(timeout, std::max<int>(0, int(left)));
        }
        const bool backoff = now < readBackoffUntil;
        if (backoff) timeout = timeout < 0 ? 50 : std::min(timeout, 50);

        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_masterFd, 0, 0}};
        if (!backoff) fds[1].events |= POLLIN;
        if (blocked) fds[1].events |= POLLOUT;
        const int ready = ::poll(fds, fds[1].events ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) {
            std::uint64_t drained;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &drained, sizeof drained);
        }
        now = Clock::now();
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) && !ReadInput(now))
            readBackoffUntil = now + std::chrono::milliseconds(50);
        if (m_parser.HasPartialInput() && now - m_lastInput >= silence) m_parser.Silence();
        ServeFrames(now);
        blocked = !Flush(now);
    }
}

bool CDriveSimulator::ReadInput(Clock::time_point now)
{
    std::uint8_t buffer[512];
    const ssize_t n = ::read(m_masterFd, buffer, sizeof buffer);
    if (n > 0 && !LineMatches()) {
        CountLineErrors(static_cast<std::uint64_t>(n));
        m_lastInput = now;
    } else if (n > 0) {
        m_parser.Feed(buffer, static_cast<std::size_t>(n));
        m_lastInput = now;
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        return false;
    }
    return true;
}

// The master's line settings live in the pty's termios; a master on another
// baud rate would only produce noise at the drive. A rate the table does not
// know, such as a custom divisor, is given the benefit of the doubt. (A pty
// forces 8 data bits and clears the parity bit, so the framing is left alone
// unless the drive takes on written link settings: then a master that did
// not follow a change of parity must not be answered either.)
bool CDriveSimulator::LineMatches() const
{
    if (!Options().strictLine) return true;
    termios tio{};
    if (::tcgetattr(m_slaveFd, &tio) != 0) return true;
    const LinkSettings link = CurrentLink();
    const auto expected = BaudConstant(link.baudRate);
    const speed_t speed = ::cfgetospeed(&tio);
    if (expected && IsKnownSpeed(speed) && speed != *expected) return false;
    return !Options().applyLinkSettings || FramingMatches(tio.c_cflag, link);
}

int CDriveSimulator::TimeoutMs(Clock::time_point now, bool active, bool blocked) const
{
    int timeout = active ? 10 : -1;
    const std::optional<Clock::time_point> due = NextOutputDue();
    if (due && !blocked) {
        const long wait = std::max<long>(0, std::chrono::ceil<std::chrono::milliseconds>(*due - now).count());
        timeout = timeout < 0 ? int(wait) : std::min<int>(timeout, int(wait));
    }
    return timeout;
}

// The frames the parser has cut go to the drives; CRC errors are the parser's.
void CDriveSimulator::ServeFrames(Clock::time_point now)
{
    CountCrcErrors(m_parser.CrcErrors() - m_parserCrcErrors);
    m_parserCrcErrors = m_parser.CrcErrors();
    CSlaveFrameParser::Frame request;
    while (m_parser.Next(request)) Hear(request, now);
}

bool CDriveSimulator::Flush(Clock::time_point now)
{
    for (;;) {
        const Frame due = PeekOutput(now);
        if (due.empty()) return true;
        const ssize_t n = ::write(m_masterFd, due.data(), due.size());
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
            if (errno == EINTR) continue;
            DropOutput();  // the line is gone; nobody hears the answers
            return true;
        }
        ConsumeOutput(static_cast<std::size_t>(n));
        if (static_cast<std::size_t>(n) < due.size()) return true;
    }
}

}  // namespace zoric::sim
