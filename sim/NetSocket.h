#pragma once
// The few socket calls the network listener makes, on BSD sockets (Linux)
// and on Winsock (Windows), so that the listener itself has one code path.
// No system header here: the listener's users need not see them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zoric::sim::net {

#ifdef _WIN32
using Socket = std::uintptr_t;                   // SOCKET
inline constexpr Socket kNoSocket = ~Socket{0};  // INVALID_SOCKET
#else
using Socket = int;
inline constexpr Socket kNoSocket = -1;
#endif

// A non-blocking socket listening on HOST:PORT (the first address of the
// name that can be bound); kNoSocket with the reason in `error`.
Socket Listen(const std::string& host, std::uint16_t port, std::string& error);
// The port a listening socket was given (for a port 0).
std::uint16_t BoundPort(Socket socket);
// The next connection waiting on a listening socket, non-blocking and
// without Nagle's delay; kNoSocket when none waits.
Socket Accept(Socket listener);
void Close(Socket& socket);

// False when the connection is over (closed by the peer or failed); true
// with `count` 0 when nothing can be done now.
bool ReceiveSome(Socket socket, std::uint8_t* buffer, std::size_t size, std::size_t& count);
bool SendSome(Socket socket, const std::uint8_t* bytes, std::size_t size, std::size_t& count);
// Waits until the socket takes more bytes; false on time-out or failure.
bool WaitWritable(Socket socket, int timeoutMs);

struct Watch {
    Socket socket = kNoSocket;
    bool ready = false;  // readable, closed or failed
};
// Waits until one of the sockets is ready (timeoutMs < 0: no limit). False
// when the wait itself failed.
bool WaitReadable(std::vector<Watch>& watches, int timeoutMs);

// Wakes a thread out of WaitReadable: a UDP socket on the loopback that is
// connected to itself, which works alike on both systems.
class CWakeSocket {
public:
    CWakeSocket() = default;
    ~CWakeSocket() { Close(); }
    CWakeSocket(const CWakeSocket&) = delete;
    CWakeSocket& operator=(const CWakeSocket&) = delete;

    bool Open(std::string& error);
    void Close();
    void Wake();
    void Drain();
    Socket Handle() const { return m_socket; }

private:
    Socket m_socket = kNoSocket;
};

}  // namespace zoric::sim::net
