#pragma once
// The simulated drive reached over the network, as in a cabinet where the
// RS-485 line ends at a gateway: as a Modbus TCP gateway (MBAP frames) or a
// transparent serial device server (RTU frames through a TCP stream). Each
// request is served by the drives of one simulated line, the one a
// pseudo-terminal may serve too, so both ways can be used side by side.
// BSD sockets on Linux, Winsock on Windows.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "NetSocket.h"
#include "SlaveFrameParser.h"

namespace zoric::sim {

class CSimulatedLine;

struct ListenAddress {
    bool modbusTcp = true;   // false: RTU frames over TCP
    std::string host;        // a numeric address or a name; brackets of IPv6 removed
    std::uint16_t port = 0;  // 0: any free port (see CNetListener::Urls)
};

// "tcp://HOST:PORT" or "rtu+tcp://HOST:PORT"; false when it is neither.
bool ParseListenAddress(const std::string& text, ListenAddress& out);

class CNetListener {
public:
    CNetListener(std::vector<ListenAddress> addresses, CSimulatedLine& line);
    ~CNetListener();
    CNetListener(const CNetListener&) = delete;
    CNetListener& operator=(const CNetListener&) = delete;

    bool Start();
    void Stop();
    std::string LastError() const { return m_lastError; }
    // The names a master opens, one per address, with the port the system
    // chose for a port 0: "tcp://127.0.0.1:40312".
    std::vector<std::string> Urls() const;

private:
    struct Listener {
        ListenAddress address;
        net::Socket socket = net::kNoSocket;
        std::uint16_t boundPort = 0;
    };
    struct Client {
        net::Socket socket = net::kNoSocket;
        bool modbusTcp = true;
        std::vector<std::uint8_t> input;            // Modbus TCP: bytes of the next request
        std::unique_ptr<CSlaveFrameParser> parser;  // RTU: the stream cut into frames
        long long lastInputMs = 0;
    };
    void Run();
    // False when the client is to be closed.
    bool ServeModbusTcp(Client& client);
    bool ServeRtu(Client& client);
    void Accept(const Listener& listener);
    // False when the client is to be closed.
    bool Receive(Client& client, long long now);
    static bool SendAll(net::Socket socket, const std::vector<std::uint8_t>& bytes);

    CSimulatedLine& m_line;
    std::vector<Listener> m_listeners;
    net::CWakeSocket m_wake;
    std::string m_lastError;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::vector<Client> m_clients;  // the thread's
};

}  // namespace zoric::sim
