#pragma once
// CTcpTransport: frames over a TCP connection. Modbus TCP to a gateway
// (MBAP framing) or the serial line's RTU frames through a transparent
// serial device server; one transport of each kind (PortNames.h). BSD
// sockets on Linux, Winsock on Windows; the receive wait sleeps on the
// socket and a wake-up (CWakeSignal) either way.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "LinkTransport.h"
#include "PortNames.h"
#include "PortOpenError.h"
#include "WakeSignal.h"

class CTcpTransport final : public ILinkTransport {
public:
    // ModbusTcp: MBAP frames; RtuOverTcp: RTU frames.
    explicit CTcpTransport(PortKind kind);
    ~CTcpTransport() override;
    CTcpTransport(const CTcpTransport&) = delete;
    CTcpTransport& operator=(const CTcpTransport&) = delete;

    // Resolves the host of `port.name` and connects, giving up after
    // `port.timeoutMs`. On failure `error` says why (a malformed name,
    // refused, no route, time-out, unknown host) with the address tried in
    // `error.device`.
    bool Open(const PortAddress& port, PortOpenError& error) override;

    ILinkFraming& Framing() override { return *m_framing; }
    bool IsOpen() const override { return m_socket.load() != kNoSocket; }
    void Close() override;
    Wait WaitForInput() override;
    void Wake() override { m_wake.Set(); }
    long ReadAvailable(uint8_t* dest, size_t room) override;
    bool Send(const uint8_t* frame, size_t length) override;
    bool IsLost() const override { return m_lost.load(); }
    bool MarkLost() override;
    uint32_t LossCount() const override { return m_lossCount.load(); }

private:
    static constexpr intptr_t kNoSocket = -1;  // also Winsock's INVALID_SOCKET

    std::atomic<intptr_t> m_socket{kNoSocket};
    std::unique_ptr<ILinkFraming> m_framing;
    CWakeSignal m_wake;
#ifdef _WIN32
    void* m_socketEvent = nullptr;  // WSAEventSelect's event: input or close
#endif
    std::atomic<bool> m_lost{false};
    std::atomic<uint32_t> m_lossCount{0};
};
