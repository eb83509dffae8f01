#pragma once
#include <cstdint>

#include "RegisterLayout.h"

// The drive's RS-485 line settings, holding registers 0x0090..0x0095, in
// register order and host byte order. The baud rate spread over the first
// two is kept as two words: no 32-bit word-order conversion applies.
struct CommParams {
    static constexpr uint16_t kStart = 0x0090;
    static constexpr uint16_t kCount = 6;

    uint16_t baudHigh = 0;    // RS-485 baud rate, upper 16 bits
    uint16_t baudLow = 0;     // RS-485 baud rate, lower 16 bits
    uint16_t parity = 0;      // parity and stop bits, as the parity combo's index
    uint16_t reserved = 0;    // written as 0
    uint16_t lockFlags = 0;   // bit 0: no parameter changes under communication control
    uint16_t brakeTime = 0;   // brake time after a lost link, 0.1 s
};
static_assert(RegisterLayout::Fits<CommParams>());
