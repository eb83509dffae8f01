#pragma once
// CSerialTransport: RTU frames on a serial port (cnComm), whose waits,
// reads and writes are the system's own.

#include <cstdint>
#include <mutex>
#include <string>

#include "LinkTransport.h"
#include "PortOpenError.h"
#include "cnComm.h"

class CSerialTransport final : public ILinkTransport {
public:
    CSerialTransport() = default;
    ~CSerialTransport() override { m_port.Close(); }
    CSerialTransport(const CSerialTransport&) = delete;
    CSerialTransport& operator=(const CSerialTransport&) = delete;

    // Opens `port.device` with the line settings `port.mode`.
    bool Open(const PortAddress& port, PortOpenError& error) override;

    ILinkFraming& Framing() override { return m_framing; }
    bool IsOpen() const override { return m_port.IsOpen(); }
    void Close() override { m_port.Close(); }
    Wait WaitForInput() override;
    void Wake() override { m_port.WakeWaiter(); }
    long ReadAvailable(uint8_t* dest, size_t room) override;
    bool Send(const uint8_t* frame, size_t length) override;
    bool IsLost() const override { return m_port.IsLost(); }
    bool MarkLost() override { return m_port.MarkLost(); }
    uint32_t LossCount() const override { return m_port.LossCount(); }
    LineErrorCounts LineErrors() const override;

private:
    // The port's status; the line errors in it are counted.
    bool Query(CommStatus& status);

    cnComm m_port{0, true};
    CRtuFraming m_framing;
    mutable std::mutex m_errorLock;  // the receive thread and the sender both count
    LineErrorCounts m_errors;
};
