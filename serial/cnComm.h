#pragma once
// cnComm: the serial port. One open device, its line settings, and the
// waits, reads and writes the link does on it; the frames are the owner's.
// Linux: a termios tty opened exclusively and non-blocking, with a watch
// thread for exceptional line conditions. Windows: a COM port opened
// exclusively for overlapped I/O; the receive wait is an overlapped read of
// the first byte, so an idle port sleeps.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LineErrors.h"
#include "PortOpenError.h"
#include "WakeSignal.h"

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

    bool IsOpen() const;
    bool IsWatchThreadRunning() const;

    // Why the last Open failed (reason None after a good one); owner thread.
    const PortOpenError& LastOpenError() const { return m_openError; }

    // The line is gone: the device hung up (a USB adapter unplugged, the
    // simulator ended) or its handle fails. Set by whichever thread sees
    // it first, kept until the next Open; the handle stays held until
    // Close. MarkLost is true for the one call that found the port whole.
    bool IsLost() const { return m_lost.load(); }
    bool MarkLost();
    // How many times a port of this object was lost, so that a watcher
    // reacts once to each loss.
    uint32_t LossCount() const { return m_lossCount.load(); }

#ifndef _WIN32
    int Handle() const { return m_handle.load(); }
    // True when `revents` of a poll on the port say the line is gone.
    static bool HungUp(short revents);
    // Stands in for open(2) on the device, for tests that need a failure a
    // test run cannot produce (permission denied, as root); nullptr restores it.
    using OpenFunction = int (*)(const char* path, int flags);
    static void SetOpenFunction(OpenFunction function);
#endif

    // Owner-side operations (what the platform offers on a port handle).
    bool ApplyMode(const char* modeText);  // parse and apply
    bool SetupQueues(uint32_t inBytes, uint32_t outBytes);
    bool Purge(bool input, bool output);
    bool QueryStatus(CommStatus& status);  // clears the error state
    bool RaiseRts();

    // The receive side, for one waiting thread at a time: sleeps until
    // input is waiting, WakeWaiter() is called (from any thread), the time
    // runs out (-1: never) or the line is gone (then marked lost).
    enum class Wait { Input, Woken, TimedOut, Lost };
    Wait WaitForInput(int timeoutMs);
    void WakeWaiter();
    // Takes what has arrived without waiting (any thread): the bytes read,
    // at most `room`; -1 when the line is gone (marked lost).
    long Read(uint8_t* dest, size_t room);
    // Sends `length` bytes. A line slow to take them is given a bounded
    // while, then left. False when the line is gone (marked lost).
    bool Write(const uint8_t* bytes, size_t length);

    static bool ParseMode(const char* modeText, LineSettings& out);

    uint32_t m_portNumber = 0;
    std::string m_portName;  // device path or "\\.\COMn"; written by the owner before Open
    uint32_t m_openFlags = 0;
    uint32_t m_eventMask = kDefaultEventMask;
    uint32_t m_notifyThreshold = 0;
    bool m_useWatchThread = true;
    // Listen-only: the port is opened for reading; nothing can be sent.
    bool m_readOnly = false;

protected:
    virtual void InitMembers();
    virtual void FreeMembers();
    virtual void WatchLoop();

private:
    bool Fail(int error, PortOpenReason reason);

    PortOpenError m_openError;
    std::atomic<bool> m_lost{false};
    std::atomic<uint32_t> m_lossCount{0};
    std::atomic<bool> m_watchRunning{false};
    std::thread m_watchThread;
    CWakeSignal m_readerWake;  // ends WaitForInput

    std::mutex m_lock;  // kept for subclasses; this program takes it nowhere

#ifdef _WIN32
    bool OpenHandle();
    // Records line errors and the bytes in the driver's queue; false (and
    // lost) when the port is gone.
    bool ClearErrors(uint32_t* waiting);
    // Moves what the driver holds into m_input (after a completed first byte).
    bool DrainDriver();
    // The overlapped first-byte read of the receive wait.
    bool StartWaitRead();
    bool FinishWaitRead(bool wait);
    bool LostOn(unsigned long error);

    std::atomic<void*> m_handle{nullptr};  // HANDLE; nullptr when closed
    struct Overlapped;
    Overlapped* m_readIo = nullptr;
    Overlapped* m_writeIo = nullptr;
    // Filled by the waiting thread, drained by Read; m_inputLock guards it
    // and the line errors found on the way.
    std::mutex m_inputLock;
    std::vector<uint8_t> m_input;
    bool m_waitReadPending = false;  // the waiting thread's alone
    uint8_t m_firstByte = 0;
    CommStatus m_errorsSeen;
#else
    void WakeWatch();
    void DrainWake();
    struct Counters {
        uint32_t frame, parity, overrun, brk;
    };
    bool ReadCounters(Counters& out);

    std::atomic<int> m_handle{-1};
    CWakeSignal m_watchWake;  // interrupts the watch thread's wait

    // Line error counters last seen, so a query reports only new errors.
    std::mutex m_statusLock;
    bool m_haveCounters = false;
    uint32_t m_lastFrame = 0, m_lastParity = 0, m_lastOverrun = 0, m_lastBrk = 0;
#endif
};
