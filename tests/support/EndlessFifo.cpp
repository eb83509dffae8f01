#include "EndlessFifo.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

CEndlessFifo::CEndlessFifo(std::string head, size_t cap) : m_head(std::move(head)), m_cap(cap)
{
    char dir[] = "/tmp/zoric-fifo.XXXXXX";
    if (!::mkdtemp(dir)) return;
    m_dir = dir;
    const std::string path = m_dir + "/endless.json";
    if (::mkfifo(path.c_str(), 0600) != 0) return;
    m_path = path;
    m_writer = std::thread([this] { Feed(); });
}

CEndlessFifo::~CEndlessFifo()
{
    Finish();
    if (!m_path.empty()) ::unlink(m_path.c_str());
    if (!m_dir.empty()) ::rmdir(m_dir.c_str());
}

bool CEndlessFifo::Finish()
{
    m_stop = true;
    if (m_writer.joinable()) m_writer.join();
    return m_readerGaveUp;
}

void CEndlessFifo::Feed()
{
    // A closed reader is EPIPE here, not a SIGPIPE that ends the test.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    // Opened without blocking, so that a reader that never comes does not
    // hold the writer (and the test's end) for ever.
    int fd = -1;
    while (!m_stop && fd < 0) {
        fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0 && errno != ENXIO) return;
        if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (fd < 0) return;
    ::fcntl(fd, F_SETFL, 0);

    const std::vector<char> blanks(64 * 1024, ' ');
    size_t sent = 0;
    bool headDone = false;
    while (sent < m_cap) {
        const char* data = headDone ? blanks.data() : m_head.data() + sent;
        const size_t size = headDone ? std::min(blanks.size(), m_cap - sent) : m_head.size() - sent;
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            m_readerGaveUp = errno == EPIPE;
            break;
        }
        sent += static_cast<size_t>(n);
        headDone = headDone || sent >= m_head.size();
    }
    ::close(fd);
}
