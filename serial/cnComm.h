#pragma once
// cnComm: the serial port. One open device, its line settings, and a watch
// thread that waits for port events. On Linux the port is a termios tty opened
// exclusively and non-blocking; the frame I/O itself is done by the owner.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include <termios.h>

#include "LineErrors.h"
#include "PortOpenError.h"

// Line state as the owner asks for it before and while reading: bytes waiting
// and whether a line error (framing, parity, overrun, break) occurred since the
// last query. Every query clears the error state, like the port's error flags.
struct CommStatus {
    uint32_t waiting = 0;
    uint32_t framing = 0;
    uint32_t parity = 0;
    uint32_t overrun = 0;
    uint32_t breaks = 0;
    bool AnyError() const { return framing || parity || overrun || breaks; }
    void AddTo(LineErrorCounts& counts) const
    {
        counts.framing += framing;
        counts.parity += parity;
        counts.overrun += overrun;
        counts.breaks += breaks;
    }
};

// Line settings parsed from a mode text such as "9600,n,8,2".
struct LineSettings {
    int baud = 0;
    char parity = 'n';  // n, o or e
    int dataBits = 8;
    int stopBits = 1;
};

class cnComm {
public:
    // Event bits the watch thread waits for (received character, tx empty,
    // modem lines, break, line error, ring): everything but the flag character.
    static constexpr uint32_t kDefaultEventMask = 0x1FD;

    cnComm(uint32_t openFlags, bool useWatchThread);
    virtual ~cnComm();
    cnComm(const cnComm&) = delete;
    cnComm& operator=(const cnComm&) = delete;

    virtual void Close();
    virtual bool Open();
    virtual bool ConfigureQueues();

    // Notifications: this program registers no receiver, so they post nothing;
    // the error notification still reads (and so clears) the line error state.
    virtual void NotifyReceive() {}
    virtual void NotifyDsr() {}
    virtual void NotifyCts() {}
    virtual void NotifyBreak() {}
    virtual void NotifyTxEmpty() {}
    virtual void NotifyError();
    virtual void NotifyRing() {}
    virtual void NotifyCarrier() {}

    bool IsOpen() const { return m_handle.load() >= 0; }
    int Handle() const { return m_handle.load(); }
    bool IsWatchThreadRunning() const;

    // Why the last Open failed (reason None after a good one); owner thread.
    const PortOpenError& LastOpenError() const { return m_openError; }

    // The line is gone: the device hung up (a USB adapter unplugged, the
    // simulator ended) or its descriptor fails. Set by whichever thread sees
    // it first, kept until the next Open; the descriptor stays held until
    // Close. MarkLost is true for the one call that found the port whole.
    bool IsLost() const { return m_lost.load(); }
    bool MarkLost();
    // How many times a port of this object was lost, so that a watcher
    // reacts once to each loss.
    uint32_t LossCount() const { return m_lossCount.load(); }
    // True when `revents` of a poll on the port say the line is gone.
    static bool HungUp(short revents);

    // Stands in for open(2) on the device, for tests that need a failure a
    // test run cannot produce (permission denied, as root); nullptr restores it.
    using OpenFunction = int (*)(const char* path, int flags);
    static void SetOpenFunction(OpenFunction function);

    // Owner-side operations (what the platform offers on a port handle).
    bool ApplyMode(const char* modeText);              // parse and apply
    bool SetupQueues(uint32_t inBytes, uint32_t outBytes);
    bool Purge(bool input, bool output);
    bool QueryStatus(CommStatus& status);              // clears the error state
    bool RaiseRts();

    static bool ParseMode(const char* modeText, LineSettings& out);

    uint32_t m_portNumber = 0;
    std::string m_portName;   // device path; written by the owner before Open
    uint32_t m_openFlags = 0;
    uint32_t m_eventMask = kDefaultEventMask;
    uint32_t m_notifyThreshold = 0;
    bool m_useWatchThread = true;

protected:
    virtual void InitMembers();
    virtual void FreeMembers();
    virtual void WatchLoop();

private:
    void WakeWatch();
    void DrainWake();
    struct Counters { uint32_t frame, parity, overrun, brk; };
    bool ReadCounters(Counters& out);

    std::atomic<int> m_handle{-1};
    std::atomic<bool> m_watchRunning{false};
    std::thread m_watchThread;
    int m_wakeFd = -1;  // eventfd that interrupts the watch thread's wait
    PortOpenError m_openError;
    std::atomic<bool> m_lost{false};
    std::atomic<uint32_t> m_lossCount{0};

    // Line error counters last seen, so a query reports only new errors.
    std::mutex m_statusLock;
    bool m_haveCounters = false;
    uint32_t m_lastFrame = 0, m_lastParity = 0, m_lastOverrun = 0, m_lastBrk = 0;

    std::mutex m_lock;  // kept for subclasses; this program takes it nowhere
};
