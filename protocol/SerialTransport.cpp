#include "SerialTransport.h"

#include <cerrno>

bool CSerialTransport::Open(const PortAddress& port, PortOpenError& error)
{
    if (port.device.empty()) {
        error.reason = PortOpenReason::NoDevice;
        error.error = ENOENT;
        return false;
    }
    m_port.m_portNumber = port.portNumber;
    m_port.m_portName = port.device;
    if (!m_port.Open()) {
        const PortOpenError& why = m_port.LastOpenError();
        error.reason = why.reason;
        error.error = why.error;
        error.holderPid = why.holderPid;
        error.holderName = why.holderName;
        error.deviceGroup = why.deviceGroup;
        return false;
    }
    errno = 0;
    if (!m_port.ConfigureQueues() || !m_port.ApplyMode(port.mode.c_str())) {
        // A mode text that does not parse fails without an error number.
        error.reason = PortOpenReason::SettingsNotSupported;
        error.error = errno != 0 ? errno : EINVAL;
        m_port.Close();
        return false;
    }
    m_port.SetupQueues(100, 100);
    m_port.RaiseRts();
    m_port.Purge(true, false);
    return true;
}

ILinkTransport::Wait CSerialTransport::WaitForInput()
{
    // Sleeps until input arrives or Wake(): an idle port costs nothing.
    switch (m_port.WaitForInput(-1)) {
    case cnComm::Wait::Lost: return Wait::Lost;
    case cnComm::Wait::Woken: return Wait::Woken;
    case cnComm::Wait::Input:
    case cnComm::Wait::TimedOut: break;
    }
    return Wait::Input;
}

long CSerialTransport::ReadAvailable(uint8_t* dest, size_t room)
{
    CommStatus status;
    if (!Query(status)) return -1;
    if (status.AnyError()) {
        // A line error spoils the frame being received: drop it.
        m_port.Purge(true, false);
        return 0;
    }
    if (room == 0 || status.waiting == 0) return 0;
    return m_port.Read(dest, room);
}

bool CSerialTransport::Send(const uint8_t* frame, size_t length)
{
    CommStatus status;
    if (Query(status) && status.AnyError()) m_port.Purge(false, true);
    return m_port.Write(frame, length);
}

bool CSerialTransport::Query(CommStatus& status)
{
    if (!m_port.QueryStatus(status)) return false;
    if (status.AnyError()) {
        std::lock_guard<std::mutex> g(m_errorLock);
        status.AddTo(m_errors);
    }
    return true;
}

LineErrorCounts CSerialTransport::LineErrors() const
{
    std::lock_guard<std::mutex> g(m_errorLock);
    return m_errors;
}
