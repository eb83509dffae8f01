// cnComm on a Windows COM port: one handle opened exclusively for
// overlapped I/O. The receive wait is an overlapped read of one byte with no
// read time-outs, so the waiting thread sleeps until the line speaks; it is
// ended by the wake-up or by the close (CancelIoEx). What the driver holds
// after that first byte is read at once into a small queue that Read drains,
// so that bytes never change their order between the waiting thread and a
// reader on another thread. Line errors come from ClearCommError.
#include "cnComm.h"

#include <windows.h>

#include <algorithm>

struct cnComm::Overlapped {
    OVERLAPPED io{};
    Overlapped() { io.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped()
    {
        if (io.hEvent) CloseHandle(io.hEvent);
    }
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;
    // Each operation starts with a clean record and an unsignalled event.
    OVERLAPPED* Fresh()
    {
        HANDLE event = io.hEvent;
        io = OVERLAPPED{};
        io.hEvent = event;
        ResetEvent(event);
        return &io;
    }
};

namespace {

constexpr DWORD kQueueBytes = 4096;
// A wait that fails for a reason that is neither a lost port nor our own
// cancel is tried again after this long, so that it never spins.
constexpr DWORD kRetryMs = 50;
constexpr DWORD kWriteTimeoutMs = 1000;

// The errors of a port whose device went away: a USB adapter pulled out
// (access denied, bad command, general failure, not connected), a device
// that is no longer ready, or a virtual port whose other end was closed
// (broken pipe).
bool PortGone(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_BAD_COMMAND || error == ERROR_GEN_FAILURE ||
           error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_NOT_READY || error == ERROR_BROKEN_PIPE;
}

}  // namespace

void cnComm::InitMembers()
{
    m_portName.clear();
    m_handle = nullptr;
    m_eventMask = kDefaultEventMask;
    m_notifyThreshold = 0;
    m_readIo = new Overlapped;
    m_writeIo = new Overlapped;
}

void cnComm::FreeMembers()
{
    delete m_readIo;
    delete m_writeIo;
    m_readIo = m_writeIo = nullptr;
}

bool cnComm::IsOpen() const { return m_handle.load() != nullptr; }

bool cnComm::LostOn(unsigned long error)
{
    if (!PortGone(error)) return false;
    MarkLost();
    return true;
}

bool cnComm::Open()
{
    if (IsOpen()) Close();
    m_lost = false;
    m_openError = PortOpenError{};
    m_openError.device = m_portName;
    if (m_portName.empty()) return Fail(ERROR_FILE_NOT_FOUND, PortOpenReason::NoDevice);
    const DWORD access = GENERIC_READ | (m_readOnly ? 0 : GENERIC_WRITE);
    // Share mode 0: no other program (and no other handle of ours) gets it.
    HANDLE h = CreateFileA(m_portName.c_str(), access, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED | m_openFlags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return Fail(static_cast<int>(error), OpenReasonOf(static_cast<int>(error)));
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        return Fail(static_cast<int>(error), PortOpenReason::NotSerial);
    }
    {
        std::lock_guard<std::mutex> g(m_inputLock);
        m_input.clear();
        m_errorsSeen = CommStatus{};
    }
    m_waitReadPending = false;
    m_readerWake.Clear();
    m_handle = h;
    // No watch thread here: it would post nothing, and the line errors are
    // read after each exchange.
    return true;
}

bool cnComm::ConfigureQueues()
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    if (!h) return false;
    if (!SetupComm(h, kQueueBytes, kQueueBytes)) return false;
    COMMTIMEOUTS t{};
    if (!GetCommTimeouts(h, &t)) return false;
    // Reads: no time-outs. The receive wait is a read of one byte that
    // stays pending until the byte comes (or the wait is cancelled), and
    // the reads after it ask for exactly what the driver holds.
    t.ReadIntervalTimeout = 0;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = 0;
    // Writes: bounded by 1 ms a byte plus one second, so a stuck line
    // never holds a transaction for longer.
    t.WriteTotalTimeoutMultiplier = 1;
    t.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!SetCommTimeouts(h, &t)) return false;
    return PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != 0;
}

void cnComm::Close()
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    if (!h) return;
    PurgeComm(h, PURGE_TXABORT | PURGE_TXCLEAR);
    // The waiting thread has ended (its owner joins it first); its read may
    // still be pending and must be reaped before the record is reused.
    if (m_waitReadPending) {
        CancelIoEx(h, &m_readIo->io);
        DWORD got = 0;
        GetOverlappedResult(h, &m_readIo->io, &got, TRUE);
        m_waitReadPending = false;
    }
    m_handle = nullptr;
    CloseHandle(h);
    std::lock_guard<std::mutex> g(m_inputLock);
    m_input.clear();
}

bool cnComm::ApplyMode(const char* modeText)
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    LineSettings s;
    if (!h || !ParseMode(modeText, s)) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb)) return false;
    if (!BuildCommDCBA(modeText, &dcb)) return false;
    // No handshake, and errors never stop the port (they are read and
    // counted instead).
    dcb.fBinary = TRUE;
    dcb.fParity = s.parity != 'n';
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    return SetCommState(h, &dcb) != 0;
}

bool cnComm::SetupQueues(uint32_t inBytes, uint32_t outBytes)
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    return h && SetupComm(h, inBytes, outBytes);
}

bool cnComm::Purge(bool input, bool output)
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    if (!h) return false;
    // The input is cleared, not aborted: the receive wait stays as it is.
    DWORD flags = (input ? PURGE_RXCLEAR : 0) | (output ? PURGE_TXABORT | PURGE_TXCLEAR : 0);
    if (input) {
        std::lock_guard<std::mutex> g(m_inputLock);
        m_input.clear();
    }
    return flags == 0 || PurgeComm(h, flags);
}

bool cnComm::ClearErrors(uint32_t* waiting)
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    if (!h) return false;
    DWORD errors = 0;
    COMSTAT stat{};
    if (!ClearCommError(h, &errors, &stat)) {
        LostOn(GetLastError());
        return !IsLost();
    }
    if (waiting) *waiting = stat.cbInQue;
    if (errors & (CE_FRAME | CE_RXPARITY | CE_OVERRUN | CE_RXOVER | CE_BREAK)) {
        std::lock_guard<std::mutex> g(m_inputLock);
        m_errorsSeen.framing += (errors & CE_FRAME) ? 1 : 0;
        m_errorsSeen.parity += (errors & CE_RXPARITY) ? 1 : 0;
        m_errorsSeen.overrun += (errors & (CE_OVERRUN | CE_RXOVER)) ? 1 : 0;
        m_errorsSeen.breaks += (errors & CE_BREAK) ? 1 : 0;
    }
    return true;
}

bool cnComm::QueryStatus(CommStatus& status)
{
    uint32_t driver = 0;
    if (!ClearErrors(&driver)) return false;
    std::lock_guard<std::mutex> g(m_inputLock);
    status = m_errorsSeen;
    status.waiting = driver + static_cast<uint32_t>(m_input.size());
    m_errorsSeen = CommStatus{};
    return true;
}

bool cnComm::RaiseRts()
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    if (!h) return false;
    // An adapter without modem lines refuses this; that does not matter on
    // an RS-485 line with automatic direction.
    EscapeCommFunction(h, SETRTS);
    return true;
}

bool cnComm::DrainDriver()
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    uint8_t chunk[512];
    for (;;) {
        uint32_t waiting = 0;
        if (!ClearErrors(&waiting)) return false;
        if (waiting == 0) return true;
        const DWORD want = std::min<DWORD>(waiting, sizeof chunk);
        DWORD got = 0;
        OVERLAPPED* io = m_readIo->Fresh();
        if (!ReadFile(h, chunk, want, nullptr, io) && GetLastError() != ERROR_IO_PENDING) {
            return !LostOn(GetLastError());
        }
        // Exactly what the driver holds: this completes at once.
        if (!GetOverlappedResult(h, io, &got, TRUE)) return !LostOn(GetLastError());
        if (got == 0) return true;
        std::lock_guard<std::mutex> g(m_inputLock);
        m_input.insert(m_input.end(), chunk, chunk + got);
    }
}

bool cnComm::StartWaitRead()
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    OVERLAPPED* io = m_readIo->Fresh();
    // Completed at once or pending: either way the event tells, and
    // FinishWaitRead collects the byte.
    if (!ReadFile(h, &m_firstByte, 1, nullptr, io) && GetLastError() != ERROR_IO_PENDING) return false;
    m_waitReadPending = true;
    return true;
}

bool cnComm::FinishWaitRead(bool wait)
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    DWORD got = 0;
    if (!GetOverlappedResult(h, &m_readIo->io, &got, wait ? TRUE : FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE) return true;
        m_waitReadPending = false;
        return !LostOn(error);  // our own cancel (ERROR_OPERATION_ABORTED) is no loss
    }
    m_waitReadPending = false;
    if (got == 1) {
        std::lock_guard<std::mutex> g(m_inputLock);
        m_input.push_back(m_firstByte);
    }
    return true;
}

cnComm::Wait cnComm::WaitForInput(int timeoutMs)
{
    if (!IsOpen() || IsLost()) return Wait::Lost;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        {
            std::lock_guard<std::mutex> g(m_inputLock);
            if (!m_input.empty()) return Wait::Input;
        }
        if (!m_waitReadPending) {
            // Bytes the driver holds already are taken without a wait.
            if (!DrainDriver()) return Wait::Lost;
            {
                std::lock_guard<std::mutex> g(m_inputLock);
                if (!m_input.empty()) return Wait::Input;
            }
            if (!StartWaitRead()) {
                if (LostOn(GetLastError())) return Wait::Lost;
                if (WaitForSingleObject(m_readerWake.Handle(), kRetryMs) == WAIT_OBJECT_0) {
                    m_readerWake.Clear();
                    return Wait::Woken;
                }
                return Wait::TimedOut;
            }
        }
        DWORD left = INFINITE;
        if (timeoutMs >= 0) {
            const ULONGLONG spent = GetTickCount64() - start;
            left = spent >= static_cast<ULONGLONG>(timeoutMs) ? 0 : static_cast<DWORD>(timeoutMs - spent);
        }
        HANDLE waits[2] = {m_readIo->io.hEvent, m_readerWake.Handle()};
        const DWORD r = WaitForMultipleObjects(2, waits, FALSE, left);
        if (r == WAIT_OBJECT_0 + 1) {
            m_readerWake.Clear();
            return Wait::Woken;
        }
        if (r == WAIT_TIMEOUT) return Wait::TimedOut;
        if (r != WAIT_OBJECT_0) return Wait::Lost;
        if (!FinishWaitRead(false) || !DrainDriver()) return Wait::Lost;
        std::lock_guard<std::mutex> g(m_inputLock);
        if (m_input.empty() && !m_waitReadPending) {
            // The read ended without a byte (a purge, a driver's own
            // time-out): wait a little before the next, never spin.
            if (WaitForSingleObject(m_readerWake.Handle(), kRetryMs) == WAIT_OBJECT_0) {
                m_readerWake.Clear();
                return Wait::Woken;
            }
        }
    }
}

void cnComm::WakeWaiter() { m_readerWake.Set(); }

long cnComm::Read(uint8_t* dest, size_t room)
{
    std::lock_guard<std::mutex> g(m_inputLock);
    const size_t n = std::min(room, m_input.size());
    std::copy_n(m_input.begin(), n, dest);
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<long>(n));
    if (n == 0 && IsLost()) return -1;
    return static_cast<long>(n);
}

bool cnComm::Write(const uint8_t* bytes, size_t length)
{
    HANDLE h = static_cast<HANDLE>(m_handle.load());
    if (!h || m_readOnly) return !IsLost();
    OVERLAPPED* io = m_writeIo->Fresh();
    DWORD sent = 0;
    if (!WriteFile(h, bytes, static_cast<DWORD>(length), nullptr, io) && GetLastError() != ERROR_IO_PENDING)
        return !LostOn(GetLastError());
    // The write time-outs end a slow write (1 ms a byte and a second); a
    // driver that does not keep them is cancelled a little later, and one
    // that cannot even be cancelled has lost its device.
    const DWORD bound = kWriteTimeoutMs + static_cast<DWORD>(length) + kRetryMs;
    if (WaitForSingleObject(io->hEvent, bound) != WAIT_OBJECT_0) {
        CancelIoEx(h, io);
        if (WaitForSingleObject(io->hEvent, kWriteTimeoutMs) != WAIT_OBJECT_0) {
            MarkLost();
            return false;
        }
    }
    if (!GetOverlappedResult(h, io, &sent, FALSE)) return !LostOn(GetLastError());
    return true;
}

void cnComm::WatchLoop() {}
