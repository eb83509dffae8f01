#pragma once
#include <cstddef>
#include <cstdint>

// CRC-16/MODBUS over `count` bytes; the low byte goes on the wire first.
// When given, runningLo/runningHi receive the two CRC bytes after each byte.
uint16_t ComputeCrc(const uint8_t* data, size_t count, uint8_t* runningLo = nullptr, uint8_t* runningHi = nullptr);

// True when the buffer is one frame from `slave` whose last two bytes are its CRC.
bool CheckFrame(uint8_t slave, const uint8_t* bytes, size_t count);
