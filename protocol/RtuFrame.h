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

// Judges an answer to `request`, both without framing (slave or unit id,
// function, data): 0, the exception code, or kResultBadResponse. Beyond
// slave and function it must fit the request: a read carries exactly the
// registers asked for, a write echoes the request's address and value (or
// start and count). So the answer to an earlier request, come late, is
// never taken for the answer to this one.
ModbusResult Judge(const uint8_t* answer, size_t count, const uint8_t* request, size_t requestCount);

// The length of a frame at the start of `buf` that is an answer from the
// request's slave with its function, whole and with a good CRC, but that
// cannot be the answer to `request` (`request` with its CRC): an earlier
// request's answer come late. 0 when the start of `buf` is not such a frame.
size_t StaleAnswerLength(const uint8_t* buf, size_t count, const uint8_t* request, size_t requestCount);

// Register data of a 0x03 response: the bytes the byte count announces,
// never more than the frame holds.
size_t ReadDataLength(const uint8_t* buf, size_t count);

}  // namespace RtuFrame
