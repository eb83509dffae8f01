#include "PtyBridge.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

int OpenPty(std::string& path, int& hold)
{
    int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m < 0 || grantpt(m) != 0 || unlockpt(m) != 0) return -1;
    const char* name = ptsname(m);
    if (!name) return -1;
    path = name;
    hold = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (hold >= 0) {
        termios t{};
        tcgetattr(hold, &t);
        cfmakeraw(&t);
        tcsetattr(hold, TCSANOW, &t);
    }
    return m;
}

}  // namespace

CPtyBridge::CPtyBridge()
{
    m_masterA = OpenPty(m_pathA, m_holdA);
    m_masterB = OpenPty(m_pathB, m_holdB);
    m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_ok = m_masterA >= 0 && m_masterB >= 0 && m_holdA >= 0 && m_holdB >= 0 && m_wake >= 0;
    if (m_ok) m_thread = std::thread([this] { Run(); });
}

CPtyBridge::~CPtyBridge()
{
    m_stop = true;
    if (m_wake >= 0) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(m_wake, &one, sizeof one);
    }
    if (m_thread.joinable()) m_thread.join();
    for (int fd : {m_masterA, m_masterB, m_holdA, m_holdB, m_wake})
        if (fd >= 0) close(fd);
}

void CPtyBridge::HangUpA()
{
    if (!m_thread.joinable()) return;
    m_hangUpA = true;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(m_wake, &one, sizeof one);
    while (!m_hungUpA.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void CPtyBridge::Run()
{
    char buf[512];
    while (!m_stop.load()) {
        if (m_hangUpA.load() && m_masterA >= 0) {
            // The slave end hangs up once its master and our own hold are gone.
            close(m_masterA);
            close(m_holdA);
            m_masterA = m_holdA = -1;
            m_hungUpA = true;
        }
        pollfd fds[3] = {{m_masterA, POLLIN, 0}, {m_masterB, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (poll(fds, 3, 1000) < 0 && errno != EINTR) return;
        if (fds[2].revents & POLLIN) {
            uint64_t drain;
            [[maybe_unused]] ssize_t n = read(m_wake, &drain, sizeof drain);
        }
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            int to = i == 0 ? m_masterB : m_masterA;
            for (ssize_t off = 0; n > 0 && off < n;) {
                ssize_t w = write(to, buf + off, static_cast<size_t>(n - off));
                if (w > 0) off += w;
                else if (w < 0 && errno != EAGAIN && errno != EINTR) break;
                else {
                    pollfd p{to, POLLOUT, 0};
                    poll(&p, 1, 10);
                }
            }
        }
    }
}

int CPtyBridge::OpenRawB() const
{
    const int fd = ::open(m_pathB.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return fd;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    return fd;
}
