#pragma once
// A wake-up another thread can wait on beside its port or socket: set from
// any thread, it ends the wait; cleared by the waiter. Linux: an eventfd for
// poll(2); Windows: a manual-reset event for WaitForMultipleObjects.

class CWakeSignal {
public:
    CWakeSignal();
    ~CWakeSignal();
    CWakeSignal(const CWakeSignal&) = delete;
    CWakeSignal& operator=(const CWakeSignal&) = delete;

    void Set();
    void Clear();
#ifdef _WIN32
    void* Handle() const { return m_event; }  // the event's HANDLE
#else
    int Fd() const { return m_fd; }  // readable while set
#endif

private:
#ifdef _WIN32
    void* m_event = nullptr;
#else
    int m_fd = -1;
#endif
};
