#pragma once
#include <cstddef>
#include <cstdint>

namespace zoric::sim {

// CRC-16/MODBUS (reflected 0xA001, start 0xFFFF). Computed bitwise here on
// purpose: the master uses table lookups, so the two cannot share a mistake.
std::uint16_t SlaveCrc16(const std::uint8_t* data, std::size_t length);

// Appends the CRC low byte first, as it goes on the line.
template <class Container>
void AppendCrc(Container& frame)
{
    const std::uint16_t crc = SlaveCrc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

// True when the last two bytes are the CRC of the bytes before them.
bool HasValidCrc(const std::uint8_t* frame, std::size_t length);

}  // namespace zoric::sim
