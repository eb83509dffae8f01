#include "NetListener.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

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
    for (ListenAddress& a : addresses) m_listeners.push_back({std::move(a), -1, 0});
}

CNetListener::~CNetListener()
{
    Stop();
}

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
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
        addrinfo* found = nullptr;
        const std::string service = std::to_string(l.address.port);
        if (const int e = ::getaddrinfo(l.address.host.c_str(), service.c_str(), &hints, &found); e != 0) {
            m_lastError = "cannot resolve " + l.address.host + ": " + ::gai_strerror(e);
            Stop();
            return false;
        }
        for (const addrinfo* a = found; a && l.fd < 0; a = a->ai_next) {
            const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
            if (fd < 0) continue;
            int one = 1;
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
            if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 8) == 0) {
                l.fd = fd;
            } else {
                m_lastError = "cannot listen on " + l.address.host + ":" + service + ": " + std::strerror(errno);
                ::close(fd);
            }
        }
        ::freeaddrinfo(found);
        if (l.fd < 0) {
            Stop();
            return false;
        }
        sockaddr_storage bound{};
        socklen_t size = sizeof bound;
        if (::getsockname(l.fd, reinterpret_cast<sockaddr*>(&bound), &size) == 0)
            l.boundPort = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                                            : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    }
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
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
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    for (Client& c : m_clients) ::close(c.fd);
    m_clients.clear();
    for (Listener& l : m_listeners) {
        if (l.fd >= 0) ::close(l.fd);
        l.fd = -1;
    }
    if (m_wakeFd >= 0) ::close(m_wakeFd);
    m_wakeFd = -1;
}

bool CNetListener::SendAll(int fd, const std::vector<std::uint8_t>& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) <= 0) return false;
            continue;
        }
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
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
            std::vector<std::uint8_t> frame = {in[0], in[1], 0, 0, static_cast<std::uint8_t>(length >> 8),
                                               static_cast<std::uint8_t>(length)};
            frame.insert(frame.end(), answer.begin(), answer.end() - 2);
            if (!SendAll(client.fd, frame)) return false;
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
        if (m_line.Exchange(request, answer) && !SendAll(client.fd, answer)) return false;
    }
    return true;
}

void CNetListener::Run()
{
    std::vector<pollfd> fds;
    while (!m_stop.load()) {
        fds.clear();
        fds.push_back({m_wakeFd, POLLIN, 0});
        for (const Listener& l : m_listeners) fds.push_back({l.fd, POLLIN, 0});
        const std::size_t firstClient = fds.size();
        int timeout = -1;
        for (const Client& c : m_clients) {
            fds.push_back({c.fd, POLLIN, 0});
            if (c.parser && c.parser->HasPartialInput()) timeout = static_cast<int>(kRtuSilenceMs);
        }
        const int n = ::poll(fds.data(), fds.size(), timeout);
        if (m_stop.load() || (n < 0 && errno != EINTR)) return;

        const long long now = NowMs();
        for (std::size_t i = 0; i < m_listeners.size(); ++i) {
            if (!(fds[1 + i].revents & POLLIN)) continue;
            const int fd = ::accept4(m_listeners[i].fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0) continue;
            int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            Client c;
            c.fd = fd;
            c.modbusTcp = m_listeners[i].address.modbusTcp;
            if (!c.modbusTcp) c.parser = std::make_unique<CSlaveFrameParser>();
            m_clients.push_back(std::move(c));
        }
        std::vector<int> closing;
        for (std::size_t i = firstClient; n > 0 && i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            auto it = std::find_if(m_clients.begin(), m_clients.end(), [&](const Client& c) { return c.fd == fds[i].fd; });
            if (it == m_clients.end()) continue;
            std::uint8_t buf[512];
            const ssize_t got = ::recv(it->fd, buf, sizeof buf, MSG_DONTWAIT);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                closing.push_back(it->fd);
                continue;
            }
            if (got < 0) continue;
            it->lastInputMs = now;
            bool keep;
            if (it->modbusTcp) {
                it->input.insert(it->input.end(), buf, buf + got);
                keep = ServeModbusTcp(*it);
            } else {
                it->parser->Feed(buf, static_cast<std::size_t>(got));
                keep = ServeRtu(*it);
            }
            if (!keep) closing.push_back(it->fd);
        }
        for (Client& c : m_clients) {
            if (c.parser && c.parser->HasPartialInput() && now - c.lastInputMs >= kRtuSilenceMs) {
                c.parser->Silence();
                if (!ServeRtu(c)) closing.push_back(c.fd);
            }
        }
        for (const int fd : closing) {
            auto it = std::find_if(m_clients.begin(), m_clients.end(), [&](const Client& c) { return c.fd == fd; });
            if (it == m_clients.end()) continue;
            ::close(it->fd);
            m_clients.erase(it);
        }
    }
}

}  // namespace zoric::sim
