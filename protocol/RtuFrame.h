#pragma once
// The rules by which a response is recognised on the line and judged, kept
// apart from the threads and the port so that they can be tested and fuzzed
// on plain byte buffers.
#include <cstddef>
#include <cstdint>

#include "ModbusResult.h"

namespace RtuFrame {

// Length the frame in `buf` must reach, judged from its function byte
// (3 when the function does not tell, e.g. device identification).
size_t ExpectedLength(const uint8_t* buf, size_t count);

// The whole buffer is one complete frame from `slave` with a valid CRC.
bool IsComplete(const uint8_t* buf, size_t count, uint8_t slave);

// Judges a recognised response to a request with `function`: 0, the
// exception code, or kResultBadResponse.
ModbusResult Check(const uint8_t* buf, size_t count, uint8_t slave, uint8_t function);

// Register data of a 0x03 response: the bytes the byte count announces,
// never more than the frame holds.
size_t ReadDataLength(const uint8_t* buf, size_t count);

}  // namespace RtuFrame
