#pragma once
// ILinkTransport: what carries whole frames between CModbusRtu and the
// drives: a serial line (CSerialTransport), a TCP connection to a gateway or
// device server (CTcpTransport), or a drive simulated inside the tool. The
// master keeps the transaction rules (one request in flight, the time-out,
// the results); a transport moves bytes, frames them (its ILinkFraming),
// waits for them and says when its line is gone. The port name's kind
// (PortNames.h) chooses the transport.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "LineErrors.h"
#include "LinkFraming.h"
#include "PortNames.h"
#include "PortOpenError.h"

// A port to open, as CModbusRtu has it from its caller.
struct PortAddress {
    std::string name;         // as named: "COM3", a path, "tcp://host:502", "sim://?slaves=1,3"
    std::string device;       // serial: what the name resolves to (a path, "\\.\COM3")
    uint32_t portNumber = 0;  // serial: the COM number, 0 for a path
    std::string mode;         // serial: the line settings, "9600,n,8,2"
    uint32_t timeoutMs = 0;   // the response time-out; a connect is given as long
};

class ILinkTransport {
public:
    enum class Wait { Input, Woken, Lost };

    virtual ~ILinkTransport() = default;

    // Opens the port; on failure fills `error`'s reason, error number and
    // device (the name and mode are the caller's).
    virtual bool Open(const PortAddress& port, PortOpenError& error) = 0;
    virtual ILinkFraming& Framing() = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;

    // Receive thread: blocks until input is waiting, Wake() was called, or
    // the line is gone. Never a busy wait.
    virtual Wait WaitForInput() = 0;
    // Ends the wait of the receive thread.
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

// Makes the transport of a port kind; each master makes one of each kind
// when it is made and keeps them for its life.
using TransportMaker = std::unique_ptr<ILinkTransport> (*)(PortKind kind);
// The serial and network transports are built in; a library above this one
// adds another kind (the simulated drive) before any master is made.
void RegisterTransport(PortKind kind, TransportMaker make);
// nullptr for a kind nothing provides in this program.
std::unique_ptr<ILinkTransport> MakeTransport(PortKind kind);
