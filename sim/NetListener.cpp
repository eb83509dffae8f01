#include "NetListener.h"

#include <algorithm>
#include <chrono>

#include "SimulatedLine.h"
#include "SlaveCrc.h"

namespace zoric::sim {

namespace {

long long NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

// The line falls silent for an RTU stream after this long without input:
// a partial frame is then given up, as the drive does on its line.
constexpr long long kRtuSilenceMs = 20;

}  // namespace

bool ParseListenAddress(const std::string& text, ListenAddress& out)
{
    std::string rest;
    if (text.rfind("tcp://", 0) == 0) {
        out.modbusTcp = true;
        rest = text.substr(6);
    } else if (text.rfind("rtu+tcp://", 0) == 0) {
        out.modbusTcp = false;
        rest = text.substr(10);
    } else {
        return false;
    }
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == rest.size() || colon + 6 < rest.size()) return false;
    std::string host = rest.substr(0, colon);
    if (host.front() == '[') {
        if (host.back() != ']' || host.size() < 3) return false;
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string::npos) {
        return false;  // an IPv6 address wants its brackets
    }
    unsigned long port = 0;
    for (std::size_t i = colon + 1; i < rest.size(); ++i) {
        if (rest[i] < '0' || rest[i] > '9') return false;
        port = port * 10 + static_cast<unsigned long>(rest[i] - '0');
    }
    if (port > 65535) return false;
    out.host = host;
    out.port = static_cast<std::uint16_t>(port);
    return true;
}

CNetListener::CNetListener(std::vector<ListenAddress> addresses, CSimulatedLine& line) : m_line(line)
{
    for (ListenAddress& a : addresses) m_listeners.push_back({std::move(a), net::kNoSocket, 0});
}

CNetListener::~CNetListener() { Stop(); }

std::vector<std::string> CNetListener::Urls() const
{
    std::vector<std::string> urls;
    for (const Listener& l : m_listeners) {
        const std::string& h = l.address.host;
        urls.push_back(std::string(l.address.modbusTcp ? "tcp://" : "rtu+tcp://") +
                       (h.find(':') != std::string::npos ? "[" + h + "]" : h) + ":" + std::to_string(l.boundPort));
    }
    return urls;
}

bool CNetListener::Start()
{
    for (Listener& l : m_listeners) {
        l.socket = net::Listen(l.address.host, l.address.port, m_lastError);
        if (l.socket == net::kNoSocket) {
            Stop();
            return false;
        }
        l.boundPort = net::BoundPort(l.socket);
    }
    if (!m_wake.Open(m_lastError)) {
        Stop();
        return false;
    }
    m_stop = false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (...) {
        m_lastError = "cannot start a thread";
        Stop();
        return false;
    }
    return true;
}

void CNetListener::Stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_wake.Wake();
        m_thread.join();
    }
    for (Client& c : m_clients) net::Close(c.socket);
    m_clients.clear();
    for (Listener& l : m_listeners) net::Close(l.socket);
    m_wake.Close();
}

bool CNetListener::SendAll(net::Socket socket, const std::vector<std::uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        std::size_t n = 0;
        if (!net::SendSome(socket, bytes.data() + sent, bytes.size() - sent, n)) return false;
        if (n == 0 && !net::WaitWritable(socket, 1000)) return false;
        sent += n;
    }
    return true;
}

// Whole MBAP requests become RTU frames for the drive, and its answers MBAP
// frames with the request's transaction id, as a gateway does. A header no
// request has ends the connection.
bool CNetListener::ServeModbusTcp(Client& client)
{
    auto& in = client.input;
    while (in.size() >= 7) {
        const std::size_t following = U16(in.data() + 4);
        if (U16(in.data() + 2) != 0 || following < 2 || following > 254) return false;
        if (in.size() < 6 + following) return true;
        std::vector<std::uint8_t> request(in.begin() + 6, in.begin() + 6 + static_cast<std::ptrdiff_t>(following));
        AppendCrc(request);
        std::vector<std::uint8_t> answer;
        if (m_line.Exchange(request, answer) && answer.size() >= 4) {
            const std::size_t length = answer.size() - 2;
            // Sized first: GCC 12 sees an overflow in a growing insert here
            // once the code is position-independent.
            std::vector<std::uint8_t> frame(6 + length);
            frame[0] = in[0];
            frame[1] = in[1];
            frame[4] = static_cast<std::uint8_t>(length >> 8);
            frame[5] = static_cast<std::uint8_t>(length);
            std::copy(answer.begin(), answer.end() - 2, frame.begin() + 6);
            if (!SendAll(client.socket, frame)) return false;
        }
        in.erase(in.begin(), in.begin() + 6 + static_cast<std::ptrdiff_t>(following));
    }
    return true;
}

bool CNetListener::ServeRtu(Client& client)
{
    CSlaveFrameParser::Frame request;
    while (client.parser->Next(request)) {
        std::vector<std::uint8_t> answer;
        if (m_line.Exchange(request, answer) && !SendAll(client.socket, answer)) return false;
    }
    return true;
}

void CNetListener::Accept(const Listener& listener)
{
    const net::Socket socket = net::Accept(listener.socket);
    if (socket == net::kNoSocket) return;
    Client c;
    c.socket = socket;
    c.modbusTcp = listener.address.modbusTcp;
    if (!c.modbusTcp) c.parser = std::make_unique<CSlaveFrameParser>();
    m_clients.push_back(std::move(c));
}

bool CNetListener::Receive(Client& client, long long now)
{
    std::uint8_t buf[512];
    std::size_t got = 0;
    if (!net::ReceiveSome(client.socket, buf, sizeof buf, got)) return false;
    if (got == 0) return true;
    client.lastInputMs = now;
    if (client.modbusTcp) {
        client.input.insert(client.input.end(), buf, buf + got);
        return ServeModbusTcp(client);
    }
    client.parser->Feed(buf, got);
    return ServeRtu(client);
}

void CNetListener::Run()
{
    std::vector<net::Watch> watches;
    while (!m_stop.load()) {
        watches.clear();
        watches.push_back({m_wake.Handle()});
        for (const Listener& l : m_listeners) watches.push_back({l.socket});
        const std::size_t firstClient = watches.size();
        int timeout = -1;
        for (const Client& c : m_clients) {
            watches.push_back({c.socket});
            if (c.parser && c.parser->HasPartialInput()) timeout = static_cast<int>(kRtuSilenceMs);
        }
        if (!net::WaitReadable(watches, timeout) || m_stop.load()) return;
        if (watches[0].ready) m_wake.Drain();

        const long long now = NowMs();
        for (std::size_t i = 0; i < m_listeners.size(); ++i)
            if (watches[1 + i].ready) Accept(m_listeners[i]);
        std::vector<net::Socket> closing;
        for (std::size_t i = firstClient; i < watches.size(); ++i) {
            if (!watches[i].ready) continue;
            auto it = std::find_if(m_clients.begin(), m_clients.end(),
                                   [&](const Client& c) { return c.socket == watches[i].socket; });
            if (it != m_clients.end() && !Receive(*it, now)) closing.push_back(it->socket);
        }
        for (Client& c : m_clients) {
            if (c.parser && c.parser->HasPartialInput() && now - c.lastInputMs >= kRtuSilenceMs) {
                c.parser->Silence();
                if (!ServeRtu(c)) closing.push_back(c.socket);
            }
        }
        for (const net::Socket socket : closing) {
            auto it =
                std::find_if(m_clients.begin(), m_clients.end(), [&](const Client& c) { return c.socket == socket; });
            if (it == m_clients.end()) continue;
            net::Close(it->socket);
            m_clients.erase(it);
        }
    }
}

}  // namespace zoric::sim
