#pragma once
// CTcpTransport: frames over a TCP connection. Modbus TCP to a gateway
// (MBAP framing) or the serial line's RTU frames through a transparent
// serial device server; which one the port name says (PortNames.h).

#include <atomic>
#include <cstdint>
#include <string>

#include "LinkTransport.h"
#include "PortNames.h"
#include "PortOpenError.h"

class CTcpTransport final : public ILinkTransport {
public:
    CTcpTransport();
    ~CTcpTransport() override;
    CTcpTransport(const CTcpTransport&) = delete;
    CTcpTransport& operator=(const CTcpTransport&) = delete;

    // Resolves the host and connects, giving up after `timeoutMs`. On
    // failure `error` says why (refused, no route, time-out, unknown host)
    // with the address tried in `error.device`.
    bool Open(const NetworkPort& port, uint32_t timeoutMs, PortOpenError& error);

    LinkFraming Framing() const override { return m_framing.load(); }
    bool IsOpen() const override { return m_fd.load() >= 0; }
    void Close() override;
    Wait WaitForInput() override;
    void Wake() override;
    long ReadAvailable(uint8_t* dest, size_t room) override;
    bool Send(const uint8_t* frame, size_t length) override;
    bool IsLost() const override { return m_lost.load(); }
    bool MarkLost() override;
    uint32_t LossCount() const override { return m_lossCount.load(); }

private:
    std::atomic<int> m_fd{-1};
    std::atomic<LinkFraming> m_framing{LinkFraming::Mbap};
    int m_wakeFd = -1;
    std::atomic<bool> m_lost{false};
    std::atomic<uint32_t> m_lossCount{0};
};
