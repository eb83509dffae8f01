#pragma once
// Two pseudo-terminals joined back to back, like a null-modem cable: what is
// written to one end's tty comes out of the other's. Both ends are real ttys,
// so termios runs on each side (our master on one, a slave on the other).

#include <atomic>
#include <string>
#include <thread>

class CPtyBridge {
public:
    CPtyBridge();
    ~CPtyBridge();
    CPtyBridge(const CPtyBridge&) = delete;
    CPtyBridge& operator=(const CPtyBridge&) = delete;

    bool Ok() const { return m_ok; }
    const std::string& PathA() const { return m_pathA; }  // the master tool's end
    const std::string& PathB() const { return m_pathB; }  // the slave's end
    // Closes the far side of end A, as an unplugged adapter does: every
    // descriptor open on PathA() is hung up and the path goes away.
    // Returns once it is done.
    void HangUpA();
    // A raw descriptor on end B, as another device on the line writes to it;
    // -1 on failure.
    int OpenRawB() const;

private:
    void Run();
    int m_masterA = -1, m_masterB = -1;  // m_masterA: the bridge thread's while it runs
    int m_holdA = -1, m_holdB = -1;      // keep the ttys configured and alive between opens
    int m_wake = -1;
    std::string m_pathA, m_pathB;
    bool m_ok = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_hangUpA{false};
    std::atomic<bool> m_hungUpA{false};
    std::thread m_thread;
};
