#include "TcpTransport.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
// After winsock2.h:
#include <windows.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

#ifdef _WIN32

using Socket = SOCKET;
constexpr int kWouldBlock = WSAEWOULDBLOCK;

int LastSocketError() { return WSAGetLastError(); }
void CloseSocket(Socket s) { closesocket(s); }

// Winsock is started once for the program and left running.
bool StartSockets()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

PortOpenReason ConnectReasonOf(int error)
{
    switch (error) {
    case WSAECONNREFUSED: return PortOpenReason::Refused;
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAENETDOWN:
    case WSAEHOSTDOWN: return PortOpenReason::Unreachable;
    case WSAETIMEDOUT: return PortOpenReason::TimedOut;
    case WSAECONNRESET:
    case WSAECONNABORTED: return PortOpenReason::ConnectionLost;
    default: return PortOpenReason::Other;
    }
}

constexpr int kTimedOut = WSAETIMEDOUT;

Socket OpenSocket(const addrinfo& a)
{
    const Socket s = ::socket(a.ai_family, a.ai_socktype, a.ai_protocol);
    if (s == INVALID_SOCKET) return s;
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    return s;
}

bool ConnectPending(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }

// Waits for a connect to end; 1 ended (see SO_ERROR), 0 time-out, -1 error.
int WaitConnected(Socket s, int ms)
{
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);  // a refused connect shows here on Windows
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    const int n = ::select(0, nullptr, &writable, &failed, &tv);
    return n > 0 ? 1 : n;
}

#else

using Socket = int;
constexpr int INVALID_SOCKET = -1;
constexpr int kWouldBlock = EWOULDBLOCK;
constexpr int kTimedOut = ETIMEDOUT;

int LastSocketError() { return errno; }
void CloseSocket(Socket s) { ::close(s); }
bool StartSockets() { return true; }

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

Socket OpenSocket(const addrinfo& a)
{
    return ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
}

bool ConnectPending(int error) { return error == EINPROGRESS; }

int WaitConnected(Socket s, int ms)
{
    for (;;) {
        pollfd p{s, POLLOUT, 0};
        const int n = ::poll(&p, 1, ms);
        if (n < 0 && errno == EINTR) continue;
        return n > 0 ? 1 : n;
    }
}

#endif

std::string AddressText(const sockaddr* address, socklen_t length)
{
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (getnameinfo(address, length, host, sizeof host, service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return {};
    return address->sa_family == AF_INET6 ? "[" + std::string(host) + "]:" + service
                                          : std::string(host) + ":" + service;
}

// One connect to one address within the time left; the socket, or
// INVALID_SOCKET with the error in `error`.
Socket ConnectOne(const addrinfo& a, Clock::time_point deadline, int& error)
{
    const Socket s = OpenSocket(a);
    if (s == INVALID_SOCKET) {
        error = LastSocketError();
        return s;
    }
    if (::connect(s, a.ai_addr, static_cast<socklen_t>(a.ai_addrlen)) != 0) {
        error = LastSocketError();
        if (!ConnectPending(error)) {
            CloseSocket(s);
            return INVALID_SOCKET;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int ended = left > 0 ? WaitConnected(s, static_cast<int>(left)) : 0;
        if (ended <= 0) {
            error = ended == 0 ? kTimedOut : LastSocketError();
            CloseSocket(s);
            return INVALID_SOCKET;
        }
        int soError = 0;
        socklen_t size = sizeof soError;
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &size) != 0)
            soError = LastSocketError();
        if (soError != 0) {
            error = soError;
            CloseSocket(s);
            return INVALID_SOCKET;
        }
    }
    // Frames are small and each waits for its answer: send them at once.
    int one = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    return s;
}

Socket AsSocket(intptr_t handle) { return static_cast<Socket>(handle); }

std::unique_ptr<ILinkFraming> FramingOf(PortKind kind)
{
    if (kind == PortKind::RtuOverTcp) return std::make_unique<CRtuFraming>();
    return std::make_unique<CMbapFraming>();
}

}  // namespace

CTcpTransport::CTcpTransport(PortKind kind) : m_framing(FramingOf(kind))
{
#ifdef _WIN32
    m_socketEvent = WSACreateEvent();
#endif
}

CTcpTransport::~CTcpTransport()
{
    Close();
#ifdef _WIN32
    if (m_socketEvent) WSACloseEvent(m_socketEvent);
#endif
}

bool CTcpTransport::Open(const PortAddress& port, PortOpenError& error)
{
    NetworkPort address;
    if (!ParseNetworkPort(port.name, address)) {
        error.reason = PortOpenReason::BadAddress;
        error.error = EINVAL;
        return false;
    }
    if (!StartSockets()) {
        error.reason = PortOpenReason::Other;
        error.error = LastSocketError();
        return false;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(port.timeoutMs);
    error.device = (address.host.find(':') != std::string::npos ? "[" + address.host + "]" : address.host) + ":" +
                   std::to_string(address.port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(address.port);
    const int resolved = ::getaddrinfo(address.host.c_str(), service.c_str(), &hints, &found);
    if (resolved != 0) {
#ifdef EAI_SYSTEM
        const bool system = resolved == EAI_SYSTEM;
#else
        const bool system = false;
#endif
        error.reason = system ? PortOpenReason::Other : PortOpenReason::HostNotFound;
        error.error = system ? LastSocketError() : 0;
        return false;
    }
    Socket s = INVALID_SOCKET;
    int lastError = kTimedOut;
    for (const addrinfo* a = found; a && s == INVALID_SOCKET; a = a->ai_next) {
        s = ConnectOne(*a, deadline, lastError);
        error.device = AddressText(a->ai_addr, static_cast<socklen_t>(a->ai_addrlen));
        if (s == INVALID_SOCKET && lastError == kTimedOut) break;  // the time is spent; the next address would get none
    }
    ::freeaddrinfo(found);
    if (s == INVALID_SOCKET) {
        error.reason = ConnectReasonOf(lastError);
        error.error = lastError;
        return false;
    }
#ifdef _WIN32
    WSAResetEvent(m_socketEvent);
    WSAEventSelect(s, m_socketEvent, FD_READ | FD_CLOSE);
#endif
    m_wake.Clear();
    m_lost = false;
    m_socket = static_cast<intptr_t>(s);
    return true;
}

void CTcpTransport::Close()
{
    const intptr_t s = m_socket.exchange(kNoSocket);
    if (s != kNoSocket) CloseSocket(AsSocket(s));
}

bool CTcpTransport::MarkLost()
{
    if (m_lost.exchange(true)) return false;
    ++m_lossCount;
    return true;
}

ILinkTransport::Wait CTcpTransport::WaitForInput()
{
    const Socket s = AsSocket(m_socket.load());
#ifdef _WIN32
    HANDLE waits[2] = {m_socketEvent, m_wake.Handle()};
    const DWORD r = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (r == WAIT_OBJECT_0 + 1) {
        m_wake.Clear();
        return Wait::Woken;
    }
    if (r != WAIT_OBJECT_0) return Wait::Lost;
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(s, m_socketEvent, &events) != 0) return Wait::Lost;
    // A closed connection reads as input (recv gives 0, said there).
    return Wait::Input;
#else
    pollfd fds[2] = {{s, POLLIN, 0}, {m_wake.Fd(), POLLIN, 0}};
    const int n = ::poll(fds, 2, -1);
    if (n < 0) return errno == EINTR ? Wait::Woken : Wait::Lost;
    if (fds[1].revents & POLLIN) {
        m_wake.Clear();
        return Wait::Woken;
    }
    // A closed connection reads as input (recv gives 0, said there); an
    // error or a reset with nothing left to read is the end.
    if (fds[0].revents & POLLIN) return Wait::Input;
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return Wait::Lost;
    return Wait::Woken;
#endif
}

long CTcpTransport::ReadAvailable(uint8_t* dest, size_t room)
{
    if (room == 0) return 0;
#ifdef _WIN32
    const int got = ::recv(AsSocket(m_socket.load()), reinterpret_cast<char*>(dest), static_cast<int>(room), 0);
#else
    const ssize_t got = ::recv(AsSocket(m_socket.load()), dest, room, MSG_DONTWAIT);
#endif
    if (got > 0) return static_cast<long>(got);
    if (got == 0) return -1;  // the far end closed the connection
    const int error = LastSocketError();
#ifndef _WIN32
    if (error == EINTR || error == EAGAIN) return 0;
#endif
    return error == kWouldBlock ? 0 : -1;
}

bool CTcpTransport::Send(const uint8_t* frame, size_t length)
{
    const Socket s = AsSocket(m_socket.load());
    size_t sent = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(20);
    while (sent < length) {
#ifdef _WIN32
        const int n = ::send(s, reinterpret_cast<const char*>(frame + sent), static_cast<int>(length - sent), 0);
#else
        const ssize_t n = ::send(s, frame + sent, length - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
#endif
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        const int error = LastSocketError();
#ifndef _WIN32
        if (error != EINTR && error != EAGAIN && error != kWouldBlock) return false;
#else
        if (error != kWouldBlock) return false;
#endif
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
#ifdef _WIN32
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(s, &writable);
        timeval tv{0, static_cast<long>(left) * 1000};
        ::select(0, nullptr, &writable, nullptr, &tv);
#else
        pollfd p{s, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(left));
#endif
    }
    return true;
}
