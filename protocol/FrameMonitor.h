#pragma once
// A watcher of every frame on the link: what the master sent, what came
// back, and the bytes that were not the good answer, each kept as such.
// Qt-free; CModbusRtu calls it on the thread of the transaction.

#include <chrono>
#include <cstdint>
#include <vector>

#include "ModbusResult.h"

enum class FrameKind : uint8_t {
    Request,     // sent by the master
    Answer,      // the good answer to the request (normal or exception)
    BadCrc,      // looked like the answer but its CRC failed
    Noise,       // bytes before a frame
    Trailing,    // bytes after the answer
    Late,        // arrived after the master had given up on its request
    WrongSlave,  // a good frame from another slave address
    Timeout,     // no answer at all (no bytes; a marker of the failure)
};

struct CapturedFrame {
    using Clock = std::chrono::steady_clock;
    Clock::time_point time;  // sent, or first byte received
    std::chrono::system_clock::time_point wallTime;
    FrameKind kind = FrameKind::Request;
    uint8_t slave = 0;                       // the slave the request was for
    uint8_t function = 0;                    // the request's function
    ModbusResult result = 0;                 // of the transaction; on the answer and failure pieces
    std::chrono::microseconds roundTrip{0};  // request sent to answer complete
    std::vector<uint8_t> bytes;
    // The request this piece belongs to, for the answer's summary.
    std::vector<uint8_t> request;
    // Listen-only: seen on the line between other masters and slaves, not
    // sent or awaited by this tool.
    bool heard = false;
    // Modbus TCP: bytes and request carry the MBAP header and no CRC.
    bool mbap = false;
};

class IFrameMonitor {
public:
    virtual ~IFrameMonitor() = default;
    // Called with the transaction lock held; must not call back into the link.
    virtual void OnFrame(const CapturedFrame& frame) = 0;
};
