#pragma once
// CSerialTransport: RTU frames on a serial port (cnComm), the receive wait
// on poll(2) with a wake-up descriptor.

#include <cstdint>
#include <mutex>
#include <string>

#include "LinkTransport.h"
#include "PortOpenError.h"
#include "cnComm.h"

class CSerialTransport final : public ILinkTransport {
public:
    CSerialTransport();
    ~CSerialTransport() override;
    CSerialTransport(const CSerialTransport&) = delete;
    CSerialTransport& operator=(const CSerialTransport&) = delete;

    // Opens `device` (a path) with a mode text such as "9600,n,8,2"; on
    // failure `error` says why (name and mode are the caller's to fill).
    bool Open(const std::string& device, uint32_t portNumber, const char* mode, PortOpenError& error);

    LinkFraming Framing() const override { return LinkFraming::Rtu; }
    bool IsOpen() const override { return m_port.IsOpen(); }
    void Close() override { m_port.Close(); }
    Wait WaitForInput() override;
    void Wake() override;
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
    int m_wakeFd = -1;
    mutable std::mutex m_errorLock;  // the receive thread and the sender both count
    LineErrorCounts m_errors;
};
