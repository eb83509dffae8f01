#include "NetSocket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>

#include <type_traits>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <algorithm>
#include <climits>

namespace zoric::sim::net {

namespace {

#ifdef _WIN32
static_assert(std::is_same_v<Socket, SOCKET>);
using PollEntry = WSAPOLLFD;
constexpr int kSendFlags = 0;

// Winsock is started once, on first use, and left running until the end.
bool StartSockets()
{
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

std::string ErrorText(int code)
{
    char text[256] = {};
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                     static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    std::string message(text, n);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    if (!message.empty()) return message;
    // Not every system has the texts of the socket errors.
    switch (code) {
    case WSAEADDRINUSE: return "address already in use";
    case WSAEADDRNOTAVAIL: return "address not available";
    case WSAEACCES: return "permission denied";
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA: return "host not found";
    default: return "error " + std::to_string(code);
    }
}

std::string LastErrorText() { return ErrorText(::WSAGetLastError()); }

std::string ResolveErrorText(int code) { return ErrorText(code); }

bool TryAgain()
{
    const int e = ::WSAGetLastError();
    return e == WSAEWOULDBLOCK || e == WSAEINTR;
}

void CloseSocket(Socket s) { ::closesocket(s); }

Socket NonBlocking(Socket s)
{
    u_long on = 1;
    if (s != kNoSocket && ::ioctlsocket(s, FIONBIO, &on) != 0) {
        CloseSocket(s);
        return kNoSocket;
    }
    return s;
}

Socket OpenSocket(int family, int type, int protocol) { return NonBlocking(::socket(family, type, protocol)); }

Socket AcceptSocket(Socket listener) { return NonBlocking(::accept(listener, nullptr, nullptr)); }

int PollSockets(PollEntry* entries, std::size_t count, int timeoutMs)
{
    return ::WSAPoll(entries, static_cast<ULONG>(count), timeoutMs);
}

int ToLength(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }
#else
using PollEntry = pollfd;
constexpr int kSendFlags = MSG_NOSIGNAL;  // a vanished client is an error, not a signal

bool StartSockets() { return true; }

std::string LastErrorText() { return std::strerror(errno); }

std::string ResolveErrorText(int code) { return ::gai_strerror(code); }

bool TryAgain() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

void CloseSocket(Socket s) { ::close(s); }

Socket OpenSocket(int family, int type, int protocol)
{
    return ::socket(family, type | SOCK_CLOEXEC | SOCK_NONBLOCK, protocol);
}

Socket AcceptSocket(Socket listener) { return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK); }

int PollSockets(PollEntry* entries, std::size_t count, int timeoutMs)
{
    const int n = ::poll(entries, count, timeoutMs);
    return n < 0 && errno == EINTR ? 0 : n;
}

std::size_t ToLength(std::size_t size) { return size; }
#endif

}  // namespace

void Close(Socket& socket)
{
    if (socket != kNoSocket) CloseSocket(socket);
    socket = kNoSocket;
}

Socket Listen(const std::string& host, std::uint16_t port, std::string& error)
{
    if (!StartSockets()) {
        error = "cannot start the sockets: " + LastErrorText();
        return kNoSocket;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int e = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); e != 0) {
        error = "cannot resolve " + host + ": " + ResolveErrorText(e);
        return kNoSocket;
    }
    Socket listening = kNoSocket;
    for (const addrinfo* a = found; a && listening == kNoSocket; a = a->ai_next) {
        Socket s = OpenSocket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == kNoSocket) continue;
#ifndef _WIN32
        // On Windows the option would let another program take the port over.
        int one = 1;
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
#endif
        if (::bind(s, a->ai_addr, static_cast<socklen_t>(a->ai_addrlen)) == 0 && ::listen(s, 8) == 0) {
            listening = s;
        } else {
            error = "cannot listen on " + host + ":" + service + ": " + LastErrorText();
            Close(s);
        }
    }
    ::freeaddrinfo(found);
    return listening;
}

std::uint16_t BoundPort(Socket socket)
{
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &size) != 0) return 0;
    return ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port
                                             : reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
}

Socket Accept(Socket listener)
{
    const Socket s = AcceptSocket(listener);
    if (s == kNoSocket) return kNoSocket;
    int one = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    return s;
}

bool ReceiveSome(Socket socket, std::uint8_t* buffer, std::size_t size, std::size_t& count)
{
    count = 0;
    const auto n = ::recv(socket, reinterpret_cast<char*>(buffer), ToLength(size), 0);
    if (n > 0) count = static_cast<std::size_t>(n);
    return n > 0 || (n < 0 && TryAgain());
}

bool SendSome(Socket socket, const std::uint8_t* bytes, std::size_t size, std::size_t& count)
{
    count = 0;
    const auto n = ::send(socket, reinterpret_cast<const char*>(bytes), ToLength(size), kSendFlags);
    if (n >= 0) count = static_cast<std::size_t>(n);
    return n >= 0 || TryAgain();
}

bool WaitWritable(Socket socket, int timeoutMs)
{
    PollEntry entry{};
    entry.fd = socket;
    entry.events = POLLOUT;
    return PollSockets(&entry, 1, timeoutMs) > 0 && (entry.revents & POLLOUT);
}

bool WaitReadable(std::vector<Watch>& watches, int timeoutMs)
{
    std::vector<PollEntry> entries(watches.size());
    for (std::size_t i = 0; i < watches.size(); ++i) {
        entries[i].fd = watches[i].socket;
        entries[i].events = POLLIN;
    }
    const int n = PollSockets(entries.data(), entries.size(), timeoutMs);
    for (std::size_t i = 0; i < watches.size(); ++i)
        watches[i].ready = n > 0 && (entries[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    return n >= 0;
}

bool CWakeSocket::Open(std::string& error)
{
    Close();
    if (!StartSockets()) {
        error = "cannot start the sockets: " + LastErrorText();
        return false;
    }
    m_socket = OpenSocket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof self;
    if (m_socket == kNoSocket || ::bind(m_socket, reinterpret_cast<const sockaddr*>(&self), size) != 0 ||
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&self), &size) != 0 ||
        ::connect(m_socket, reinterpret_cast<const sockaddr*>(&self), size) != 0) {
        error = "cannot make the wake-up socket: " + LastErrorText();
        Close();
        return false;
    }
    return true;
}

void CWakeSocket::Close() { net::Close(m_socket); }

void CWakeSocket::Wake()
{
    // A full buffer means a wake-up is pending already.
    const char one = 1;
    ::send(m_socket, &one, 1, kSendFlags);
}

void CWakeSocket::Drain()
{
    char buffer[64];
    while (::recv(m_socket, buffer, sizeof buffer, 0) > 0) {
    }
}

}  // namespace zoric::sim::net
