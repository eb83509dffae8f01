#pragma once
// ILinkTransport: what carries whole frames between CModbusRtu and the
// drives: a serial line (CSerialTransport) or a TCP connection to a gateway
// or device server (CTcpTransport). The master keeps the transaction rules
// (one request in flight, the time-out, the results); a transport only moves
// bytes, waits for them and says when its line is gone.

#include <cstddef>
#include <cstdint>

#include "LineErrors.h"

// How a request and its answer are framed on the transport.
enum class LinkFraming {
    Rtu,   // slave, PDU, CRC: the serial line's frames (also carried over TCP)
    Mbap,  // Modbus TCP: transaction id, protocol 0, length, unit id, PDU
};

class ILinkTransport {
public:
    enum class Wait { Input, Woken, Lost };

    virtual ~ILinkTransport() = default;

    virtual LinkFraming Framing() const = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;

    // Receive thread: blocks until input is waiting, Wake() was called, or
    // the line is gone. Never a busy wait.
    virtual Wait WaitForInput() = 0;
    // Ends the wait of the receive thread (for good, until the next open).
    virtual void Wake() = 0;
    // Takes what has arrived without waiting: the bytes read (at most
    // `room`), 0 for none (or for bytes a line error spoiled), -1 when the
    // line is gone.
    virtual long ReadAvailable(uint8_t* dest, size_t room) = 0;
    // Sends one frame. A line slow to take it is given a short while, then
    // left to the answer's time-out. False: the line is gone.
    virtual bool Send(const uint8_t* frame, size_t length) = 0;

    // The line went away (a device hung up, the far end closed the
    // connection). Kept until the next open; MarkLost is true for the call
    // that found the line whole.
    virtual bool IsLost() const = 0;
    virtual bool MarkLost() = 0;
    // Losses since this transport was made.
    virtual uint32_t LossCount() const = 0;
    // Line errors the driver reported since this transport was made; none
    // where there is no serial line of ours.
    virtual LineErrorCounts LineErrors() const { return {}; }
};
