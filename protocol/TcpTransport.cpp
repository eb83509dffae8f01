#include "TcpTransport.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

PortOpenReason ConnectReasonOf(int error)
{
    switch (error) {
    case ECONNREFUSED: return PortOpenReason::Refused;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN: return PortOpenReason::Unreachable;
    case ETIMEDOUT: return PortOpenReason::TimedOut;
    case ECONNRESET:
    case EPIPE: return PortOpenReason::ConnectionLost;
    default: return PortOpenReason::Other;
    }
}

std::string AddressText(const sockaddr* address, socklen_t length)
{
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (getnameinfo(address, length, host, sizeof host, service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return {};
    return address->sa_family == AF_INET6 ? "[" + std::string(host) + "]:" + service
                                          : std::string(host) + ":" + service;
}

// One connect to one address within the time left; the socket or -1 with errno set.
int ConnectOne(const addrinfo& a, Clock::time_point deadline)
{
    const int fd = ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
    if (fd < 0) return -1;
    if (::connect(fd, a.ai_addr, a.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                ::close(fd);
                errno = ETIMEDOUT;
                return -1;
            }
            pollfd p{fd, POLLOUT, 0};
            const int n = ::poll(&p, 1, static_cast<int>(left));
            if (n < 0 && errno == EINTR) continue;
            if (n > 0) break;
            if (n < 0) {
                const int error = errno;
                ::close(fd);
                errno = error;
                return -1;
            }
        }
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
        if (error != 0) {
            ::close(fd);
            errno = error;
            return -1;
        }
    }
    // Frames are small and each waits for its answer: send them at once.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

}  // namespace

CTcpTransport::CTcpTransport()
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CTcpTransport::~CTcpTransport()
{
    Close();
    if (m_wakeFd >= 0) ::close(m_wakeFd);
}

bool CTcpTransport::Open(const NetworkPort& port, uint32_t timeoutMs, PortOpenError& error)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    error.device = (port.host.find(':') != std::string::npos ? "[" + port.host + "]" : port.host) + ":" +
                   std::to_string(port.port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port.port);
    const int resolved = ::getaddrinfo(port.host.c_str(), service.c_str(), &hints, &found);
    if (resolved != 0) {
        error.reason = resolved == EAI_SYSTEM ? PortOpenReason::Other : PortOpenReason::HostNotFound;
        error.error = resolved == EAI_SYSTEM ? errno : 0;
        return false;
    }
    int fd = -1;
    int lastError = ETIMEDOUT;
    for (const addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ConnectOne(*a, deadline);
        if (fd < 0) {
            lastError = errno;
            error.device = AddressText(a->ai_addr, a->ai_addrlen);
            if (lastError == ETIMEDOUT) break;  // the time is spent; the next address would not get any
        } else {
            error.device = AddressText(a->ai_addr, a->ai_addrlen);
        }
    }
    ::freeaddrinfo(found);
    if (fd < 0) {
        error.reason = ConnectReasonOf(lastError);
        error.error = lastError;
        return false;
    }
    if (m_wakeFd >= 0) {
        uint64_t drain;
        [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &drain, sizeof drain);
    }
    m_framing = port.kind == PortKind::RtuOverTcp ? LinkFraming::Rtu : LinkFraming::Mbap;
    m_lost = false;
    m_fd = fd;
    return true;
}

void CTcpTransport::Close()
{
    const int fd = m_fd.exchange(-1);
    if (fd >= 0) ::close(fd);
}

bool CTcpTransport::MarkLost()
{
    if (m_lost.exchange(true)) return false;
    ++m_lossCount;
    return true;
}

void CTcpTransport::Wake()
{
    if (m_wakeFd < 0) return;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

ILinkTransport::Wait CTcpTransport::WaitForInput()
{
    pollfd fds[2] = {{m_fd.load(), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    const int n = ::poll(fds, 2, -1);
    if (n < 0) return errno == EINTR ? Wait::Woken : Wait::Lost;
    if (fds[1].revents & POLLIN) return Wait::Woken;
    // A closed connection reads as input (recv gives 0, said there); an
    // error or a reset with nothing left to read is the end.
    if (fds[0].revents & POLLIN) return Wait::Input;
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return Wait::Lost;
    return Wait::Woken;
}

long CTcpTransport::ReadAvailable(uint8_t* dest, size_t room)
{
    if (room == 0) return 0;
    const ssize_t got = ::recv(m_fd.load(), dest, room, MSG_DONTWAIT);
    if (got > 0) return static_cast<long>(got);
    if (got == 0) return -1;  // the far end closed the connection
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

bool CTcpTransport::Send(const uint8_t* frame, size_t length)
{
    const int fd = m_fd.load();
    size_t sent = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(20);
    while (sent < length) {
        const ssize_t n = ::send(fd, frame + sent, length - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(left));
    }
    return true;
}
