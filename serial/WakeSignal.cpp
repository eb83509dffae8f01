#include "WakeSignal.h"

#ifdef _WIN32

#include <windows.h>

CWakeSignal::CWakeSignal() : m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CWakeSignal::~CWakeSignal()
{
    if (m_event) CloseHandle(m_event);
}

void CWakeSignal::Set()
{
    if (m_event) SetEvent(m_event);
}

void CWakeSignal::Clear()
{
    if (m_event) ResetEvent(m_event);
}

#else

#include <cstdint>

#include <sys/eventfd.h>
#include <unistd.h>

CWakeSignal::CWakeSignal() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CWakeSignal::~CWakeSignal()
{
    if (m_fd >= 0) ::close(m_fd);
}

void CWakeSignal::Set()
{
    if (m_fd < 0) return;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_fd, &one, sizeof one);
}

void CWakeSignal::Clear()
{
    if (m_fd < 0) return;
    uint64_t drain;
    [[maybe_unused]] ssize_t n = ::read(m_fd, &drain, sizeof drain);
}

#endif
