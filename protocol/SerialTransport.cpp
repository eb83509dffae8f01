#include "SerialTransport.h"

#include <cerrno>
#include <chrono>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

CSerialTransport::CSerialTransport()
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CSerialTransport::~CSerialTransport()
{
    m_port.Close();
    if (m_wakeFd >= 0) ::close(m_wakeFd);
}

bool CSerialTransport::Open(const std::string& device, uint32_t portNumber, const char* mode, PortOpenError& error)
{
    m_port.m_portNumber = portNumber;
    m_port.m_portName = device;
    if (!m_port.Open()) {
        error = m_port.LastOpenError();
        return false;
    }
    errno = 0;
    if (!m_port.ConfigureQueues() || !m_port.ApplyMode(mode)) {
        // A mode text that does not parse fails without an errno.
        error.reason = PortOpenReason::SettingsNotSupported;
        error.error = errno != 0 ? errno : EINVAL;
        error.device = device;
        m_port.Close();
        return false;
    }
    m_port.SetupQueues(100, 100);
    m_port.RaiseRts();
    m_port.Purge(true, false);
    if (m_wakeFd >= 0) {
        uint64_t drain;
        [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &drain, sizeof drain);
    }
    return true;
}

void CSerialTransport::Wake()
{
    if (m_wakeFd < 0) return;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

ILinkTransport::Wait CSerialTransport::WaitForInput()
{
    // Every failure of the descriptor is final (a hung-up tty fails each
    // call at once): the caller stops waiting, so that nothing spins on it.
    CommStatus status;
    if (!Query(status)) return Wait::Lost;
    if (status.waiting > 0) return Wait::Input;
    pollfd fds[2] = {{m_port.Handle(), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    // Sleeps until input arrives or Wake(): an idle port costs nothing.
    const int n = ::poll(fds, 2, -1);
    if ((n < 0 && errno != EINTR) || (n > 0 && cnComm::HungUp(fds[0].revents))) return Wait::Lost;
    if (n > 0 && (fds[1].revents & POLLIN)) return Wait::Woken;
    return Wait::Input;
}

long CSerialTransport::ReadAvailable(uint8_t* dest, size_t room)
{
    CommStatus status;
    if (!Query(status)) return -1;
    if (status.AnyError()) {
        // A line error spoils the frame being received: drop it.
        m_port.Purge(true, false);
        return 0;
    }
    if (room == 0 || status.waiting == 0) return 0;
    const ssize_t got = ::read(m_port.Handle(), dest, room);
    if (got < 0) return errno == EAGAIN || errno == EINTR ? 0 : -1;
    return static_cast<long>(got);
}

bool CSerialTransport::Send(const uint8_t* frame, size_t length)
{
    CommStatus status;
    if (Query(status) && status.AnyError()) m_port.Purge(false, true);

    // One write; if the line is slow to take it, give it 20 ms, then go on
    // and wait for the answer anyway (no retries at this level).
    const int fd = m_port.Handle();
    size_t sent = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    while (sent < length) {
        const ssize_t n = ::write(fd, frame + sent, length - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            if (errno == EIO || errno == ENXIO || errno == ENODEV || errno == EBADF) return false;
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(left.count()));
    }
    return true;
}

bool CSerialTransport::Query(CommStatus& status)
{
    if (!m_port.QueryStatus(status)) return false;
    if (status.AnyError()) {
        std::lock_guard<std::mutex> g(m_errorLock);
        status.AddTo(m_errors);
    }
    return true;
}

LineErrorCounts CSerialTransport::LineErrors() const
{
    std::lock_guard<std::mutex> g(m_errorLock);
    return m_errors;
}
