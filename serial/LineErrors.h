#pragma once
// The line errors a serial port's driver reported (framing, parity, overrun,
// break), counted over a while: what noise, a wrong baud rate or parity, or
// a missing terminator leave on an RS-485 line.

#include <cstdint>

struct LineErrorCounts {
    uint64_t framing = 0;
    uint64_t parity = 0;
    uint64_t overrun = 0;
    uint64_t breaks = 0;

    bool Any() const { return framing || parity || overrun || breaks; }
    LineErrorCounts operator-(const LineErrorCounts& since) const
    {
        return {framing - since.framing, parity - since.parity, overrun - since.overrun, breaks - since.breaks};
    }
};
