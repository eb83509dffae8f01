#pragma once
// A bare-bones master on the simulator's pty for what a Modbus library
// will not send or show: drive-specific exception codes, device
// identification, damaged frames, timing.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "SlaveCrc.h"

class RawLine {
public:
    using Bytes = std::vector<std::uint8_t>;

    explicit RawLine(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        termios tio{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~RawLine()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;

    bool IsOpen() const { return m_fd >= 0; }

    void Send(const Bytes& frame)
    {
        ::tcflush(m_fd, TCIFLUSH);
        [[maybe_unused]] const ssize_t n = ::write(m_fd, frame.data(), frame.size());
    }
    void SendWithCrc(Bytes frame)
    {
        zoric::sim::AppendCrc(frame);
        Send(frame);
    }

    // Everything that arrives until the line has been quiet for quietMs
    // after the first byte, or nothing if no byte comes within firstMs.
    Bytes Receive(int firstMs = 300, int quietMs = 80)
    {
        Bytes out;
        int wait = firstMs;
        for (;;) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, wait) <= 0) return out;
            std::uint8_t buf[512];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0) return out;
            out.insert(out.end(), buf, buf + n);
            wait = quietMs;
        }
    }

    Bytes Exchange(Bytes request, int firstMs = 300)
    {
        SendWithCrc(std::move(request));
        return Receive(firstMs);
    }

private:
    int m_fd;
};
