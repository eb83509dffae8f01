#include "ScriptedSlave.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include "Crc.h"

std::vector<uint8_t> WithCrc(std::vector<uint8_t> frame)
{
    uint16_t crc = ComputeCrc(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

CScriptedSlave::CScriptedSlave(const std::string& path, Script script) : m_script(std::move(script))
{
    m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) return;
    termios t{};
    tcgetattr(m_fd, &t);
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD | CSTOPB;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(m_fd, TCSANOW, &t);
    m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this] { Run(); });
}

CScriptedSlave::~CScriptedSlave()
{
    m_stop = true;
    if (m_wake >= 0) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(m_wake, &one, sizeof one);
    }
    if (m_thread.joinable()) m_thread.join();
    if (m_fd >= 0) close(m_fd);
    if (m_wake >= 0) close(m_wake);
}

std::vector<std::vector<uint8_t>> CScriptedSlave::Requests() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_requests;
}

size_t CScriptedSlave::RequestLength(const std::vector<uint8_t>& buf)
{
    if (buf.size() < 2) return 0;
    switch (buf[1]) {
    case 0x03:
    case 0x06: return 8;
    case 0x10: return buf.size() >= 7 ? 9u + buf[6] : 0;
    case 0x2B: return 7;
    default: return buf.size();  // unknown: take what came
    }
}

void CScriptedSlave::Run()
{
    std::vector<uint8_t> pending;
    uint8_t buf[512];
    while (!m_stop.load()) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (poll(fds, 2, 1000) < 0 && errno != EINTR) return;
        if (!(fds[0].revents & POLLIN)) continue;
        ssize_t n = read(m_fd, buf, sizeof buf);
        if (n <= 0) continue;
        pending.insert(pending.end(), buf, buf + n);
        size_t len;
        while ((len = RequestLength(pending)) != 0 && pending.size() >= len) {
            std::vector<uint8_t> request(pending.begin(), pending.begin() + static_cast<long>(len));
            pending.erase(pending.begin(), pending.begin() + static_cast<long>(len));
            {
                std::lock_guard<std::mutex> g(m_lock);
                m_requests.push_back(request);
            }
            SlaveReply reply = m_script(request);
            for (const auto& piece : reply.pieces) {
                if (piece.delay.count() > 0) {
                    pollfd w{m_wake, POLLIN, 0};
                    if (poll(&w, 1, static_cast<int>(piece.delay.count())) > 0) return;
                }
                size_t off = 0;
                while (off < piece.bytes.size()) {
                    ssize_t k = write(m_fd, piece.bytes.data() + off, piece.bytes.size() - off);
                    if (k > 0) off += static_cast<size_t>(k);
                    else if (k < 0 && errno != EAGAIN && errno != EINTR) break;
                    else {
                        pollfd p{m_fd, POLLOUT, 0};
                        poll(&p, 1, 10);
                    }
                }
            }
        }
    }
}
